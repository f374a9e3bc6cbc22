#include "platform/posix/sound_file.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

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

// libsndfile's codes, spelt out so that a build without it still knows the names.
constexpr int32_t kWav = 0x010000, kAiff = 0x020000, kAu = 0x030000, kWavex = 0x130000, kFlac = 0x170000;
constexpr int32_t kOgg = 0x200000, kMpeg = 0x230000;
constexpr int32_t kPcm16 = 0x0002, kPcm24 = 0x0003, kFloat = 0x0006, kVorbis = 0x0060, kOpus = 0x0064;
constexpr int32_t kMp3 = 0x0082;
constexpr int32_t kContainerMask = 0x0FFF0000, kEncodingMask = 0x0000FFFF;
#ifdef ORVANEL_HAVE_SNDFILE
static_assert(kWav == SF_FORMAT_WAV && kAiff == SF_FORMAT_AIFF && kAu == SF_FORMAT_AU && kWavex == SF_FORMAT_WAVEX &&
                  kFlac == SF_FORMAT_FLAC && kOgg == SF_FORMAT_OGG && kMpeg == SF_FORMAT_MPEG,
              "libsndfile's containers");
static_assert(kPcm16 == SF_FORMAT_PCM_16 && kPcm24 == SF_FORMAT_PCM_24 && kFloat == SF_FORMAT_FLOAT &&
                  kVorbis == SF_FORMAT_VORBIS && kOpus == SF_FORMAT_OPUS && kMp3 == SF_FORMAT_MPEG_LAYER_III,
              "libsndfile's encodings");
#endif

struct FormatName {
    std::string name;  // lower case, no dot
    SoundFormat format;
};

SoundFormat formatOf(int32_t code, const std::string& extension)
{
    SoundFormat f;
    f.code = code;
    std::snprintf(f.extension, sizeof f.extension, ".%s", extension.c_str());
    return f;
}

#ifdef ORVANEL_HAVE_SNDFILE

// The encoding a container is written in by default: 16-bit when it has that for stereo,
// else the first the library lists that it has; 0 when it has none.
int32_t defaultEncoding(int32_t container)
{
    SF_INFO info = {};
    info.samplerate = 44100;
    info.channels = 2;
    info.format = container | kPcm16;
    if (sf_format_check(&info))
        return kPcm16;
    int count = 0;
    sf_command(nullptr, SFC_GET_FORMAT_SUBTYPE_COUNT, &count, sizeof count);
    for (int i = 0; i < count; ++i) {
        SF_FORMAT_INFO sub = {};
        sub.format = i;
        sf_command(nullptr, SFC_GET_FORMAT_SUBTYPE, &sub, sizeof sub);
        info.format = container | sub.format;
        if (sf_format_check(&info))
            return sub.format;
    }
    return 0;
}

#endif

// The names: ours first (they win a clash), then every container the library has.
const std::vector<FormatName>& formatNames()
{
    static const std::vector<FormatName> names = [] {
        std::vector<FormatName> n = {
            {"wav", formatOf(kWav | kPcm16, "wav")},      {"flac", formatOf(kFlac | kPcm16, "flac")},
            {"ogg", formatOf(kOgg | kVorbis, "ogg")},     {"oga", formatOf(kOgg | kVorbis, "ogg")},
            {"mp3", formatOf(kMpeg | kMp3, "mp3")},       {"opus", formatOf(kOgg | kOpus, "opus")},
        };
#ifdef ORVANEL_HAVE_SNDFILE
        int count = 0;
        sf_command(nullptr, SFC_GET_FORMAT_MAJOR_COUNT, &count, sizeof count);
        for (int i = 0; i < count; ++i) {
            SF_FORMAT_INFO major = {};
            major.format = i;
            if (sf_command(nullptr, SFC_GET_FORMAT_MAJOR, &major, sizeof major) != 0 || !major.extension)
                continue;
            std::string ext = major.extension;
            // SD2 keeps its resource fork in a second file: libsndfile writes it only by name.
            bool known = ext.empty() || ext.size() > 6 || major.format == SF_FORMAT_SD2;
            for (const FormatName& f : n)
                known = known || f.name == ext || (f.format.code & kContainerMask) == major.format;
            const int32_t encoding = known ? 0 : defaultEncoding(major.format);
            SoundFormat format = formatOf(major.format | encoding, ext);
            std::string unused;
            if (encoding && prepareSoundFormat(format, SampleFormat::s16, 44100, unused))
                n.push_back({ext, format});
        }
#endif
        return n;
    }();
    return names;
}

} // namespace

const SoundFormat SoundFormat::wav = formatOf(kWav | kPcm16, "wav");
const SoundFormat SoundFormat::flac = formatOf(kFlac | kPcm16, "flac");
const SoundFormat SoundFormat::ogg = formatOf(kOgg | kVorbis, "ogg");

bool SoundFormat::operator==(const SoundFormat& o) const
{
    return code == o.code && std::strcmp(extension, o.extension) == 0;
}

bool sampleFormatNamed(const std::string& name, SampleFormat& samples)
{
    const char* const names[] = {"s16", "s24", "f32"};
    for (int i = 0; i < 3; ++i)
        if (name == names[i]) {
            samples = SampleFormat(i);
            return true;
        }
    return false;
}

bool soundFormatNamed(const std::string& name, SoundFormat& format)
{
    std::string lower = name;
    for (char& c : lower)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    for (const FormatName& f : formatNames())
        if (f.name == lower) {
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

const char* soundFormatExtension(const SoundFormat& format) { return format.extension; }

std::string soundFormatNames()
{
    std::string text;
    for (const FormatName& f : formatNames())
        text += (text.empty() ? "" : " ") + f.name;
    return text;
}

uint32_t soundFormatRate(const SoundFormat& format, uint32_t asked)
{
    // Opus has 48 kHz and a few lower rates, not 44.1 kHz: its own rate keeps it exact.
    return format.code == (kOgg | kOpus) ? 48000 : asked;
}

#ifdef ORVANEL_HAVE_SNDFILE

namespace {

// The RIFF size field counts everything after itself; it must stay below 4 GiB, as must
// the 32-bit sizes of AIFF and AU.
constexpr uint64_t kMaxWavDataBytes = 0xFFFFFFFFull - 36;

// A file that takes what is written and keeps nothing: where a format is tried.
struct NullSink {
    sf_count_t at = 0, length = 0;
};

sf_count_t sinkLength(void* user) { return static_cast<NullSink*>(user)->length; }
sf_count_t sinkSeek(sf_count_t offset, int whence, void* user)
{
    NullSink& s = *static_cast<NullSink*>(user);
    s.at = (whence == SEEK_SET ? 0 : whence == SEEK_CUR ? s.at : s.length) + offset;
    return s.at;
}
sf_count_t sinkRead(void*, sf_count_t, void*) { return 0; }
sf_count_t sinkWrite(const void*, sf_count_t count, void* user)
{
    NullSink& s = *static_cast<NullSink*>(user);
    s.at += count;
    if (s.at > s.length)
        s.length = s.at;
    return count;
}
sf_count_t sinkTell(void* user) { return static_cast<NullSink*>(user)->at; }

// libsndfile's last words without its "Error : ".
std::string sndfileReason()
{
    std::string reason = sf_strerror(nullptr);
    if (reason.compare(0, 8, "Error : ") == 0)
        reason.erase(0, 8);
    return reason;
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
bool writeOpenWavHeader(int fd, uint32_t sampleRate, int32_t encoding)
{
    const uint32_t sampleBytes = encoding == kFloat ? 4 : encoding == kPcm24 ? 3 : 2;
    uint8_t h[44];
    const auto le = [&h](size_t at, uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            h[at + size_t(i)] = uint8_t(v >> (8 * i));
    };
    std::memcpy(h, "RIFF", 4);
    le(4, 0xFFFFFFFFu, 4);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    le(16, 16, 4);
    le(20, encoding == kFloat ? 3 : 1, 2); // IEEE float or PCM
    le(22, 2, 2);
    le(24, sampleRate, 4);
    le(28, sampleRate * 2 * sampleBytes, 4);
    le(32, 2 * sampleBytes, 2);
    le(34, 8 * sampleBytes, 2);
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

bool prepareSoundFormat(SoundFormat& format, SampleFormat samples, uint32_t rate, std::string& error)
{
    const int32_t container = format.code & kContainerMask;
    const char* name = format.extension + 1;
    if (samples != SampleFormat::s16) {
        if ((format.code & kEncodingMask) != kPcm16) {
            error = std::string("--sample-format is for PCM files (wav, flac ...): ") + name + " has its own encoding";
            return false;
        }
        format.code = container | (samples == SampleFormat::s24 ? kPcm24 : kFloat);
    }
    SF_INFO info = {};
    info.samplerate = int(rate);
    info.channels = 2;
    info.format = format.code;
    const char* const sampleNames[] = {"16-bit", "24-bit", "32-bit float"};
    if ((format.code & kEncodingMask) == 0 || !sf_format_check(&info)) {
        error = std::string("libsndfile cannot write ") + name + " files with " + sampleNames[int(samples)] +
                " stereo samples at " + std::to_string(rate) + " Hz";
        return false;
    }
    // The check above knows little of rates and codecs: opening a file is what tells.
    NullSink sink;
    SF_VIRTUAL_IO io = {sinkLength, sinkSeek, sinkRead, sinkWrite, sinkTell};
    SNDFILE* trial = sf_open_virtual(&io, SFM_WRITE, &info, &sink);
    if (!trial) {
        error = std::string("cannot write ") + name + " files at " + std::to_string(rate) + " Hz: " + sndfileReason();
        return false;
    }
    sf_close(trial);
    return true;
}


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

bool SoundFile::open(const std::string& path, const SoundFormat& format, uint32_t sampleRate)
{
    discard();
    path_ = path;
    format_ = format;
    frames_ = 0;
    clipped_ = 0;
    failed_ = false;
    error_.clear();
    SF_INFO info = {};
    info.samplerate = int(sampleRate);
    info.channels = 2;
    info.format = format.code;
    const int32_t container = format.code & kContainerMask, encoding = format.code & kEncodingMask;
    const bool sized32 = container == kWav || container == kWavex || container == kAiff || container == kAu;
    const uint64_t frameBytes = encoding == kFloat ? 8 : encoding == kPcm24 ? 6 : 4;
    maxFrames_ = sized32 ? kMaxWavDataBytes / frameBytes : 0;
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
    if (stream_ && container == kWav) {
        if (!writeOpenWavHeader(fd, sampleRate, encoding)) {
            error_ = "cannot write " + path + ": " + std::strerror(errno);
            ::close(fd);
            return false;
        }
        info.format = SF_FORMAT_RAW | encoding | SF_ENDIAN_LITTLE;
    }
    file_ = sf_open_fd(fd, SFM_WRITE, &info, SF_TRUE);
    if (!file_) {
        error_ = "cannot create " + path + ": " + sndfileReason();
        ::close(fd);
        if (!partial_.empty())
            unlink(partial_.c_str());
        partial_.clear();
        return false;
    }
    // Full scale is 1.0 for every encoding libsndfile converts floats into.
    sf_command(file_, SFC_SET_NORM_FLOAT, nullptr, SF_TRUE);
    return true;
}

void SoundFile::fail(const std::string& what)
{
    if (failed_)
        return; // the first cause is the one worth telling
    failed_ = true;
    error_ = what;
}

bool SoundFile::write(const float* frames, uint32_t count)
{
    if (!file_ || failed_)
        return false;
    if (maxFrames_ && !stream_ && frames_ + count > maxFrames_) {
        fail(path_ + " reached the " + (format_.extension + 1) +
             " size limit of 4 GiB; the rest of the song is not in it");
        return false;
    }
    const int32_t encoding = format_.code & kEncodingMask;
    for (uint32_t done = 0; done < count;) {
        const uint32_t n = count - done < kChunk ? count - done : kChunk;
        const float* in = frames + size_t(done) * 2;
        sf_count_t written = 0;
        uint64_t clipped = 0;
        if (encoding == kPcm16) {
            // Plain rounding, no dither: FluidSynth's own 16-bit output dithers from a table
            // filled by rand(), so its bytes would change with any srand() in the process.
            for (uint32_t i = 0; i < n * 2; ++i) {
                float v = in[i] * 32767.0f;
                if (!(v == v))
                    v = 0.0f;
                const bool over = v > 32767.0f || v < -32768.0f;
                clipped += over;
                if (over)
                    v = v > 0 ? 32767.0f : -32768.0f;
                converted_.s16[i] = int16_t(std::lrintf(v));
            }
            written = sf_writef_short(file_, converted_.s16, n);
        } else if (encoding == kPcm24) {
            // libsndfile keeps the top 24 bits of each int.
            for (uint32_t i = 0; i < n * 2; ++i) {
                double v = double(in[i]) * 8388607.0;
                if (!(v == v))
                    v = 0.0;
                const bool over = v > 8388607.0 || v < -8388608.0;
                clipped += over;
                if (over)
                    v = v > 0 ? 8388607.0 : -8388608.0;
                converted_.s32[i] = int32_t(std::lrint(v)) * 256;
            }
            written = sf_writef_int(file_, converted_.s32, n);
        } else {
            // Floats too are held to full scale: a player would clip them, an encoder distort.
            for (uint32_t i = 0; i < n * 2; ++i) {
                float v = in[i];
                if (!(v == v))
                    v = 0.0f;
                const bool over = v > 1.0f || v < -1.0f;
                clipped += over;
                converted_.f32[i] = over ? (v > 0 ? 1.0f : -1.0f) : v;
            }
            written = sf_writef_float(file_, converted_.f32, n);
        }
        if (written != sf_count_t(n)) {
            fail("writing " + path_ + " failed: " + sf_strerror(file_));
            return false;
        }
        clipped_ += clipped;
        frames_ += n;
        done += n;
    }
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

bool prepareSoundFormat(SoundFormat&, SampleFormat, uint32_t, std::string& error)
{
    error = "this build has no libsndfile to write audio files";
    return false;
}

bool soundFileCanBeMade(const std::string&, std::string&) { return true; }

bool SoundFile::open(const std::string& path, const SoundFormat&, uint32_t)
{
    path_ = path;
    error_ = "this build has no libsndfile to write " + path;
    return false;
}

bool SoundFile::write(const float*, uint32_t) { return false; }
bool SoundFile::finish() { return false; }
void SoundFile::discard() {}
void SoundFile::fail(const std::string& what) { error_ = what; }
void SoundFile::closeFile() {}

#endif // ORVANEL_HAVE_SNDFILE
