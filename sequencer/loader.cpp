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

bool readExactly(FILE* f, void* buffer, size_t n) {
    return std::fread(buffer, 1, n, f) == n;
}

// Finds the header chunk and leaves the file just past it.
bool readHeader(FILE* f, uint8_t (&header)[14]) {
    if (!readExactly(f, header, 14)) return false;
    if (std::memcmp(header, "MThd", 4) == 0) return true;
    const bool rmid = std::memcmp(header, "RIFF", 4) == 0 && std::memcmp(header + 8, "RMID", 4) == 0;
    if (std::fseek(f, rmid ? 20 : 128, SEEK_SET) != 0) return false;
    return readExactly(f, header, 14) && std::memcmp(header, "MThd", 4) == 0;
}

// Reads the track chunks. Returns false on the first chunk that is missing, not MTrk,
// too large for the image or short; `complete` counts the chunks read whole.
bool readTracks(Sequencer& seq, FILE* f, int32_t& complete) {
    int64_t total = 0;
    for (int32_t i = 0; i < seq.trackCount; ++i) {
        uint8_t chunk[8];
        if (!readExactly(f, chunk, 8) || std::memcmp(chunk, "MTrk", 4) != 0) return false;
        const uint32_t length = be32(chunk + 4);
        TrackCursor& cur = seq.tracks[i];
        ++seq.activeTracks;
        seq.songLoaded = true;
        cur.trackActive = 1;
        if (total + length > kSongImageSize) return false;
        cur.trackLength = static_cast<int32_t>(length);
        cur.trackStart = static_cast<int32_t>(total);
        total += length;
        if (!readExactly(f, seq.songImage->bytes + cur.trackStart, length)) return false;
        complete = i + 1;
    }
    return true;
}

}  // namespace

bool loadSong(Sequencer& seq, const char* path) {
    if (seq.songLoaded) return false;
    SongImage* image = new (std::nothrow) SongImage;
    if (!image) return false;
    seq.songImage.reset(image);

    FILE* f = openSongFile(path);
    uint8_t header[14];
    bool ok = f && readHeader(f, header);
    int32_t complete = 0;
    if (ok) {
        seq.trackCount = header[11];
        seq.division = (header[12] << 8) | header[13];
        // Measure from the file format's default tempo, not what the last song left.
        seq.bpm = 120;
        recomputeIncrement(seq);
        seq.activeTracks = 0;
        ok = readTracks(seq, f, complete);
    }
    if (f) std::fclose(f);

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
    rewind(seq);
    seq.songSteps = 0;
    seq.playing = true;
    seq.songSteps = static_cast<int32_t>(runSilent(seq, kMaxSilentSteps, false));
    seq.playing = false;
    rewind(seq);
    if (!seq.songLoaded) seq.songImage.reset();
    return true;
}

bool unloadSong(Sequencer& seq) {
    const bool was = seq.songLoaded;
    seq.songLoaded = false;
    seq.songImage.reset();
    return was;
}
