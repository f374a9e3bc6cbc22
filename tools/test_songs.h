#pragma once
// Songs made to test the loader: small well-formed ones that touch each feature (the
// fuzzer's seeds), and hostile ones shaped after the ways a track can make a reader
// work hard (the load benchmark, the fuzzer's seeds at a small size).
#include <string>
#include <vector>

#include "tests/support/smf_builder.h"

struct NamedSong {
    std::string name;  // a file name without folder
    Bytes bytes;
};

namespace test_songs {

inline Bytes repeated(std::initializer_list<uint8_t> pattern, size_t size) {
    Bytes out;
    while (out.size() + pattern.size() <= size) out.insert(out.end(), pattern);
    return out;
}

// Events one tick apart on every track, until each track holds about `perTrack` bytes.
inline Track busyTrack(size_t perTrack, uint8_t channel) {
    Track t;
    while (t.bytes.size() + 8 < perTrack) t.ev(1, {uint8_t(0x90 | channel), 60, 1});
    t.end(0);
    return t;
}

}  // namespace test_songs

// Hostile songs of about `bytes` bytes of track data each (at most 1 MiB).
inline std::vector<NamedSong> hostileSongs(size_t bytes) {
    using namespace test_songs;
    std::vector<NamedSong> songs;
    auto add = [&](const char* name, uint16_t division, const std::vector<Track>& tracks) {
        songs.push_back({name, buildSmf(division, tracks)});
    };

    Track zeros;  // 80 80 ... 00: a zero delta whose shortest encoding is one byte
    zeros.bytes.assign(bytes - 1, 0x80);
    zeros.bytes.push_back(0x00);
    add("continuation-zero.mid", 96, {zeros});

    Track far;  // FF FF ... 7F: a delta far off, beside a track that is busy every step
    far.bytes.assign(bytes / 2 - 1, 0xFF);
    far.bytes.push_back(0x7F);
    add("continuation-far.mid", 96, {far, busyTrack(bytes / 2, 0)});

    std::vector<Track> manyRuns(255);
    for (Track& t : manyRuns) t.bytes.assign(bytes / 255, 0xFF);
    add("continuation-255-tracks.mid", 96, manyRuns);

    Track system;  // system bytes where events belong
    system.bytes = repeated({0x00, 0xF2, 0x01, 0x02, 0x00, 0xF4, 0x00, 0xF8}, bytes);
    add("system-bytes.mid", 96, {system});

    Track padded;  // every delta padded to four bytes
    padded.bytes = repeated({0x80, 0x80, 0x80, 0x00, 0x90, 0x3C, 0x01}, bytes);
    add("padded-deltas.mid", 96, {padded});

    Track noStatus;  // data bytes with no status byte before them
    noStatus.bytes.assign(bytes, 0x00);
    add("no-status.mid", 96, {noStatus});

    std::vector<Track> loops(255);  // loop points by running status, all at once on every track
    for (Track& t : loops) {
        t.bytes = {0x00, 0xB0, 0x6F, 0x00};
        const Bytes more = repeated({0x00, 0x6F, 0x00}, bytes / 255 - 8);
        t.bytes.insert(t.bytes.end(), more.begin(), more.end());
        t.end(0);
    }
    add("loop-points-255-tracks.mid", 96, loops);

    Track slow;  // 3 bpm at one tick a beat: a long song of many events
    slow.tempo(0, 0xFFFFFF);
    while (slow.bytes.size() + 8 < bytes) slow.ev(1, {0x90, 60, 1});
    slow.end(0);
    add("slow-many-events.mid", 1, {slow});

    Track quick;  // the fastest tempo at the largest division, deltas of 28 bits
    quick.tempo(0, 1);
    while (quick.bytes.size() + 8 < bytes) quick.ev(0x0FFFFFFF, {0x90, 60, 1});
    quick.end(0);
    add("huge-deltas.mid", 0x7FFF, {quick});

    Track blocks;  // System Exclusive and text events longer than their buffers
    while (blocks.bytes.size() + 3000 < bytes) {
        blocks.sysex(0, Bytes(1500, 0x11));
        blocks.meta(0, 0x01, std::string(700, 'x'));
    }
    blocks.end(0);
    add("long-blocks.mid", 96, {blocks});
    return songs;
}

// Small well-formed songs, one feature or form each.
inline std::vector<NamedSong> featureSongs() {
    std::vector<NamedSong> songs;
    Track a;
    a.meta(0, 0x03, "\x83\x65\x83\x58\x83\x67").meta(0, 0x01, "text").meta(0, 0x02, "(c)")
        .meta(0, 0x05, "la").tempo(0, 500000).ev(0, {0xB0, 0, 127}).ev(0, {0xC0, 24})
        .ev(0, {0x90, 60, 100}).ev(0, {62, 90}).sysex(10, {0x41, 0x10, 0xF7})
        .ev(10, {0xB0, 111, 0}).ev(0, {0xE0, 0, 0x40}).ev(20, {0x80, 60, 0}).end(5);
    Track b;
    b.ev(0, {0xB1, 0, 126}).ev(0, {0xC1, 40}).ev(0, {0xD1, 5}).ev(0, {0xA1, 60, 5})
        .ev(0, {0xF7, 0x01, 0xF7}).tempo(30, 400000).ev(0, {0x99, 36, 100}).end(30);
    const Bytes smf = buildSmf(96, {a, b});
    songs.push_back({"features.mid", smf});
    songs.push_back({"features-rmid.mid", wrapRmid(smf)});
    Bytes prefixed(128, 0x55);
    prefixed.insert(prefixed.end(), smf.begin(), smf.end());
    songs.push_back({"features-prefixed.mid", prefixed});
    songs.push_back({"format0-one-track.mid", buildSmf(480, {a}, -1, 0)});
    return songs;
}
