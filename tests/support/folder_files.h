#pragma once
// Test support for code that uses the temporary directory: a fresh folder of the test's
// own, and a FileSystem that reports it (or any other path) as the temporary directory
// and logs the files it touches.
#include <cstddef>

#include "platform/files.h"

struct TestFolder {
    char path[160] = {};  // ends in the path separator
    char separator = '/';
};

// Makes a new folder "<temp><prefix><n>" for the smallest free n.
bool makeTestFolder(FileSystem& fs, const char* prefix, TestFolder& folder);
// "<folder><name>" into out; false when it does not fit.
bool pathIn(const char* folder, const char* name, char* out, size_t size);
// Removes the settings files and a.txt and b.txt from folder, then the folder itself.
// Sibling files of interrupted writes are deliberately not removed, so a stray one makes
// this fail.
bool removeTestFolder(FileSystem& fs, const char* folder);

class FolderFiles final : public FileSystem {
public:
    explicit FolderFiles(FileSystem& real) : real_(real) {}

    // Reported by tempDirectory in turn; the last one repeats.
    const char* tempDirs[3] = {};
    int tempDirCount = 0;
    int tempQueries = 0;
    // Reported by currentDirectory when set; otherwise the real one.
    const char* currentDir = nullptr;
    // "r name" / "w name" / "e name" for each read, write and existence test, in order.
    char log[512] = {};

    size_t tempDirectory(char* buffer, size_t size) override;
    size_t currentDirectory(char* buffer, size_t size) override;
    bool readFile(const char* path, void* buffer, size_t capacity, size_t* count,
                  bool createIfAbsent) override;
    bool fileExists(const char* path) override;
    bool writeFile(const char* path, const void* bytes, size_t count) override;
    bool makeFolder(const char* path) override { return real_.makeFolder(path); }
    bool removeFile(const char* path) override { return real_.removeFile(path); }
    bool removeFolder(const char* path) override { return real_.removeFolder(path); }

private:
    void note(char op, const char* path);
    FileSystem& real_;
};
