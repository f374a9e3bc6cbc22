#include "platform/posix/sound_file.h"

#include <cctype>
#include <cstring>

#ifdef ORVANEL_HAVE_SNDFILE

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
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

std::string folderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

// Where path leads after its symbolic links, the last of which may point at nothing yet:
// the file is written there, and the links stay links. False with errno on a loop.
bool followLinks(const std::string& path, std::string& target)
{
    std::string at = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        if (lstat(at.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            target = at;
            return true;
        }
        char link[PATH_MAX];
        const ssize_t n = readlink(at.c_str(), link, sizeof link - 1);
        if (n < 0)
            return false;
        link[n] = '\0';
        at = link[0] == '/' ? std::string(link) : folderOf(at) + link;
    }
    errno = ELOOP;
    return false;
}

// The temporary files of path are ".NAME.PID.XXXXXX", NAME cut short where the whole
// would be longer than a file name may be.
std::string partialPrefix(const std::string& path)
{
    const std::string dir = folderOf(path);
    return "." + path.substr(dir.size(), 200) + ".";
}

// A temporary file of an earlier render whose writer is gone was left by a render that was
// killed, and goes.
void removeStalePartials(const std::string& path)
{
    const std::string dir = folderOf(path);
    const std::string prefix = partialPrefix(path);
    DIR* d = opendir(dir.empty() ? "." : dir.c_str());
    if (!d)
        return;
    while (const dirent* e = readdir(d)) {
        const std::string name = e->d_name;
        if (name.compare(0, prefix.size(), prefix) != 0)
            continue;
        const std::string rest = name.substr(prefix.size());
        char* end = nullptr;
        const long pid = std::strtol(rest.c_str(), &end, 10);
        const size_t digits = size_t(end - rest.c_str());
        if (digits == 0 || !std::isdigit(static_cast<unsigned char>(rest[0])) || pid <= 0 ||
            rest.size() != digits + 7 || rest[digits] != '.')
            continue;
        if (kill(pid_t(pid), 0) != 0 && errno == ESRCH)
            unlink((dir + name).c_str());
    }
    closedir(d);
}

// A new file beside path: ".NAME.PID.XXXXXX", created exclusively, with the permissions a
// new file gets. -1 with errno set when it cannot be made.
int createPartial(const std::string& path, std::string& partial)
{
    std::string name = folderOf(path) + partialPrefix(path) + std::to_string(getpid()) + ".XXXXXX";
    const int fd = mkstemp(&name[0]);
    if (fd < 0)
        return -1;
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    partial = name;
    return fd;
}

// The header of a stereo 16-bit WAV whose length is not known: both sizes at their
// largest, as streaming writers give them; readers take the data to the stream's end.
bool writeOpenWavHeader(int fd, uint32_t sampleRate)
{
    uint8_t h[44];
    const auto le = [&h](size_t at, uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            h[at + size_t(i)] = uint8_t(v >> (8 * i));
    };
    std::memcpy(h, "RIFF", 4);
    le(4, 0xFFFFFFFFu, 4);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    le(16, 16, 4);
    le(20, 1, 2); // PCM
    le(22, 2, 2);
    le(24, sampleRate, 4);
    le(28, sampleRate * 4, 4);
    le(32, 4, 2);
    le(34, 16, 2);
    std::memcpy(h + 36, "data", 4);
    le(40, 0xFFFFFFFFu, 4);
    for (size_t done = 0; done < sizeof h;) {
        const ssize_t n = ::write(fd, h + done, sizeof h - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += size_t(n);
    }
    return true;
}

} // namespace

bool soundFileCanBeMade(const std::string& path, std::string& error)
{
    if (path == "-")
        return true;
    std::string target;
    struct stat st;
    int problem = 0;
    if (!followLinks(path, target))
        problem = errno;
    else if (stat(target.c_str(), &st) != 0)
        problem = errno == ENOENT ? 0 : errno; // a name too long, a file where a folder should be
    else if (!S_ISREG(st.st_mode))
        problem = S_ISDIR(st.st_mode) ? EISDIR : access(target.c_str(), W_OK) != 0 ? errno : 0;
    if (!problem && (stat(target.c_str(), &st) != 0 || S_ISREG(st.st_mode))) {
        // A file is made beside it and renamed over it.
        const std::string folder = folderOf(target).empty() ? "." : folderOf(target);
        if (stat(folder.c_str(), &st) != 0)
            problem = errno;
        else if (!S_ISDIR(st.st_mode))
            problem = ENOTDIR;
        else if (access(folder.c_str(), W_OK | X_OK) != 0)
            problem = errno;
    }
    if (problem)
        error = "cannot create " + path + ": " + std::strerror(problem);
    return problem == 0;
}

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
    // "-" is standard output; a link is followed, so that the file it leads to is replaced
    // and the link stays; a device or a pipe cannot be renamed over: it is written as it is.
    const bool toStdout = path == "-";
    if (!toStdout && !followLinks(path, target_)) {
        error_ = "cannot create " + path + ": " + std::strerror(errno);
        return false;
    }
    struct stat st;
    const bool direct = toStdout || (stat(target_.c_str(), &st) == 0 && !S_ISREG(st.st_mode));
    if (direct && !toStdout && S_ISDIR(st.st_mode)) {
        error_ = "cannot create " + path + ": " + std::strerror(EISDIR);
        return false;
    }
    if (!direct)
        removeStalePartials(target_);
    int fd = toStdout ? dup(STDOUT_FILENO)
             : direct ? ::open(target_.c_str(), O_WRONLY | O_TRUNC)
                      : createPartial(target_, partial_);
    if (fd < 0) {
        error_ = "cannot create " + path + ": " + std::strerror(errno);
        return false;
    }
    // Where the header cannot be written at the end (a pipe), a WAV goes out with an open
    // length and its samples after it.
    stream_ = direct && lseek(fd, 0, SEEK_CUR) < 0;
    if (stream_ && format == SoundFormat::wav) {
        if (!writeOpenWavHeader(fd, sampleRate)) {
            error_ = "cannot write " + path + ": " + std::strerror(errno);
            ::close(fd);
            return false;
        }
        info.format = SF_FORMAT_RAW | SF_FORMAT_PCM_16 | SF_ENDIAN_LITTLE;
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
    if (format_ == SoundFormat::wav && !stream_ && (frames_ + count) * 4 > kMaxWavDataBytes) {
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
    if (!failed_ && !partial_.empty() && std::rename(partial_.c_str(), target_.c_str()) != 0)
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

bool soundFileCanBeMade(const std::string&, std::string&) { return true; }

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
