#pragma once
// Audio files written through libsndfile, stereo, in any format it writes: WAV, FLAC, Ogg
// Vorbis, MP3, Ogg Opus, AIFF and the rest of its list. A file is written under a
// temporary name beside its own and renamed when complete, so a render that stops
// half-way leaves no half file under the name; a symbolic link is followed and the file
// it leads to replaced; a path that names something other than a regular file
// (/dev/null, a pipe) is written as it is, and "-" is standard output.
#include <cstdint>
#include <string>

struct sf_private_tag;

// The samples of a PCM file: 16-bit, 24-bit or 32-bit float.
enum class SampleFormat : uint8_t { s16, s24, f32 };

// "s16", "s24" or "f32".
bool sampleFormatNamed(const std::string& name, SampleFormat& samples);

struct SoundFormat {
    int32_t code = 0x010002;  // libsndfile's container | encoding (WAV, 16-bit)
    char extension[8] = ".wav";

    static const SoundFormat wav, flac, ogg;
    bool operator==(const SoundFormat& o) const;
    bool operator!=(const SoundFormat& o) const { return !(*this == o); }
};

// The format a file name's extension asks for, in any case: .wav, .flac, .ogg or .oga
// (Vorbis), .mp3, .opus, and every other extension libsndfile names a container for.
bool soundFormatOfPath(const std::string& path, SoundFormat& format);
// The same by a name without the dot: "wav", "mp3", "aiff".
bool soundFormatNamed(const std::string& name, SoundFormat& format);
// ".wav", ".flac", ".mp3" ...
const char* soundFormatExtension(const SoundFormat& format);
// Every name soundFormatNamed takes, space-separated, for an error message.
std::string soundFormatNames();
// The sample rate a file of this format is rendered at: Opus at 48000, the others as asked.
uint32_t soundFormatRate(const SoundFormat& format, uint32_t asked);
// Gives format the samples asked for and checks that libsndfile can write it, stereo, at
// rate. False with a one-line reason (a container that has no such samples, a rate MP3
// does not have): the caller refuses it before anything is rendered.
bool prepareSoundFormat(SoundFormat& format, SampleFormat samples, uint32_t rate, std::string& error);

// Whether open() can make path: its folder there and writable, no folder in its place.
// False with a one-line reason.
bool soundFileCanBeMade(const std::string& path, std::string& error);

class SoundFile {
public:
    SoundFile() = default;
    ~SoundFile() { discard(); }
    SoundFile(const SoundFile&) = delete;
    SoundFile& operator=(const SoundFile&) = delete;

    // Starts the file. False with error() when it cannot be created.
    bool open(const std::string& path, const SoundFormat& format, uint32_t sampleRate);
    // Appends interleaved stereo frames, full scale at 1.0; what lies beyond is clipped
    // and counted. False with error() on the first failure; nothing more is written after it.
    bool write(const float* frames, uint32_t count);
    // Completes the file and gives it its name. False with error() when that fails; the
    // unfinished file is removed then.
    bool finish();
    // Closes and removes an unfinished file.
    void discard();

    bool isOpen() const { return file_ != nullptr; }
    bool failed() const { return failed_; }
    uint64_t framesWritten() const { return frames_; }
    // Samples (a frame has two) beyond full scale since the file was opened.
    uint64_t clippedSamples() const { return clipped_; }
    const std::string& path() const { return path_; }
    const std::string& error() const { return error_; }
    // The file being written under its temporary name, "" when none: what a signal handler
    // removes when the program must end at once.
    const char* partialPath() const { return partial_.c_str(); }

private:
    void fail(const std::string& what);
    void closeFile();

    sf_private_tag* file_ = nullptr;
    std::string path_;
    std::string partial_;
    std::string target_; // the path after its links: what the file replaces
    std::string error_;
    SoundFormat format_;
    uint64_t frames_ = 0;
    uint64_t clipped_ = 0;
    uint64_t maxFrames_ = 0;  // 0: no limit
    bool failed_ = false;
    // The frames converted for libsndfile, a chunk at a time.
    static constexpr uint32_t kChunk = 512;
    union {
        int16_t s16[kChunk * 2];
        int32_t s32[kChunk * 2];
        float f32[kChunk * 2];
    } converted_;
    bool stream_ = false; // written where it cannot be sought back (a pipe)
};
