#pragma once
// Audio files written through libsndfile: 16-bit stereo WAV or FLAC, or Ogg Vorbis. A file
// is written under a temporary name beside its own and renamed when complete, so a render
// that stops half-way leaves no half file under the name; a symbolic link is followed and
// the file it leads to replaced; a path that names something other than a regular file
// (/dev/null, a pipe) is written as it is, and "-" is standard output.
#include <cstdint>
#include <string>

struct sf_private_tag;

enum class SoundFormat : uint8_t { wav, flac, ogg };

// The format a file name's extension asks for: .wav, .flac, .ogg or .oga, in any case.
bool soundFormatOfPath(const std::string& path, SoundFormat& format);
// "wav", "flac" or "ogg".
bool soundFormatNamed(const std::string& name, SoundFormat& format);
// ".wav", ".flac" or ".ogg".
const char* soundFormatExtension(SoundFormat format);

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
    bool open(const std::string& path, SoundFormat format, uint32_t sampleRate);
    // Appends interleaved stereo frames. False with error() on the first failure; nothing
    // more is written after it.
    bool write(const int16_t* frames, uint32_t count);
    // Completes the file and gives it its name. False with error() when that fails; the
    // unfinished file is removed then.
    bool finish();
    // Closes and removes an unfinished file.
    void discard();

    bool isOpen() const { return file_ != nullptr; }
    bool failed() const { return failed_; }
    uint64_t framesWritten() const { return frames_; }
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
    SoundFormat format_ = SoundFormat::wav;
    uint64_t frames_ = 0;
    bool failed_ = false;
    bool stream_ = false; // written where it cannot be sought back (a pipe)
};
