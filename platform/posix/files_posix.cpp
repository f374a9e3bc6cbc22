// FileSystem on POSIX calls.
#include "platform/files.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Copies text and its zero byte only when it fits, as the interface promises.
size_t reportPath(const char* text, size_t length, char* buffer, size_t size) {
    if (length < size) {
        std::memcpy(buffer, text, length);
        buffer[length] = '\0';
    }
    return length;
}

bool writeAll(int fd, const unsigned char* bytes, size_t count) {
    while (count > 0) {
        ssize_t n = ::write(fd, bytes, count);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) return false;
        bytes += n;
        count -= static_cast<size_t>(n);
    }
    return true;
}

class PosixFileSystem final : public FileSystem {
public:
    size_t tempDirectory(char* buffer, size_t size) override {
        // TMPDIR plays the part of Windows' TMP/TEMP; /tmp when it is unset.
        const char* dir = std::getenv("TMPDIR");
        if (dir == nullptr || dir[0] == '\0') dir = "/tmp";
        char path[PATH_MAX + 2];
        size_t length = std::strlen(dir);
        if (length > PATH_MAX) return length + (dir[length - 1] != '/');
        std::memcpy(path, dir, length);
        if (path[length - 1] != '/') path[length++] = '/';
        return reportPath(path, length, buffer, size);
    }

    size_t currentDirectory(char* buffer, size_t size) override {
        char path[PATH_MAX + 1];
        if (::getcwd(path, sizeof path) == nullptr) return 0;
        return reportPath(path, std::strlen(path), buffer, size);
    }

    bool readFile(const char* path, void* buffer, size_t capacity, size_t* count,
                  bool createIfAbsent) override {
        *count = 0;
        int flags = O_RDONLY | O_CLOEXEC | (createIfAbsent ? O_CREAT : 0);
        int fd = ::open(path, flags, 0666);
        if (fd < 0) return false;
        bool ok = true;
        unsigned char* out = static_cast<unsigned char*>(buffer);
        while (*count < capacity) {
            ssize_t n = ::read(fd, out + *count, capacity - *count);
            if (n < 0) {
                if (errno == EINTR) continue;
                ok = false;
                break;
            }
            if (n == 0) break;
            *count += static_cast<size_t>(n);
        }
        ::close(fd);
        return ok;
    }

    bool fileExists(const char* path) override {
        struct stat st;
        return ::stat(path, &st) == 0 && S_ISREG(st.st_mode);
    }

    bool writeFile(const char* path, const void* bytes, size_t count) override {
        char sibling[PATH_MAX + 1];
        size_t length = std::strlen(path);
        if (length + sizeof kSiblingSuffix > sizeof sibling) return false;
        std::memcpy(sibling, path, length);
        std::memcpy(sibling + length, kSiblingSuffix, sizeof kSiblingSuffix);

        int fd = ::open(sibling, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (fd < 0) return false;
        bool ok = writeAll(fd, static_cast<const unsigned char*>(bytes), count);
        // The data must be on disk before the rename makes it the file.
        ok = ok && ::fsync(fd) == 0;
        ok = (::close(fd) == 0) && ok;
        ok = ok && ::rename(sibling, path) == 0;
        if (!ok) ::unlink(sibling);
        return ok;
    }

    bool makeFolder(const char* path) override { return ::mkdir(path, 0777) == 0; }
    bool removeFile(const char* path) override { return ::unlink(path) == 0; }
    bool removeFolder(const char* path) override { return ::rmdir(path) == 0; }
};

}  // namespace

FileSystem& platformFileSystem() {
    static PosixFileSystem files;
    return files;
}
