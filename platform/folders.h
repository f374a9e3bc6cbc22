#pragma once
// Folder enumeration for the folder search: FindFirstFileW/FindNextFileW on Windows,
// opendir/readdir on Linux. One handle per folder being listed.
#include <cstddef>
#include <cstdint>

constexpr uint32_t kFolderAttribute = 0x10;  // the folder bit of the attributes
constexpr size_t kFolderNameSize = 256;       // 255 bytes and the zero byte

struct FolderEntry {
    char name[kFolderNameSize];
    uint32_t attributes;
    // The name did not fit (or the platform cannot give it in the program's code page):
    // name holds nothing usable and the entry is to be passed over.
    bool nameTooLong;
    // Set by first when the folder cannot be listed: the system's error number, or 0
    // when it has no entries or the platform does not tell.
    int listError = 0;
};

class FolderEnumerator {
public:
    virtual ~FolderEnumerator() = default;
    // The separator the platform joins path parts with: '\\' on Windows, '/' on Linux.
    virtual char separator() const = 0;
    // Whether names differ by letter case on this platform's file systems. Where they do,
    // listed paths keep their own case, for opening and showing, and are upper-cased only
    // to be matched.
    virtual bool caseSensitive() const = 0;
    // Upper-cases a path in place for matching (and, where case does not matter, for
    // keeping) as the platform does: the ANSI code page's letters on Windows, a-z
    // elsewhere; never the second byte of a double-byte character.
    virtual void upperCase(char* path) const = 0;
    // Starts listing folder (no trailing separator; a drive root arrives as "C:") and
    // gives its first entry. Null when the folder cannot be listed.
    virtual void* first(const char* folder, FolderEntry& entry) = 0;
    // The next entry of the listing; false at its end.
    virtual bool next(void* handle, FolderEntry& entry) = 0;
    virtual void close(void* handle) = 0;
};

// The platform's enumeration; stateless, lives for the whole run.
FolderEnumerator& platformFolders();
