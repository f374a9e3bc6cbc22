#include "platform/posix/sound_file.h"

#include <cctype>
#include <cstring>

#ifdef ORVANEL_HAVE_SNDFILE

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#endif

namespace {

struct FormatName {
    const char* name;
    SoundFormat format;
};

const FormatName kFormatNames[] = {
    {"wav", SoundFormat::wav}, {"flac", SoundFormat::flac}, {"ogg", SoundFormat::ogg}, {"oga", SoundFormat::ogg}};

bool sameLetters(const std::string& a, const char* b)
{
    if (a.size() != std::strlen(b))
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != b[i])
            return false;
    return true;
}

} // namespace

bool soundFormatNamed(const std::string& name, SoundFormat& format)
{
    for (const FormatName& f : kFormatNames)
        if (sameLetters(name, f.name)) {
            format = f.format;
            return true;
        }
    return false;
}

bool soundFormatOfPath(const std::string& path, SoundFormat& format)
{
    const size_t dot = path.rfind('.');
    const size_t slash = path.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return false;
    return soundFormatNamed(path.substr(dot + 1), format);
}

const char* soundFormatExtension(SoundFormat format)
{
    switch (format) {
    case SoundFormat::flac: return ".flac";
    case SoundFormat::ogg: return ".ogg";
    case SoundFormat::wav: break;
    }
    return ".wav";
}

#ifdef ORVANEL_HAVE_SNDFILE

namespace {

// The RIFF size field counts everything after itself; it must stay below 4 GiB.
constexpr uint64_t kMaxWavDataBytes = 0xFFFFFFFFull - 36;

int sndfileFormat(SoundFormat format)
{
    switch (format) {
    case SoundFormat::flac: return SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
    case SoundFormat::ogg: return SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    case SoundFormat::wav: break;
    }
    return SF_FORMAT_WAV | SF_FORMAT_PCM_16;
}

// A new file beside path: ".NAME.XXXXXX", created exclusively, with the permissions a new
// file gets. -1 with errno set when it cannot be made.
int createPartial(const std::string& path, std::string& partial)
{
    const size_t slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string name = dir + "." + base + ".XXXXXX";
    const int fd = mkstemp(&name[0]);
    if (fd < 0)
        return -1;
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    partial = name;
    return fd;
}

} // namespace

bool SoundFile::open(const std::string& path, SoundFormat format, uint32_t sampleRate)
{
    discard();
    path_ = path;
    format_ = format;
    frames_ = 0;
    failed_ = false;
    error_.clear();
    SF_INFO info = {};
    info.samplerate = int(sampleRate);
    info.channels = 2;
    info.format = sndfileFormat(format);
    struct stat st;
    // A device or a pipe cannot be renamed over: it is written as it is.
    const bool direct = stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode);
    int fd = direct ? ::open(path.c_str(), O_WRONLY | O_TRUNC) : createPartial(path, partial_);
    if (fd < 0) {
        error_ = "cannot create " + path + ": " + std::strerror(errno);
        return false;
    }
    file_ = sf_open_fd(fd, SFM_WRITE, &info, SF_TRUE);
    if (!file_) {
        error_ = "cannot create " + path + ": " + sf_strerror(nullptr);
        ::close(fd);
        if (!partial_.empty())
            unlink(partial_.c_str());
        partial_.clear();
        return false;
    }
    return true;
}

void SoundFile::fail(const std::string& what)
{
    if (failed_)
        return; // the first cause is the one worth telling
    failed_ = true;
    error_ = what;
}

bool SoundFile::write(const int16_t* frames, uint32_t count)
{
    if (!file_ || failed_)
        return false;
    if (format_ == SoundFormat::wav && (frames_ + count) * 4 > kMaxWavDataBytes) {
        fail(path_ + " reached the WAV size limit of 4 GiB; the rest of the song is not in it");
        return false;
    }
    if (sf_writef_short(file_, frames, sf_count_t(count)) != sf_count_t(count)) {
        fail("writing " + path_ + " failed: " + sf_strerror(file_));
        return false;
    }
    frames_ += count;
    return true;
}

void SoundFile::closeFile()
{
    if (file_ && sf_close(file_) != 0)
        fail("writing " + path_ + " failed: " + sf_strerror(nullptr));
    file_ = nullptr;
}

bool SoundFile::finish()
{
    if (!file_)
        return false;
    closeFile();
    if (!failed_ && !partial_.empty() && std::rename(partial_.c_str(), path_.c_str()) != 0)
        fail("cannot write " + path_ + ": " + std::strerror(errno));
    if (failed_) {
        discard();
        return false;
    }
    partial_.clear();
    return true;
}

void SoundFile::discard()
{
    if (file_) {
        sf_close(file_);
        file_ = nullptr;
    }
    if (!partial_.empty())
        unlink(partial_.c_str());
    partial_.clear();
}

#else // no libsndfile: no file can be written

bool SoundFile::open(const std::string& path, SoundFormat, uint32_t)
{
    path_ = path;
    error_ = "this build has no libsndfile to write " + path;
    return false;
}

bool SoundFile::write(const int16_t*, uint32_t) { return false; }
bool SoundFile::finish() { return false; }
void SoundFile::discard() {}
void SoundFile::fail(const std::string& what) { error_ = what; }
void SoundFile::closeFile() {}

#endif // ORVANEL_HAVE_SNDFILE
