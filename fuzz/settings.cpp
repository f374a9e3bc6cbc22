// Every settings file reader on any bytes: helpdir.txt, history.txt, switch.txt,
// kivopath.txt and kivo.txt all read the input as their file, then everything read is
// written back. The buffers must stay terminated and no write may exceed its record.
#include <cstdlib>
#include <cstring>

#include "shell/settings_files.h"

namespace {

// Every file holds the input; writes are checked and dropped. The temporary folder is
// one of four by the input's length: none, short, the longest taken, one too long.
class InputFiles : public FileSystem {
public:
    InputFiles(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    size_t tempDirectory(char* buffer, size_t capacity) override {
        static const char* const dirs[] = {
            "", "C:\\T\\", "C:\\67890123456789012345678901234567890123456789012345678901234\\",
            "C:\\678901234567890123456789012345678901234567890123456789012345\\"};
        return copyOut(dirs[size_ % 4], buffer, capacity);
    }
    size_t currentDirectory(char* buffer, size_t capacity) override {
        return copyOut(size_ % 3 ? "C:\\Orvanel" : "", buffer, capacity);
    }
    bool readFile(const char*, void* buffer, size_t capacity, size_t* count, bool) override {
        *count = size_ < capacity ? size_ : capacity;
        if (*count) std::memcpy(buffer, data_, *count);
        return true;
    }
    bool fileExists(const char*) override { return true; }
    bool writeFile(const char* path, const void* bytes, size_t count) override {
        const size_t longest = std::strstr(path, "history") ? kHistoryFileMax : kSkinPathRecordSize;
        if (count > longest) std::abort();
        volatile uint8_t sum = 0;  // every byte written must be readable
        for (size_t i = 0; i < count; ++i) sum = sum + static_cast<const uint8_t*>(bytes)[i];
        return true;
    }
    bool makeFolder(const char*) override { return false; }
    bool removeFile(const char*) override { return false; }
    bool removeFolder(const char*) override { return false; }

private:
    static size_t copyOut(const char* text, char* buffer, size_t capacity) {
        const size_t n = std::strlen(text);
        if (n < capacity) std::memcpy(buffer, text, n + 1);
        return n;
    }
    const uint8_t* data_;
    size_t size_;
};

void mustBeTerminated(const char* text, size_t size) {
    if (!std::memchr(text, '\0', size)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    InputFiles files(data, size);
    ShellPaths paths;
    Settings settings;
    History history;
    loadSettingsFiles(files, size % 2 == 0, paths, settings, history);
    mustBeTerminated(paths.programFolder, sizeof paths.programFolder);
    mustBeTerminated(paths.skinPath, sizeof paths.skinPath);
    mustBeTerminated(paths.switchBuffer, sizeof paths.switchBuffer);
    for (const auto& slot : history.slots) mustBeTerminated(slot, sizeof slot);
    if (settings.resetType > 127) std::abort();
    char folder[kChooserRecordSize];
    std::memset(folder, 'x', sizeof folder - 1);
    folder[sizeof folder - 1] = '\0';
    loadChooserFolder(files, folder, sizeof folder);
    mustBeTerminated(folder, sizeof folder);

    saveSettingsFiles(files, paths, settings, history);
    saveChooserFolder(files, folder, sizeof folder);
    return 0;
}
