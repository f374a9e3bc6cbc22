#include "cli/inputs.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>

#include "autoplay/folder_walker.h"
#include "autoplay/play_list.h"
#include "cli/checks.h"

namespace {

// How long a pipe named on the command line may stay without a writer.
constexpr int kPipeWriterWaitMs = 2000;


// A play list is a small text; a "list" larger than this is something else.
constexpr size_t kPlayListMax = 16u << 20;

std::string systemText(int error) { return std::generic_category().message(error); }

std::string lower(std::string text) {
    for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool endsWith(const std::string& text, const char* end) {
    const size_t n = std::strlen(end);
    return text.size() >= n && text.compare(text.size() - n, n, end) == 0;
}

// Reads fd to its end, at most limit bytes. False with errno's reason, or with tooLarge
// set when there is more.
bool readAll(int fd, size_t limit, std::vector<uint8_t>& out, bool& tooLarge, int& error) {
    out.clear();
    tooLarge = false;
    uint8_t chunk[65536];
    for (;;) {
        const ssize_t got = read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            error = errno;
            return false;
        }
        if (got == 0) return true;
        if (out.size() + size_t(got) > limit) {
            tooLarge = true;
            return false;
        }
        out.insert(out.end(), chunk, chunk + got);
    }
}

// Reports each folder a walk cannot list, and whether the walk's root was one.
// Songs the walk passes over are told as the check tells them; a folder that cannot be
// listed fails the run too.
class UnlistedFolders : public WalkReporter {
public:
    UnlistedFolders(const std::string& root, bool& failed) : WalkReporter(nullptr), root_(root), failed_(failed) {}
    void folderNotListed(const char* folder, int error) override {
        reportFailure(nullptr, folder, systemText(error));
        failed_ = true;
        rootUnlisted = rootUnlisted || root_ == folder;
    }
    bool rootUnlisted = false;

private:
    const std::string& root_;
    bool& failed_;
};

struct Expander {
    const InputSources& from;
    MemorySongs& memory;
    Inputs& in;

    void fail(const std::string& what, const std::string& reason) {
        reportFailure(nullptr, what, reason);
        in.failed = true;
    }

    // Reads a stream (standard input, a pipe) into memory under name.
    void readStream(const std::string& name, int fd) {
        if (!memory.holds(name)) {
            std::vector<uint8_t> bytes;
            bool tooLarge = false;
            int error = 0;
            if (!readAll(fd, from.streamLimit, bytes, tooLarge, error)) {
                fail(name, tooLarge ? "too large for a MIDI file (more than " + std::to_string(from.streamLimit) +
                                          " bytes)"
                                    : systemText(error));
                return;
            }
            memory.add(name, std::move(bytes));
        }
        in.songs.push_back(name);
    }

    void standardInput() {
        // A song is never typed: waiting for one on a terminal would only hang.
        if (isatty(from.standardInput)) return fail("-", "standard input is a terminal, not a song");
        readStream("-", from.standardInput);
    }

    void pipe(const std::string& path) {
        if (memory.holds(path)) return in.songs.push_back(path);
        // Opened without waiting for a writer: a named pipe nobody writes to would otherwise
        // hold the program in open() for good. A writer has a while to come.
        const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) return fail(path, systemText(errno));
        pollfd ready = {fd, POLLIN, 0};
        int polled;
        do polled = poll(&ready, 1, kPipeWriterWaitMs);
        while (polled < 0 && errno == EINTR);
        if (polled == 0) {
            close(fd);
            return fail(path, "nothing was written to the pipe within " + std::to_string(kPipeWriterWaitMs / 1000) + " s");
        }
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        readStream(path, fd);
        close(fd);
    }

    void folder(const std::string& word) {
        const std::string root = folderRoot(word);
        UnlistedFolders unlisted(root, in.failed);
        FolderWalker w;
        w.folders = &platformFolders();
        w.listener = &unlisted;
        walkerReset(w, root.c_str());
        char path[kEntryPathSize], upper[kEntryPathSize];
        uint32_t attributes = 0;
        size_t found = 0;
        while (walkerNext(w, path, attributes)) {
            std::memcpy(upper, path, sizeof upper);
            platformFolders().upperCase(upper);
            if (!isSongOrKaraokeName(upper)) continue;
            in.songs.push_back(path);
            ++found;
        }
        walkerClose(w);
        if (!found && !unlisted.rootUnlisted) fail(root, "no songs found");
    }

    void playList(const std::string& path, int depth) {
        if (depth >= kPlayListDepth)
            return fail(path, "play lists nested more than " + std::to_string(kPlayListDepth) + " deep");
        const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return fail(path, systemText(errno));
        std::vector<uint8_t> bytes;
        bool tooLarge = false;
        int error = 0;
        const bool read = readAll(fd, kPlayListMax, bytes, tooLarge, error);
        close(fd);
        if (!read) return fail(path, tooLarge ? "too large for a play list" : systemText(error));
        const size_t slash = path.rfind('/');
        std::vector<std::pair<int, std::string>> refused;
        const std::vector<std::string> entries = playListEntries(std::string(bytes.begin(), bytes.end()),
                                                                 slash == std::string::npos ? "" : path.substr(0, slash + 1),
                                                                 refused);
        for (const auto& r : refused)
            fail(path + ":" + std::to_string(r.first), r.second + ": a URL; only files are played");
        for (const std::string& entry : entries) word(entry, depth + 1, false);
        if (entries.empty() && refused.empty()) fail(path, "no songs in the play list");
    }

    // One word of the command line (fromCommandLine) or one entry of a play list.
    void word(const std::string& w, int depth, bool fromCommandLine) {
        if (fromCommandLine && w == "-") return standardInput();
        struct stat st;
        const bool exists = stat(w.c_str(), &st) == 0;
        if (exists && S_ISDIR(st.st_mode)) {
            if (from.expandFolders) return folder(w);
            return in.songs.push_back(w);
        }
        // A pipe named in a list may have no writer and would block for good; one named on
        // the command line is the user's own (`<(...)`, a FIFO fed by another program).
        if (exists && S_ISFIFO(st.st_mode) && fromCommandLine) return pipe(w);
        if (exists && S_ISREG(st.st_mode) && isPlayListName(w)) return playList(w, depth);
        // Anything else is a song; the loader tells why one cannot be played.
        in.songs.push_back(w);
    }
};

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// "file:///a/b%20c.mid" -> "/a/b c.mid"; false when it is no local file's URL.
bool fileUrlPath(const std::string& url, std::string& path) {
    const char* prefixes[] = {"file://localhost/", "file:///"};
    for (const char* prefix : prefixes) {
        const size_t n = std::strlen(prefix);
        if (lower(url.substr(0, n)) != prefix) continue;
        path = "/";
        for (size_t i = n; i < url.size(); ++i) {
            int high = -1, low = -1;
            if (url[i] == '%' && i + 2 < url.size() && (high = hexDigit(url[i + 1])) >= 0 &&
                (low = hexDigit(url[i + 2])) >= 0) {
                path += char(high * 16 + low);
                i += 2;
            } else {
                path += url[i];
            }
        }
        return true;
    }
    return false;
}

// "scheme://..." (a letter, then letters, digits, '+', '-' or '.').
bool isUrl(const std::string& text) {
    const size_t colon = text.find("://");
    if (colon == std::string::npos || colon == 0 || !std::isalpha(static_cast<unsigned char>(text[0]))) return false;
    for (size_t i = 1; i < colon; ++i) {
        const char c = text[i];
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.') return false;
    }
    return true;
}

}  // namespace

bool MemorySongs::find(const char* path, const uint8_t*& bytes, size_t& size) const {
    for (const auto& song : songs_)
        if (song.first == path) {
            bytes = song.second.data();
            size = song.second.size();
            return true;
        }
    return false;
}

bool MemorySongs::holds(const std::string& name) const {
    const uint8_t* bytes = nullptr;
    size_t size = 0;
    return find(name.c_str(), bytes, size);
}

void MemorySongs::add(const std::string& name, std::vector<uint8_t> bytes) { songs_.emplace_back(name, std::move(bytes)); }

bool isPlayListName(const std::string& name) {
    const std::string l = lower(name);
    return endsWith(l, ".m3u") || endsWith(l, ".m3u8");
}

std::vector<std::string> playListEntries(const std::string& text, const std::string& listFolder,
                                         std::vector<std::pair<int, std::string>>& refused) {
    std::vector<std::string> entries;
    size_t at = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;  // a UTF-8 byte order mark
    for (int line = 1; at < text.size(); ++line) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string entry = text.substr(at, end - at);
        at = end + 1;
        // Lists written on Windows end their lines in CR LF; blanks around a path are no
        // part of it.
        while (!entry.empty() && std::isspace(static_cast<unsigned char>(entry.back()))) entry.pop_back();
        size_t first = 0;
        while (first < entry.size() && std::isspace(static_cast<unsigned char>(entry[first]))) ++first;
        entry.erase(0, first);
        if (entry.empty() || entry[0] == '#') continue;
        std::string path;
        if (fileUrlPath(entry, path)) {
            entries.push_back(path);
        } else if (isUrl(entry)) {
            refused.emplace_back(line, entry);
        } else {
            entries.push_back(entry[0] == '/' ? entry : listFolder + entry);
        }
    }
    return entries;
}

void shuffleSongs(std::vector<std::string>& songs, uint32_t seed) {
    shuffleLikeList(songs, seed);
}

void expandInputs(const std::vector<std::string>& words, const InputSources& from, MemorySongs& memory, Inputs& in) {
    in = Inputs();
    struct stat st;
    // One folder alone is a folder run: its search lists the songs while the first plays.
    if (from.expandFolders && words.size() == 1 && words[0] != "-" && stat(words[0].c_str(), &st) == 0 &&
        S_ISDIR(st.st_mode)) {
        in.songs = words;
        in.folderRun = true;
        return;
    }
    Expander e{from, memory, in};
    for (const std::string& w : words) e.word(w, 0, true);
}
