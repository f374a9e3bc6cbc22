#pragma once
// Builds Standard MIDI File bytes in a test (or a generator), so the input sits right
// beside what is expected of it.
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

inline void putVarLen(Bytes& out, uint32_t v) {
    uint8_t groups[5];
    int n = 0;
    do {
        groups[n++] = v & 0x7F;
        v >>= 7;
    } while (v);
    while (n > 1) out.push_back(groups[--n] | 0x80);
    out.push_back(groups[0]);
}

inline void putBe(Bytes& out, uint32_t v, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) out.push_back((v >> (8 * i)) & 0xFF);
}

struct Track {
    Bytes bytes;

    // An event: delta time, then the bytes as given (status may be left out).
    Track& ev(uint32_t delta, std::initializer_list<uint8_t> data) {
        putVarLen(bytes, delta);
        bytes.insert(bytes.end(), data);
        return *this;
    }
    Track& meta(uint32_t delta, uint8_t type, const std::string& data) {
        putVarLen(bytes, delta);
        bytes.push_back(0xFF);
        bytes.push_back(type);
        putVarLen(bytes, static_cast<uint32_t>(data.size()));
        bytes.insert(bytes.end(), data.begin(), data.end());
        return *this;
    }
    Track& tempo(uint32_t delta, uint32_t microsPerQuarter) {
        putVarLen(bytes, delta);
        bytes.insert(bytes.end(), {0xFF, 0x51, 0x03});
        putBe(bytes, microsPerQuarter, 3);
        return *this;
    }
    Track& sysex(uint32_t delta, const Bytes& dataAfterF0) {
        putVarLen(bytes, delta);
        bytes.push_back(0xF0);
        putVarLen(bytes, static_cast<uint32_t>(dataAfterF0.size()));
        bytes.insert(bytes.end(), dataAfterF0.begin(), dataAfterF0.end());
        return *this;
    }
    Track& end(uint32_t delta = 0) { return ev(delta, {0xFF, 0x2F, 0x00}); }
};

// declaredTracks < 0: the number of tracks given.
inline Bytes buildSmf(uint16_t division, const std::vector<Track>& tracks, int declaredTracks = -1,
                      uint16_t format = 1) {
    Bytes out = {'M', 'T', 'h', 'd', 0, 0, 0, 6};
    putBe(out, format, 2);
    putBe(out, declaredTracks < 0 ? static_cast<uint32_t>(tracks.size()) : uint32_t(declaredTracks), 2);
    putBe(out, division, 2);
    for (const Track& t : tracks) {
        out.insert(out.end(), {'M', 'T', 'r', 'k'});
        putBe(out, static_cast<uint32_t>(t.bytes.size()), 4);
        out.insert(out.end(), t.bytes.begin(), t.bytes.end());
    }
    return out;
}

inline Bytes wrapRmid(const Bytes& smf) {
    Bytes out = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'R', 'M', 'I', 'D', 'd', 'a', 't', 'a'};
    putBe(out, static_cast<uint32_t>(smf.size()), 4);
    out.insert(out.end(), smf.begin(), smf.end());
    return out;
}

inline bool writeBytes(const std::string& path, const Bytes& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}
