// Reads a Standard MIDI File (plain, RMID-wrapped, or after a 128-byte prefix) into the
// song image and measures it by a silent run.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#ifndef _WIN32
#include <filesystem>
#include <system_error>
#endif

#include "sequencer/sequencer.h"

#ifdef _WIN32
#include <share.h>  // _fsopen: the song file is opened without sharing
#endif

namespace {

// Opens the song file, or says why it cannot. Elsewhere than on Windows a folder or a
// special file (a FIFO would block the open until a writer came) is refused before any
// open.
FILE* openSongFile(const char* path, LoadFailure& why) {
#ifdef _WIN32
    FILE* f = _fsopen(path, "rb", _SH_DENYRW);
#else
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (error) {
        why = {LoadProblem::System, error.value()};
        return nullptr;
    }
    if (std::filesystem::is_directory(status)) {
        why = {LoadProblem::System, EISDIR};
        return nullptr;
    }
    if (!std::filesystem::is_regular_file(status)) {
        why = {LoadProblem::NotRegular, 0};
        return nullptr;
    }
    FILE* f = std::fopen(path, "rb");
#endif
    if (!f) why = {LoadProblem::System, errno};
    return f;
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

// Finds the header chunk and leaves the reader just past it. A file that begins as a song
// or as an RMID wrapper but ends too soon is truncated; anything else without a header is
// no MIDI file.
LoadProblem readHeader(ByteReader& in, uint8_t (&header)[14]) {
    const bool smf = in.size >= 4 && std::memcmp(in.data, "MThd", 4) == 0;
    if (!in.readExactly(header, 14)) return smf ? LoadProblem::Truncated : LoadProblem::NotMidi;
    if (smf) return LoadProblem::None;
    const bool rmid = std::memcmp(header, "RIFF", 4) == 0 && std::memcmp(header + 8, "RMID", 4) == 0;
    in.at = rmid ? 20 : 128;
    if (!in.readExactly(header, 14)) return rmid ? LoadProblem::Truncated : LoadProblem::NotMidi;
    return std::memcmp(header, "MThd", 4) == 0 ? LoadProblem::None : LoadProblem::NotMidi;
}

// Reads the track chunks. Stops at the first chunk that is missing, not MTrk, too large
// for the image or short, and says which; `complete` counts the chunks read whole.
LoadProblem readTracks(Sequencer& seq, ByteReader& in, int32_t& complete) {
    int64_t total = 0;
    for (int32_t i = 0; i < seq.trackCount; ++i) {
        uint8_t chunk[8];
        if (!in.readExactly(chunk, 8)) return LoadProblem::Truncated;
        if (std::memcmp(chunk, "MTrk", 4) != 0) return LoadProblem::BadTrack;
        const uint32_t length = be32(chunk + 4);
        TrackCursor& cur = seq.tracks[i];
        ++seq.activeTracks;
        seq.songLoaded = true;
        cur.trackActive = 1;
        if (total + length > kSongImageSize) return LoadProblem::TooLarge;
        cur.trackLength = static_cast<int32_t>(length);
        cur.trackStart = static_cast<int32_t>(total);
        total += length;
        if (!in.readExactly(seq.songImage->bytes + cur.trackStart, length)) return LoadProblem::Truncated;
        complete = i + 1;
    }
    return LoadProblem::None;
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
    seq.loadFailure = {};
    SongImage* image = new (std::nothrow) SongImage;
    if (!image) {
        seq.loadFailure.problem = LoadProblem::NoMemory;
        return false;
    }
    seq.songImage.reset(image);

    ByteReader in{bytes, bytes ? size : 0};
    uint8_t header[14];
    LoadProblem problem = readHeader(in, header);
    int32_t complete = 0;
    if (problem == LoadProblem::None) {
        seq.trackCount = header[11];
        seq.division = (header[12] << 8) | header[13];
        // Measure from the file format's default tempo, not what the last song left.
        seq.bpm = 120;
        recomputeIncrement(seq);
        seq.activeTracks = 0;
        problem = readTracks(seq, in, complete);
    }

    if (problem != LoadProblem::None) {
        seq.loadFailure.problem = problem;
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
    const uint8_t* held = nullptr;
    size_t heldSize = 0;
    if (seq.songStore && seq.songStore->find(path, held, heldSize)) return loadSongFromMemory(seq, held, heldSize);
    // Nothing past the last possible track chunk is ever looked at.
    std::unique_ptr<uint8_t[]> bytes(new (std::nothrow) uint8_t[kSongFileMax]);
    if (!bytes) {
        seq.loadFailure = {LoadProblem::NoMemory, 0};
        return false;
    }
    FILE* f = openSongFile(path, seq.loadFailure);
    if (!f) return false;
    const size_t size = std::fread(bytes.get(), 1, kSongFileMax, f);
    // A read that fails part way gives what it read; should that not make a song, the
    // failure is the reason.
    const int readError = std::ferror(f) ? errno : 0;
    std::fclose(f);
    if (loadSongFromMemory(seq, bytes.get(), size)) return true;
    if (readError) seq.loadFailure = {LoadProblem::System, readError};
    return false;
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
