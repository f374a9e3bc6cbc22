// Folder enumeration on opendir/readdir. Names are given as the file system stores them
// (letter case kept); "." and ".." come back as on Windows and the walker passes them over.
#include "platform/folders.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include "platform/shift_jis.h"

namespace {

bool isFolder(DIR* dir, const dirent* d) {
    if (d->d_type == DT_DIR) return true;
    if (d->d_type != DT_UNKNOWN) return false;  // links included: a linked folder is not walked
    // Some file systems leave the type to a stat of its own; lstat, so links stay links.
    struct stat st;
    return ::fstatat(::dirfd(dir), d->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
}

bool readEntry(DIR* dir, FolderEntry& entry) {
    const dirent* d = ::readdir(dir);
    if (d == nullptr) return false;
    const size_t length = std::strlen(d->d_name);
    entry.nameTooLong = length >= kFolderNameSize;
    if (entry.nameTooLong)
        entry.name[0] = '\0';
    else
        std::memcpy(entry.name, d->d_name, length + 1);
    entry.attributes = isFolder(dir, d) ? kFolderAttribute : 0;
    return true;
}

class PosixFolders final : public FolderEnumerator {
public:
    char separator() const override { return '/'; }
    bool caseSensitive() const override { return true; }
    // Names are bytes here: the letters a-z as the core upper-cases them for its rows.
    void upperCase(char* path) const override { upperCaseAscii(path); }

    void* first(const char* folder, FolderEntry& entry) override {
        // The root's parts are joined with '/', so the root of the tree arrives empty.
        DIR* dir = ::opendir(folder[0] != '\0' ? folder : "/");
        entry.listError = dir == nullptr ? errno : 0;
        if (dir == nullptr) return nullptr;
        if (!readEntry(dir, entry)) {
            ::closedir(dir);
            return nullptr;
        }
        return dir;
    }

    bool next(void* handle, FolderEntry& entry) override {
        return readEntry(static_cast<DIR*>(handle), entry);
    }

    void close(void* handle) override {
        if (handle != nullptr) ::closedir(static_cast<DIR*>(handle));
    }
};

}  // namespace

FolderEnumerator& platformFolders() {
    static PosixFolders folders;
    return folders;
}
