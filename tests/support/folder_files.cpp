#include "tests/support/folder_files.h"

#include <cstdio>
#include <cstring>

namespace {

size_t report(const char* text, char* buffer, size_t size) {
    size_t length = std::strlen(text);
    if (length < size) std::memcpy(buffer, text, length + 1);
    return length;
}

const char* baseName(const char* path) {
    const char* base = path;
    for (const char* p = path; *p; ++p)
        if (*p == '/' || *p == '\\') base = p + 1;
    return base;
}

}  // namespace

bool makeTestFolder(FileSystem& fs, const char* prefix, TestFolder& folder) {
    char base[100];
    size_t length = fs.tempDirectory(base, sizeof base);
    if (length == 0 || length >= sizeof base) return false;
    folder.separator = base[length - 1];
    for (int n = 0; n < 1000; ++n) {
        int written = std::snprintf(folder.path, sizeof folder.path, "%s%s%d", base, prefix, n);
        if (written < 0 || static_cast<size_t>(written) + 2 > sizeof folder.path) return false;
        if (fs.makeFolder(folder.path)) {
            folder.path[written] = folder.separator;
            folder.path[written + 1] = '\0';
            return true;
        }
    }
    return false;
}

bool pathIn(const char* folder, const char* name, char* out, size_t size) {
    int written = std::snprintf(out, size, "%s%s", folder, name);
    return written >= 0 && static_cast<size_t>(written) < size;
}

bool removeTestFolder(FileSystem& fs, const char* folder) {
    static const char* const names[] = {"helpdir.txt", "history.txt", "switch.txt",
                                        "kivopath.txt", "kivo.txt",   "a.txt", "b.txt"};
    char path[200];
    for (const char* name : names)
        if (pathIn(folder, name, path, sizeof path) && fs.fileExists(path)) fs.removeFile(path);
    if (!pathIn(folder, "", path, sizeof path)) return false;
    path[std::strlen(path) - 1] = '\0';  // without the trailing separator
    return fs.removeFolder(path);
}

size_t FolderFiles::tempDirectory(char* buffer, size_t size) {
    int index = tempQueries < tempDirCount ? tempQueries : tempDirCount - 1;
    ++tempQueries;
    if (index < 0 || tempDirs[index] == nullptr) return 0;
    return report(tempDirs[index], buffer, size);
}

size_t FolderFiles::currentDirectory(char* buffer, size_t size) {
    if (currentDir != nullptr) return report(currentDir, buffer, size);
    return real_.currentDirectory(buffer, size);
}

bool FolderFiles::readFile(const char* path, void* buffer, size_t capacity, size_t* count,
                           bool createIfAbsent) {
    note('r', path);
    return real_.readFile(path, buffer, capacity, count, createIfAbsent);
}

bool FolderFiles::fileExists(const char* path) {
    note('e', path);
    return real_.fileExists(path);
}

bool FolderFiles::writeFile(const char* path, const void* bytes, size_t count) {
    note('w', path);
    return real_.writeFile(path, bytes, count);
}

void FolderFiles::note(char op, const char* path) {
    size_t used = std::strlen(log);
    std::snprintf(log + used, sizeof log - used, "%s%c %s", used ? " " : "", op, baseName(path));
}
