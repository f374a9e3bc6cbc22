#pragma once
// The few file operations the settings files need. kernel32 on Windows, POSIX calls
// natively; tests wrap the platform's instance to point the temporary directory at a
// folder of their own.
#include <cstddef>

class FileSystem {
public:
    virtual ~FileSystem() = default;

    // The temporary directory as the system reports it, ending in the path separator.
    // Returns the path's length without its zero byte, or 0 when the system reports none.
    // The path and its zero byte are copied only when the length is below size; otherwise
    // the buffer is left untouched, so a caller can tell "too long" from "copied".
    virtual size_t tempDirectory(char* buffer, size_t size) = 0;
    // The current directory, same contract; no trailing separator except at a root.
    virtual size_t currentDirectory(char* buffer, size_t size) = 0;

    // Reads up to capacity bytes from the start of the file. With createIfAbsent an
    // absent file is created empty (archive attribute on Windows). The file is opened
    // without sharing. *count receives the bytes read, also when reading fails part way;
    // false when the file cannot be opened or read.
    virtual bool readFile(const char* path, void* buffer, size_t capacity, size_t* count,
                          bool createIfAbsent) = 0;
    // True for an existing file; false for a folder or nothing.
    virtual bool fileExists(const char* path) = 0;
    // Replaces the file with exactly count bytes, all or nothing: the bytes go to the
    // sibling path + kSiblingSuffix, are flushed to disk, and only then renamed over the
    // target. A crash or a full disk therefore never leaves a half-written file where a
    // good one stood; on failure the old file stays as it was and the sibling is removed.
    virtual bool writeFile(const char* path, const void* bytes, size_t count) = 0;

    // Folder housekeeping, used by tests to get a folder of their own.
    virtual bool makeFolder(const char* path) = 0;   // false if it already exists
    virtual bool removeFile(const char* path) = 0;
    virtual bool removeFolder(const char* path) = 0; // only an empty folder
};

// Appended to a file's path to name the sibling that writeFile fills first. A sibling
// left behind by a crash is simply overwritten by the next write.
constexpr char kSiblingSuffix[] = ".new";

// The platform's file system; stateless, lives for the whole run.
FileSystem& platformFileSystem();
