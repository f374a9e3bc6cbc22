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

#include "midi/interpreter.h"
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

// A file's bytes in memory, read as the file would be: a short read copies what there is.
struct MemoryReader {
    const uint8_t* data;
    size_t size;
    size_t at = 0;

    bool readExactly(void* buffer, size_t n) {
        const size_t left = at < size ? size - at : 0;
        const size_t got = n < left ? n : left;
        if (got) std::memcpy(buffer, data + at, got);
        at += got;
        return got == n;
    }
    void skipTo(size_t offset) { at = offset; }
};

// The song file itself, read straight into where its bytes belong: each track chunk goes
// into the song image, with no copy of the whole file in between (only reads smaller than
// stdio's buffer pass through it). A read error is kept as the reason.
struct FileReader {
    FILE* file;
    size_t at = 0;
    int error = 0;

    bool readExactly(void* buffer, size_t n) {
        const size_t got = n ? std::fread(buffer, 1, n, file) : 0;
        at += got;
        if (got != n && !error && std::ferror(file)) error = errno ? errno : EIO;
        return got == n;
    }
    void skipTo(size_t offset) {
        // Only ever forward, and by less than 128 bytes: read over rather than seek, so a
        // file that cannot seek reads the same.
        uint8_t skipped[128];
        while (at < offset && readExactly(skipped, offset - at < sizeof skipped ? offset - at : sizeof skipped)) {
        }
    }
};

// Finds the header chunk and leaves the reader just past it. A file that begins as a song
// or as an RMID wrapper but ends too soon is truncated; anything else without a header is
// no MIDI file.
template <class Reader>
LoadProblem readHeader(Reader& in, uint8_t (&header)[14]) {
    const bool whole = in.readExactly(header, 14);
    const bool smf = in.at >= 4 && std::memcmp(header, "MThd", 4) == 0;
    if (!whole) return smf ? LoadProblem::Truncated : LoadProblem::NotMidi;
    if (smf) return LoadProblem::None;
    const bool rmid = std::memcmp(header, "RIFF", 4) == 0 && std::memcmp(header + 8, "RMID", 4) == 0;
    in.skipTo(rmid ? 20 : 128);
    if (!in.readExactly(header, 14)) return rmid ? LoadProblem::Truncated : LoadProblem::NotMidi;
    return std::memcmp(header, "MThd", 4) == 0 ? LoadProblem::None : LoadProblem::NotMidi;
}

// Reads the track chunks. Stops at the first chunk that is missing, not MTrk, too large
// for the image or short, and says which; `complete` counts the chunks read whole.
template <class Reader>
LoadProblem readTracks(Sequencer& seq, Reader& in, int32_t& complete) {
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

// Measures the song as a silent run would, but from a survey of its tracks: a step costs
// nothing unless a tempo change or the end falls in it. The run records the whole song
// into the channel shadow, but the module has heard none of it: the shadow is put back
// as it was, so a later seek resends what the song changes and bank mode 2 sees no bank
// select the song has not yet sent. What the run leaves for the play that follows (the
// tempo's step increment, each track's running status) the survey leaves the same.
void measureSong(Sequencer& seq) {
    ChannelState shadow[16];
    std::memcpy(shadow, seq.channels, sizeof shadow);
    uint8_t running[kMaxTracks];
    for (int32_t t = 0; t < kMaxTracks; ++t) running[t] = seq.tracks[t].runningStatus;
    const int64_t increment = seq.stepIncrement;
    rewind(seq);
    seq.songSteps = 0;
    int64_t steps = -1;
    try {
        SongSurvey survey;
        surveyTracks(seq, survey);
        rewind(seq);
        steps = measureSteps(seq, survey, kMaxSilentSteps);
    } catch (const std::bad_alloc&) {
        // No room for the tempo changes: the run below needs none.
    }
    if (steps < 0) {
        // A song that would not end within the run's bound is measured by the run itself,
        // which stops at it, from the state the load left.
        for (int32_t t = 0; t < kMaxTracks; ++t) seq.tracks[t].runningStatus = running[t];
        seq.stepIncrement = increment;
        rewind(seq);
        seq.playing = true;
        steps = runSilent(seq, kMaxSilentSteps, false);
    }
    seq.playing = false;
    seq.songSteps = static_cast<int32_t>(steps);
    rewind(seq);
    std::memcpy(seq.channels, shadow, sizeof shadow);
}

template <class Reader>
bool loadFrom(Sequencer& seq, Reader& in) {
    if (seq.songLoaded) return false;
    seq.loadFailure = {};
    SongImage* image = new (std::nothrow) SongImage;
    if (!image) {
        seq.loadFailure.problem = LoadProblem::NoMemory;
        return false;
    }
    seq.songImage.reset(image);

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

}  // namespace

bool loadSongFromMemory(Sequencer& seq, const uint8_t* bytes, size_t size) {
    MemoryReader in{bytes, bytes ? size : 0};
    return loadFrom(seq, in);
}

bool loadSong(Sequencer& seq, const char* path) {
    if (seq.songLoaded) return false;
    const uint8_t* held = nullptr;
    size_t heldSize = 0;
    if (seq.songStore && seq.songStore->find(path, held, heldSize)) return loadSongFromMemory(seq, held, heldSize);
    FILE* f = openSongFile(path, seq.loadFailure);
    if (!f) return false;
    // Reads smaller than the buffer go through it: a song's small tracks then cost one
    // read between many, not one or two each; a larger track is read straight into place.
    constexpr size_t kReadBuffer = 64 * 1024;
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[kReadBuffer]);
    if (buffer) std::setvbuf(f, buffer.get(), _IOFBF, kReadBuffer);
    FileReader in{f};
    const bool loaded = loadFrom(seq, in);
    std::fclose(f);
    // A read that fails part way leaves what it read; should that not make a song, the
    // failure is the reason.
    if (!loaded && in.error && seq.loadFailure.problem != LoadProblem::NoMemory)
        seq.loadFailure = {LoadProblem::System, in.error};
    return loaded;
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
