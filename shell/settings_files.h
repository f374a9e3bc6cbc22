#pragma once
// The five small files in the temporary directory through which the settings, the
// history and three paths outlive a run: helpdir.txt, history.txt, switch.txt,
// kivopath.txt and kivo.txt. Failures are never reported to the user; every function
// returns whether its file was read or written, for the caller's and the tests' sake.
#include <cstddef>

#include "core/settings.h"
#include "platform/files.h"

// The shell buffers these files fill and empty. The program holds one; tests build their own.
struct ShellPaths {
    static constexpr size_t kTempDirSize = 64;
    static constexpr size_t kProgramFolderSize = 256;
    static constexpr size_t kSkinPathSize = 260;
    static constexpr size_t kSwitchBufferSize = 14;

    // Empty when the system's temporary directory is unknown or longer than 63
    // characters: then no settings file is read or written.
    char tempDir[kTempDirSize] = {};
    char programFolder[kProgramFolderSize] = {};
    char skinPath[kSkinPathSize] = "kivo\\default.bmp";
    // switch.txt as read at start-up; bytes 8-12 go back out unchanged at shutdown.
    char switchBuffer[kSwitchBufferSize] = "aaaaaaaaaaaaa";
};

// The record sizes of the files.
constexpr size_t kHelpDirRecordSize = 256;
constexpr size_t kSkinPathRecordSize = 260;
constexpr size_t kChooserRecordSize = 256;
constexpr size_t kSwitchFileMax = 13;
// What the program writes at most: ten slots of 259 bytes, each with CR LF.
constexpr size_t kHistoryFileMax = History::kSlots * (History::kSlotSize - 1 + 2);
// The current directory is taken as the program folder only up to this length.
constexpr size_t kProgramFolderMaxLength = 127;

// Start-up, in this order: temporary directory, helpdir.txt (read when the program got a
// command line, else the current directory is taken and written), history.txt with
// compaction, switch.txt, kivopath.txt.
void loadSettingsFiles(FileSystem& fs, bool hasCommandLine, ShellPaths& paths,
                       Settings& settings, History& history);
// Shutdown, in this order: kivopath.txt, history.txt, switch.txt; the temporary
// directory is asked again before kivopath.txt and before history.txt.
void saveSettingsFiles(FileSystem& fs, ShellPaths& paths, const Settings& settings,
                       const History& history);

// Asks the system for the temporary directory afresh; false (and tempDir empty) when
// there is none or it does not fit.
bool queryTempDir(FileSystem& fs, ShellPaths& paths);

// helpdir.txt: read up to 256 bytes into programFolder, creating the file empty if absent.
bool loadProgramFolder(FileSystem& fs, ShellPaths& paths);
// helpdir.txt: take the current directory (empty if over 127 characters) and write all
// 256 bytes of programFolder.
bool saveProgramFolder(FileSystem& fs, ShellPaths& paths);

// history.txt: empties the slots, reads the lines into slots 0-9, then packs the
// entries at the end (slot 9 the newest) when anything was read.
bool loadHistory(FileSystem& fs, const ShellPaths& paths, History& history);
// history.txt: the ten slots, each followed by CR LF.
bool saveHistory(FileSystem& fs, const ShellPaths& paths, const History& history);

// switch.txt: up to 13 bytes over switchBuffer; sets the eight persisted fields when at
// least one byte was read, creating the file empty if absent.
bool loadSwitches(FileSystem& fs, ShellPaths& paths, Settings& settings);
// switch.txt: 7 letters, or 13 bytes when ghostNameFilter is set.
bool saveSwitches(FileSystem& fs, ShellPaths& paths, const Settings& settings);

// kivopath.txt: read over the start of skinPath, only when the file exists.
bool loadSkinPath(FileSystem& fs, ShellPaths& paths);
// kivopath.txt: all 260 bytes of skinPath.
bool saveSkinPath(FileSystem& fs, const ShellPaths& paths);

// kivo.txt, the song chooser's last folder. Both ask for the temporary directory afresh.
// Reads up to 256 bytes over the start of folder (size at least 256) when the file exists.
bool loadChooserFolder(FileSystem& fs, char* folder, size_t size);
// Writes the first 256 bytes of folder; refuses a folder of 256 characters or more,
// which the record cannot hold, and keeps the file as it was.
bool saveChooserFolder(FileSystem& fs, const char* folder, size_t size);

// The byte work, apart from the files.
// Splits bytes at CR (the byte after each CR is skipped) into slots 0-9; a line longer
// than 259 bytes keeps its first 259.
void parseHistory(const char* bytes, size_t count, History& history);
// Moves the non-empty slots, in order, to the end; empties the slots below them.
void compactHistory(History& history);
void applySwitches(const char (&buffer)[ShellPaths::kSwitchBufferSize], Settings& settings);
void encodeSwitches(const Settings& settings, char (&buffer)[ShellPaths::kSwitchBufferSize]);
