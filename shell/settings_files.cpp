#include "shell/settings_files.h"

#include <cstring>

namespace {

// Room for the longest temporary directory we accept and the longest file name.
constexpr size_t kFileNameSize = ShellPaths::kTempDirSize + 16;

// Fills dir with the system's temporary directory, or empties it when there is none or
// it does not fit 63 characters: a cut path would name some other folder, and an empty
// one would put the files in the current directory, so the files are skipped instead.
bool fetchTempDir(FileSystem& fs, char (&dir)[ShellPaths::kTempDirSize]) {
    char reported[ShellPaths::kTempDirSize];
    size_t length = fs.tempDirectory(reported, sizeof reported);
    if (length == 0 || length >= sizeof reported) {
        dir[0] = '\0';
        return false;
    }
    std::memcpy(dir, reported, length);
    dir[length] = '\0';
    return true;
}

// "%s<name>" from the temporary directory; false when it is unknown.
bool tempFileName(const char* dir, const char* name, char (&out)[kFileNameSize]) {
    size_t dirLength = strnlen(dir, ShellPaths::kTempDirSize);
    size_t nameLength = std::strlen(name);
    if (dirLength == 0 || dirLength >= ShellPaths::kTempDirSize ||
        dirLength + nameLength >= sizeof out)
        return false;
    std::memcpy(out, dir, dirLength);
    std::memcpy(out + dirLength, name, nameLength + 1);
    return true;
}

}  // namespace

bool queryTempDir(FileSystem& fs, ShellPaths& paths) { return fetchTempDir(fs, paths.tempDir); }

void loadSettingsFiles(FileSystem& fs, bool hasCommandLine, ShellPaths& paths,
                       Settings& settings, History& history) {
    queryTempDir(fs, paths);
    if (hasCommandLine)
        loadProgramFolder(fs, paths);
    else
        saveProgramFolder(fs, paths);
    loadHistory(fs, paths, history);
    loadSwitches(fs, paths, settings);
    loadSkinPath(fs, paths);
}

void saveSettingsFiles(FileSystem& fs, ShellPaths& paths, const Settings& settings,
                       const History& history) {
    queryTempDir(fs, paths);
    saveSkinPath(fs, paths);
    queryTempDir(fs, paths);
    saveHistory(fs, paths, history);
    saveSwitches(fs, paths, settings);
}

// helpdir.txt ----------------------------------------------------------------------

bool loadProgramFolder(FileSystem& fs, ShellPaths& paths) {
    char name[kFileNameSize];
    if (!tempFileName(paths.tempDir, "helpdir.txt", name)) return false;
    size_t count = 0;
    bool ok = fs.readFile(name, paths.programFolder, kHelpDirRecordSize, &count, true);
    // A record without a zero byte must not run past the buffer.
    paths.programFolder[ShellPaths::kProgramFolderSize - 1] = '\0';
    return ok;
}

bool saveProgramFolder(FileSystem& fs, ShellPaths& paths) {
    // A longer current directory is not cut (it would name another folder): the
    // program folder is then unknown and the read-me simply is not found.
    char dir[kProgramFolderMaxLength + 1];
    size_t length = fs.currentDirectory(dir, sizeof dir);
    std::memset(paths.programFolder, 0, sizeof paths.programFolder);
    if (length > 0 && length <= kProgramFolderMaxLength)
        std::memcpy(paths.programFolder, dir, length);

    char name[kFileNameSize];
    if (!tempFileName(paths.tempDir, "helpdir.txt", name)) return false;
    return fs.writeFile(name, paths.programFolder, kHelpDirRecordSize);
}

// history.txt ----------------------------------------------------------------------

void parseHistory(const char* bytes, size_t count, History& history) {
    std::memset(history.slots, 0, sizeof history.slots);
    int slot = 0;
    size_t length = 0;
    size_t i = 0;
    while (i < count && slot < History::kSlots) {
        char c = bytes[i++];
        if (c == '\r') {
            history.slots[slot][length] = '\0';
            ++slot;
            length = 0;
            ++i;  // the LF, not looked at
            continue;
        }
        // Past 259 bytes the rest of the line is dropped up to its CR.
        if (length < History::kSlotSize - 1) history.slots[slot][length++] = c;
    }
}

void compactHistory(History& history) {
    int target = History::kSlots - 1;
    for (int slot = History::kSlots - 1; slot >= 0; --slot) {
        if (history.slots[slot][0] == '\0') continue;
        if (slot != target)
            std::memcpy(history.slots[target], history.slots[slot], History::kSlotSize);
        --target;
    }
    for (int slot = target; slot >= 0; --slot)
        std::memset(history.slots[slot], 0, History::kSlotSize);
}

bool loadHistory(FileSystem& fs, const ShellPaths& paths, History& history) {
    std::memset(history.slots, 0, sizeof history.slots);
    char name[kFileNameSize];
    if (!tempFileName(paths.tempDir, "history.txt", name)) return false;
    // Big enough for everything saveHistory writes, so ten full slots load back whole.
    char bytes[kHistoryFileMax];
    size_t count = 0;
    bool ok = fs.readFile(name, bytes, sizeof bytes, &count, true);
    if (count > 0) {
        parseHistory(bytes, count, history);
        compactHistory(history);
    }
    return ok;
}

bool saveHistory(FileSystem& fs, const ShellPaths& paths, const History& history) {
    char name[kFileNameSize];
    if (!tempFileName(paths.tempDir, "history.txt", name)) return false;
    char bytes[kHistoryFileMax];
    size_t count = 0;
    for (const auto& slot : history.slots) {
        size_t length = strnlen(slot, History::kSlotSize - 1);
        std::memcpy(bytes + count, slot, length);
        count += length;
        bytes[count++] = '\r';
        bytes[count++] = '\n';
    }
    return fs.writeFile(name, bytes, count);
}

// switch.txt -----------------------------------------------------------------------

void applySwitches(const char (&buffer)[ShellPaths::kSwitchBufferSize], Settings& settings) {
    settings.waitForSearchEnd = buffer[0] != 'b';
    settings.shuffleAfterSearch = buffer[1] == 'b';
    settings.keepListAfterEnd = buffer[2] == 'b';
    settings.barFollowsSong = buffer[3] == 'b';
    settings.historyForDrops = buffer[4] == 'b';
    settings.resetAtPlayStart = buffer[5] == 'b';
    // The letter minus 'a' as a signed byte; negative means GS.
    unsigned type = (static_cast<unsigned char>(buffer[6]) - 0x61u) & 0xFFu;
    settings.resetType = static_cast<uint8_t>(type >= 0x80u ? 0u : type);
    settings.ghostNameFilter = buffer[7] == 'b';
}

void encodeSwitches(const Settings& settings, char (&buffer)[ShellPaths::kSwitchBufferSize]) {
    std::memcpy(buffer, "aaaaaaa", 8);  // with its zero byte at offset 7
    auto letter = [](bool b) { return b ? 'b' : 'a'; };
    buffer[0] = letter(!settings.waitForSearchEnd);
    buffer[1] = letter(settings.shuffleAfterSearch);
    buffer[2] = letter(settings.keepListAfterEnd);
    buffer[3] = letter(settings.barFollowsSong);
    buffer[4] = letter(settings.historyForDrops);
    buffer[5] = letter(settings.resetAtPlayStart);
    buffer[6] = static_cast<char>('a' + settings.resetType);
    if (settings.ghostNameFilter) buffer[7] = 'b';
    // Bytes 8-12 stay as read at start-up.
}

bool loadSwitches(FileSystem& fs, ShellPaths& paths, Settings& settings) {
    char name[kFileNameSize];
    if (!tempFileName(paths.tempDir, "switch.txt", name)) return false;
    size_t count = 0;
    bool ok = fs.readFile(name, paths.switchBuffer, kSwitchFileMax, &count, true);
    paths.switchBuffer[kSwitchFileMax] = '\0';
    if (count > 0) applySwitches(paths.switchBuffer, settings);
    return ok;
}

bool saveSwitches(FileSystem& fs, ShellPaths& paths, const Settings& settings) {
    encodeSwitches(settings, paths.switchBuffer);
    char name[kFileNameSize];
    if (!tempFileName(paths.tempDir, "switch.txt", name)) return false;
    return fs.writeFile(name, paths.switchBuffer, strnlen(paths.switchBuffer, kSwitchFileMax));
}

// kivopath.txt ---------------------------------------------------------------------

bool loadSkinPath(FileSystem& fs, ShellPaths& paths) {
    char name[kFileNameSize];
    if (!tempFileName(paths.tempDir, "kivopath.txt", name) || !fs.fileExists(name))
        return false;
    size_t count = 0;
    bool ok = fs.readFile(name, paths.skinPath, kSkinPathRecordSize, &count, false);
    paths.skinPath[ShellPaths::kSkinPathSize - 1] = '\0';
    return ok;
}

bool saveSkinPath(FileSystem& fs, const ShellPaths& paths) {
    char name[kFileNameSize];
    if (!tempFileName(paths.tempDir, "kivopath.txt", name)) return false;
    return fs.writeFile(name, paths.skinPath, kSkinPathRecordSize);
}

// kivo.txt -------------------------------------------------------------------------

bool loadChooserFolder(FileSystem& fs, char* folder, size_t size) {
    char dir[ShellPaths::kTempDirSize];
    char name[kFileNameSize];
    if (size < kChooserRecordSize || !fetchTempDir(fs, dir) ||
        !tempFileName(dir, "kivo.txt", name) || !fs.fileExists(name))
        return false;
    size_t count = 0;
    bool ok = fs.readFile(name, folder, kChooserRecordSize, &count, false);
    if (std::memchr(folder, '\0', kChooserRecordSize) == nullptr)
        folder[kChooserRecordSize - 1] = '\0';
    return ok;
}

bool saveChooserFolder(FileSystem& fs, const char* folder, size_t size) {
    char dir[ShellPaths::kTempDirSize];
    char name[kFileNameSize];
    if (size < kChooserRecordSize || std::memchr(folder, '\0', kChooserRecordSize) == nullptr ||
        !fetchTempDir(fs, dir) || !tempFileName(dir, "kivo.txt", name))
        return false;
    return fs.writeFile(name, folder, kChooserRecordSize);
}
