// Folder enumeration on FindFirstFileA/FindNextFileA over "folder\*.*". Windows file
// systems ignore letter case, and CharUpperA gives the upper case of the ANSI code page.
#include "platform/folders.h"

#include <cstring>
#include <windows.h>

namespace {

constexpr char kPattern[] = "\\*.*";

void takeEntry(const WIN32_FIND_DATAA& data, FolderEntry& entry) {
    // cFileName holds up to MAX_PATH - 1 bytes, more than a name slot takes.
    const size_t length = strnlen(data.cFileName, sizeof data.cFileName);
    entry.nameTooLong = length >= kFolderNameSize;
    if (entry.nameTooLong)
        entry.name[0] = '\0';
    else {
        std::memcpy(entry.name, data.cFileName, length);
        entry.name[length] = '\0';
    }
    entry.attributes = data.dwFileAttributes;
}

class Win32Folders final : public FolderEnumerator {
public:
    char separator() const override { return '\\'; }
    bool caseSensitive() const override { return false; }
    void upperCase(char* path) const override { CharUpperA(path); }

    void* first(const char* folder, FolderEntry& entry) override {
        char pattern[MAX_PATH];
        const size_t length = std::strlen(folder);
        // The pattern itself must be a path of at most 259 characters.
        if (length + sizeof kPattern > sizeof pattern) return nullptr;
        std::memcpy(pattern, folder, length);
        std::memcpy(pattern + length, kPattern, sizeof kPattern);
        WIN32_FIND_DATAA data;
        HANDLE handle = FindFirstFileA(pattern, &data);
        if (handle == INVALID_HANDLE_VALUE) return nullptr;
        takeEntry(data, entry);
        return handle;
    }

    bool next(void* handle, FolderEntry& entry) override {
        WIN32_FIND_DATAA data;
        if (!FindNextFileA(static_cast<HANDLE>(handle), &data)) return false;
        takeEntry(data, entry);
        return true;
    }

    void close(void* handle) override {
        if (handle != nullptr) FindClose(static_cast<HANDLE>(handle));
    }
};

}  // namespace

FolderEnumerator& platformFolders() {
    static Win32Folders folders;
    return folders;
}
