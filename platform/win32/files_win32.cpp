// FileSystem on kernel32. Every file is opened without sharing; files that are created
// get the archive attribute.
#include "platform/files.h"

#include <cstring>
#include <windows.h>

namespace {

// The API reports either the length copied or, when the buffer was too small, the
// size needed including the zero byte. A local MAX_PATH buffer takes any normal path;
// the caller's buffer gets it only when it fits.
size_t reportPath(const char* text, DWORD length, char* buffer, size_t size) {
    if (length < size) {
        std::memcpy(buffer, text, length);
        buffer[length] = '\0';
    }
    return length;
}

size_t lengthOf(DWORD result, DWORD localSize) {
    return result >= localSize ? result - 1 : result;  // needed size includes the zero
}

class Win32FileSystem final : public FileSystem {
public:
    size_t tempDirectory(char* buffer, size_t size) override {
        char path[MAX_PATH + 1];
        DWORD result = GetTempPathA(sizeof path, path);
        if (result == 0) return 0;
        if (result >= sizeof path) return lengthOf(result, sizeof path);
        return reportPath(path, result, buffer, size);
    }

    size_t currentDirectory(char* buffer, size_t size) override {
        char path[MAX_PATH + 1];
        DWORD result = GetCurrentDirectoryA(sizeof path, path);
        if (result == 0) return 0;
        if (result >= sizeof path) return lengthOf(result, sizeof path);
        return reportPath(path, result, buffer, size);
    }

    bool readFile(const char* path, void* buffer, size_t capacity, size_t* count,
                  bool createIfAbsent) override {
        *count = 0;
        HANDLE file = CreateFileA(path, GENERIC_READ, 0, nullptr,
                                  createIfAbsent ? OPEN_ALWAYS : OPEN_EXISTING,
                                  FILE_ATTRIBUTE_ARCHIVE, nullptr);
        if (file == INVALID_HANDLE_VALUE) return false;
        bool ok = true;
        char* out = static_cast<char*>(buffer);
        while (*count < capacity) {
            DWORD got = 0;
            if (!ReadFile(file, out + *count, static_cast<DWORD>(capacity - *count), &got,
                          nullptr)) {
                ok = false;
                break;
            }
            if (got == 0) break;
            *count += got;
        }
        CloseHandle(file);
        return ok;
    }

    bool fileExists(const char* path) override {
        DWORD attributes = GetFileAttributesA(path);
        return attributes != INVALID_FILE_ATTRIBUTES &&
               (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    }

    bool writeFile(const char* path, const void* bytes, size_t count) override {
        char sibling[MAX_PATH + 1];
        size_t length = std::strlen(path);
        if (length + sizeof kSiblingSuffix > sizeof sibling) return false;
        std::memcpy(sibling, path, length);
        std::memcpy(sibling + length, kSiblingSuffix, sizeof kSiblingSuffix);

        HANDLE file = CreateFileA(sibling, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_ARCHIVE, nullptr);
        if (file == INVALID_HANDLE_VALUE) return false;
        bool ok = true;
        const char* in = static_cast<const char*>(bytes);
        size_t done = 0;
        while (ok && done < count) {
            DWORD put = 0;
            ok = WriteFile(file, in + done, static_cast<DWORD>(count - done), &put, nullptr) &&
                 put > 0;
            done += put;
        }
        // The data must be on disk before the rename makes it the file.
        ok = ok && FlushFileBuffers(file);
        ok = CloseHandle(file) && ok;
        ok = ok && MoveFileExA(sibling, path,
                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
        if (!ok) DeleteFileA(sibling);
        return ok;
    }

    bool makeFolder(const char* path) override { return CreateDirectoryA(path, nullptr); }
    bool removeFile(const char* path) override { return DeleteFileA(path); }
    bool removeFolder(const char* path) override { return RemoveDirectoryA(path); }
};

}  // namespace

FileSystem& platformFileSystem() {
    static Win32FileSystem files;
    return files;
}
