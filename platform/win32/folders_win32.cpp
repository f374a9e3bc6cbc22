// Folder enumeration on FindFirstFileW/FindNextFileW over "folder\*.*", the names given in
// the ANSI code page as the rest of the program takes them. Windows file systems ignore
// letter case, and CharUpperA gives the upper case of the ANSI code page.
#include "platform/folders.h"

#include <cstring>
#include <windows.h>

#include "platform/win32/ansi_path.h"

namespace {

constexpr char kPattern[] = "\\*.*";

void takeEntry(const WIN32_FIND_DATAW& data, FolderEntry& entry) {
    takeFolderEntryName(ansiCodePage(), data.cFileName, data.cAlternateFileName, entry);
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
        // The folder's path is the code page's own text: it converts back exactly.
        wchar_t widePattern[MAX_PATH];
        if (MultiByteToWideChar(CP_ACP, 0, pattern, -1, widePattern, MAX_PATH) <= 0) return nullptr;
        WIN32_FIND_DATAW data;
        HANDLE handle = FindFirstFileW(widePattern, &data);
        if (handle == INVALID_HANDLE_VALUE) return nullptr;
        takeEntry(data, entry);
        return handle;
    }

    bool next(void* handle, FolderEntry& entry) override {
        WIN32_FIND_DATAW data;
        if (!FindNextFileW(static_cast<HANDLE>(handle), &data)) return false;
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
