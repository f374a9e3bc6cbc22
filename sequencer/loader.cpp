// Reads a Standard MIDI File (plain, RMID-wrapped, or after a 128-byte prefix) into the
// song image and measures it by a silent run.
#include <cstdio>
#include <cstring>
#include <new>

#include "sequencer/sequencer.h"

#ifdef _WIN32
#include <share.h>  // _fsopen: the song file is opened without sharing
#endif

namespace {

FILE* openSongFile(const char* path) {
#ifdef _WIN32
    return _fsopen(path, "rb", _SH_DENYRW);
#else
    return std::fopen(path, "rb");
#endif
}

uint32_t be32(const uint8_t* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

// The file's bytes, read in order as the file would be: a short read copies what there is.
struct ByteReader {
    const uint8_t* data;
    size_t size;
    size_t at = 0;

    size_t read(void* buffer, size_t n) {
        const size_t left = at < size ? size - at : 0;
        const size_t got = n < left ? n : left;
        if (got) std::memcpy(buffer, data + at, got);
        at += got;
        return got;
    }
    bool readExactly(void* buffer, size_t n) { return read(buffer, n) == n; }
};

// Finds the header chunk and leaves the reader just past it.
bool readHeader(ByteReader& in, uint8_t (&header)[14]) {
    if (!in.readExactly(header, 14)) return false;
    if (std::memcmp(header, "MThd", 4) == 0) return true;
    const bool rmid = std::memcmp(header, "RIFF", 4) == 0 && std::memcmp(header + 8, "RMID", 4) == 0;
    in.at = rmid ? 20 : 128;
    return in.readExactly(header, 14) && std::memcmp(header, "MThd", 4) == 0;
}

// Reads the track chunks. Returns false on the first chunk that is missing, not MTrk,
// too large for the image or short; `complete` counts the chunks read whole.
bool readTracks(Sequencer& seq, ByteReader& in, int32_t& complete) {
    int64_t total = 0;
    for (int32_t i = 0; i < seq.trackCount; ++i) {
        uint8_t chunk[8];
        if (!in.readExactly(chunk, 8) || std::memcmp(chunk, "MTrk", 4) != 0) return false;
        const uint32_t length = be32(chunk + 4);
        TrackCursor& cur = seq.tracks[i];
        ++seq.activeTracks;
        seq.songLoaded = true;
        cur.trackActive = 1;
        if (total + length > kSongImageSize) return false;
        cur.trackLength = static_cast<int32_t>(length);
        cur.trackStart = static_cast<int32_t>(total);
        total += length;
        if (!in.readExactly(seq.songImage->bytes + cur.trackStart, length)) return false;
        complete = i + 1;
    }
    return true;
}

// Measures the song by a silent run. The run records the whole song into the channel
// shadow, but the module has heard none of it: the shadow is put back as it was, so a
// later seek resends what the song changes and bank mode 2 sees no bank select the
// song has not yet sent.
void measureSong(Sequencer& seq) {
    ChannelState shadow[16];
    std::memcpy(shadow, seq.channels, sizeof shadow);
    rewind(seq);
    seq.songSteps = 0;
    seq.playing = true;
    seq.songSteps = static_cast<int32_t>(runSilent(seq, kMaxSilentSteps, false));
    seq.playing = false;
    rewind(seq);
    std::memcpy(seq.channels, shadow, sizeof shadow);
}

}  // namespace

bool loadSongFromMemory(Sequencer& seq, const uint8_t* bytes, size_t size) {
    if (seq.songLoaded) return false;
    SongImage* image = new (std::nothrow) SongImage;
    if (!image) return false;
    seq.songImage.reset(image);

    ByteReader in{bytes, bytes ? size : 0};
    uint8_t header[14];
    bool ok = readHeader(in, header);
    int32_t complete = 0;
    if (ok) {
        seq.trackCount = header[11];
        seq.division = (header[12] << 8) | header[13];
        // Measure from the file format's default tempo, not what the last song left.
        seq.bpm = 120;
        recomputeIncrement(seq);
        seq.activeTracks = 0;
        ok = readTracks(seq, in, complete);
    }

    if (!ok) {
        if (!seq.songLoaded) {
            seq.songImage.reset();
            return false;
        }
        // A partly loaded song stays until it is unloaded. Keep only the tracks read
        // whole, so that nothing reads a cursor the failed chunk left half set.
        seq.trackCount = complete;
        seq.activeTracks = static_cast<uint8_t>(complete);
        seq.loadedTrackCount = static_cast<uint8_t>(complete);
        rewind(seq);
        return false;
    }

    seq.loadedTrackCount = seq.activeTracks;
    measureSong(seq);
    if (!seq.songLoaded) seq.songImage.reset();
    return true;
}

bool loadSong(Sequencer& seq, const char* path) {
    if (seq.songLoaded) return false;
    // Nothing past the last possible track chunk is ever looked at.
    std::unique_ptr<uint8_t[]> bytes(new (std::nothrow) uint8_t[kSongFileMax]);
    if (!bytes) return false;
    size_t size = 0;
    // A file that cannot be opened reads as an empty one.
    if (FILE* f = openSongFile(path)) {
        size = std::fread(bytes.get(), 1, kSongFileMax, f);
        std::fclose(f);
    }
    return loadSongFromMemory(seq, bytes.get(), size);
}

bool loadWholeSong(Sequencer& seq, const char* path) {
    if (loadSong(seq, path)) return true;
    unloadSong(seq);
    return false;
}

bool unloadSong(Sequencer& seq) {
    const bool was = seq.songLoaded;
    seq.songLoaded = false;
    seq.songImage.reset();
    return was;
}
