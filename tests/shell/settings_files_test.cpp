#include "shell/settings_files.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "tests/support/folder_files.h"

namespace {

// The eight persisted switches in one comparable line.
std::string switches(const Settings& s) {
    char text[64];
    std::snprintf(text, sizeof text, "w%d s%d k%d b%d h%d r%d t%d g%d", bool(s.waitForSearchEnd),
                  bool(s.shuffleAfterSearch), bool(s.keepListAfterEnd), bool(s.barFollowsSong),
                  bool(s.historyForDrops), bool(s.resetAtPlayStart), int(s.resetType),
                  bool(s.ghostNameFilter));
    return text;
}

class SettingsFilesTest : public ::testing::Test {
protected:
    FileSystem& real = platformFileSystem();
    FolderFiles files{real};
    TestFolder folder;
    ShellPaths paths;
    Settings settings;
    History history;

    void SetUp() override {
        ASSERT_TRUE(makeTestFolder(real, "ovs", folder));
        files.tempDirs[0] = folder.path;
        files.tempDirCount = 1;
    }
    // Also proves that no write left its sibling file behind.
    void TearDown() override { EXPECT_TRUE(removeTestFolder(real, folder.path)); }

    std::string at(const char* name, const char* in = nullptr) {
        char path[200];
        EXPECT_TRUE(pathIn(in ? in : folder.path, name, path, sizeof path));
        return path;
    }
    void put(const char* name, const std::string& bytes) {
        ASSERT_TRUE(real.writeFile(at(name).c_str(), bytes.data(), bytes.size()));
    }
    bool exists(const char* name, const char* in = nullptr) {
        return real.fileExists(at(name, in).c_str());
    }
    std::string get(const char* name, const char* in = nullptr) {
        char bytes[4000];
        size_t count = 0;
        EXPECT_TRUE(real.readFile(at(name, in).c_str(), bytes, sizeof bytes, &count, false));
        return std::string(bytes, count);
    }
    void load(bool commandLine = true) {
        loadSettingsFiles(files, commandLine, paths, settings, history);
    }
    void save() { saveSettingsFiles(files, paths, settings, history); }
    // What a fresh start would load from the files now there.
    Settings reloaded() {
        ShellPaths p;
        Settings s;
        History h;
        loadSettingsFiles(files, true, p, s, h);
        return s;
    }
};

// switch.txt -------------------------------------------------------------------------

TEST_F(SettingsFilesTest, SwitchFileMissingKeepsDefaultsCreatesItEmptyAndWritesAabbbaa) {
    load();
    EXPECT_EQ(switches(settings), "w1 s0 k1 b1 h1 r0 t0 g0");
    EXPECT_TRUE(exists("switch.txt"));
    EXPECT_EQ(get("switch.txt"), "");
    save();
    EXPECT_EQ(get("switch.txt"), "aabbbaa");
}

TEST_F(SettingsFilesTest, ShortSwitchFilesReadMissingBytesAsA) {
    put("switch.txt", "aaaaaaaaaaaaa");
    load();
    EXPECT_EQ(switches(settings), "w1 s0 k0 b0 h0 r0 t0 g0");

    put("switch.txt", "bab");
    EXPECT_EQ(switches(reloaded()), "w0 s0 k1 b0 h0 r0 t0 g0");
}

TEST_F(SettingsFilesTest, SwitchesRoundTripInSevenAndThirteenByteForms) {
    load();
    settings.waitForSearchEnd = false;
    settings.historyForDrops = false;
    settings.resetAtPlayStart = true;
    settings.resetType = 2;
    save();
    EXPECT_EQ(get("switch.txt"), "babbabc");
    EXPECT_EQ(switches(reloaded()), switches(settings));

    settings.ghostNameFilter = true;
    save();
    EXPECT_EQ(get("switch.txt"), "babbabcbaaaaa");
    EXPECT_EQ(switches(reloaded()), switches(settings));
}

TEST_F(SettingsFilesTest, SwitchFillerBytesSurviveFromLoadToSave) {
    put("switch.txt", "aaaaaaabQRSTU");
    load();
    EXPECT_TRUE(settings.ghostNameFilter);
    save();
    EXPECT_EQ(get("switch.txt"), "aaaaaaabQRSTU");
    settings.ghostNameFilter = false;
    save();
    EXPECT_EQ(get("switch.txt"), "aaaaaaa");
}

TEST_F(SettingsFilesTest, ResetTypeLetterIsSignedOffsetFromA) {
    put("switch.txt", "aaaaaae");
    load();
    EXPECT_EQ(settings.resetType, 4);  // sends nothing, and goes back out unchanged
    save();
    EXPECT_EQ(get("switch.txt"), "aaaaaae");

    // Negative as a signed byte: below "a", and from 0xE1 up.
    for (const char* negative : {"aaaaaa`", "aaaaaa0", "aaaaaa\xe1", "aaaaaa\xff"}) {
        put("switch.txt", negative);
        EXPECT_EQ(reloaded().resetType, 0) << negative;
    }
    put("switch.txt", "aaaaaa\xe0");
    EXPECT_EQ(reloaded().resetType, 127);
}

// history.txt ------------------------------------------------------------------------

TEST_F(SettingsFilesTest, HistoryLinesArePackedAtTheEnd) {
    put("history.txt", "x\r\n\r\ny\r\n");
    load();
    for (int i = 0; i < 8; ++i) EXPECT_STREQ(history.slots[i], "") << i;
    EXPECT_STREQ(history.slots[8], "x");
    EXPECT_STREQ(history.slots[9], "y");

    put("history.txt", "x\r\ny");  // the last line needs no line end
    load();
    EXPECT_STREQ(history.slots[8], "x");
    EXPECT_STREQ(history.slots[9], "y");
}

TEST_F(SettingsFilesTest, HistoryTakesTheFirstTenOfTwelveLines) {
    std::string text;
    for (int i = 0; i < 12; ++i) text += "L" + std::to_string(i) + "\r\n";
    put("history.txt", text);
    load();
    for (int i = 0; i < 10; ++i) EXPECT_EQ(history.slots[i], "L" + std::to_string(i));
}

TEST_F(SettingsFilesTest, EmptyHistoryLoadsEmptyAndSavesTenEmptyLines) {
    std::strcpy(history.slots[9], "stale");
    load();  // no file: created empty
    for (const auto& slot : history.slots) EXPECT_STREQ(slot, "");
    load();  // empty file
    for (const auto& slot : history.slots) EXPECT_STREQ(slot, "");
    save();
    std::string tenEmptyLines;
    for (int i = 0; i < 10; ++i) tenEmptyLines += "\r\n";
    EXPECT_EQ(get("history.txt"), tenEmptyLines);
}

TEST_F(SettingsFilesTest, OverlongHistoryLineIsCutAndDoesNotSpillIntoTheNextSlot) {
    put("history.txt", std::string(300, 'p') + "\r\nnext\r\n" + std::string(400, 'q'));
    load();
    EXPECT_EQ(history.slots[7], std::string(259, 'p'));
    EXPECT_STREQ(history.slots[8], "next");
    EXPECT_EQ(history.slots[9], std::string(259, 'q'));
}

TEST_F(SettingsFilesTest, TenFullLengthEntriesLoadBackWhole) {
    load();
    for (int i = 0; i < 10; ++i) std::memset(history.slots[i], 'A' + i, 259);
    save();
    EXPECT_EQ(get("history.txt").size(), 2610u);
    History before = history;
    load();
    for (int i = 0; i < 10; ++i) EXPECT_STREQ(history.slots[i], before.slots[i]) << i;
}

// kivopath.txt, helpdir.txt, kivo.txt ---------------------------------------------------

TEST_F(SettingsFilesTest, SkinPathRecord) {
    load();
    EXPECT_STREQ(paths.skinPath, "kivo\\default.bmp");
    EXPECT_FALSE(exists("kivopath.txt"));  // read only when present, never created

    put("kivopath.txt", "abc");  // replaces only its own length
    load();
    EXPECT_STREQ(paths.skinPath, "abco\\default.bmp");

    std::strcpy(paths.skinPath, "k");
    save();
    std::string record = get("kivopath.txt");
    ASSERT_EQ(record.size(), 260u);
    EXPECT_EQ(record.compare(0, 18, std::string("k\0co\\default.bmp\0", 18)), 0);

    put("kivopath.txt", std::string(300, 's'));  // no zero byte in the record
    ShellPaths fresh;
    queryTempDir(files, fresh);
    loadSkinPath(files, fresh);
    EXPECT_EQ(fresh.skinPath, std::string(259, 's'));
}

TEST_F(SettingsFilesTest, ProgramFolderIsWrittenWithoutCommandLineAndReadWithOne) {
    load(true);  // never written before: stays empty, file created empty
    EXPECT_STREQ(paths.programFolder, "");
    EXPECT_EQ(get("helpdir.txt"), "");

    files.currentDir = "C:\\Orvanel";
    load(false);
    EXPECT_STREQ(paths.programFolder, "C:\\Orvanel");
    EXPECT_EQ(get("helpdir.txt"), std::string("C:\\Orvanel") + std::string(246, '\0'));

    ShellPaths started;  // the next start, with a song on the command line
    loadSettingsFiles(files, true, started, settings, history);
    EXPECT_STREQ(started.programFolder, "C:\\Orvanel");
}

TEST_F(SettingsFilesTest, ProgramFolderLimits) {
    std::string dir127(127, 'd'), dir128(128, 'd');
    files.currentDir = dir127.c_str();
    load(false);
    EXPECT_EQ(paths.programFolder, dir127);
    files.currentDir = dir128.c_str();
    load(false);  // too long for the program folder: unknown rather than cut
    EXPECT_STREQ(paths.programFolder, "");
    EXPECT_EQ(get("helpdir.txt"), std::string(256, '\0'));

    put("helpdir.txt", std::string(256, 'h'));
    load(true);
    EXPECT_EQ(paths.programFolder, std::string(255, 'h'));
}

TEST_F(SettingsFilesTest, ChooserFolderRecord) {
    char folderBuffer[1024];
    std::memset(folderBuffer, 'z', sizeof folderBuffer);
    EXPECT_FALSE(loadChooserFolder(files, folderBuffer, sizeof folderBuffer));
    EXPECT_EQ(folderBuffer[0], 'z');

    char chosen[1024] = "C:\\Songs\\";
    ASSERT_TRUE(saveChooserFolder(files, chosen, sizeof chosen));
    EXPECT_EQ(get("kivo.txt").size(), 256u);
    ASSERT_TRUE(loadChooserFolder(files, folderBuffer, sizeof folderBuffer));
    EXPECT_STREQ(folderBuffer, "C:\\Songs\\");

    std::memset(chosen, 'f', 300);  // no room for the zero byte: refused, file kept
    EXPECT_FALSE(saveChooserFolder(files, chosen, sizeof chosen));
    EXPECT_EQ(get("kivo.txt").substr(0, 10), std::string("C:\\Songs\\\0", 10));

    put("kivo.txt", std::string(256, 'k'));
    std::memset(folderBuffer, 'z', sizeof folderBuffer);
    loadChooserFolder(files, folderBuffer, sizeof folderBuffer);
    EXPECT_EQ(std::string(folderBuffer), std::string(255, 'k'));
}

// The temporary directory --------------------------------------------------------------

TEST_F(SettingsFilesTest, FilesAreLoadedAndSavedInOrderWithFreshTempDirQueries) {
    // The two other folders must fit the 63 characters a temporary directory may have.
    if (std::strlen(folder.path) + 2 > 63) GTEST_SKIP() << "temporary directory too long for this test";
    char second[200], third[200];
    ASSERT_TRUE(pathIn(folder.path, "2", second, sizeof second - 1));
    ASSERT_TRUE(pathIn(folder.path, "3", third, sizeof third - 1));
    ASSERT_TRUE(real.makeFolder(second) && real.makeFolder(third));
    std::strcat(second, std::string(1, folder.separator).c_str());
    std::strcat(third, std::string(1, folder.separator).c_str());
    files.tempDirs[1] = second;
    files.tempDirs[2] = third;
    files.tempDirCount = 3;
    put("kivopath.txt", "x.bmp");

    load(false);
    EXPECT_STREQ(files.log, "w helpdir.txt r history.txt r switch.txt e kivopath.txt r kivopath.txt");
    files.log[0] = '\0';
    save();
    EXPECT_STREQ(files.log, "w kivopath.txt w history.txt w switch.txt");
    EXPECT_TRUE(exists("kivopath.txt", second));
    EXPECT_FALSE(exists("history.txt", second));
    EXPECT_TRUE(exists("history.txt", third));
    EXPECT_TRUE(exists("switch.txt", third));
    EXPECT_TRUE(removeTestFolder(real, second));
    EXPECT_TRUE(removeTestFolder(real, third));
}

TEST_F(SettingsFilesTest, TempDirOfSixtyFourCharactersIsNotUsed) {
    size_t base = std::strlen(folder.path);
    if (base > 60) GTEST_SKIP() << "temporary directory too long for this test";
    // Two real folders whose paths, with the separator, are 63 and 64 characters long.
    std::string fits = folder.path + std::string(62 - base, 'f') + folder.separator;
    std::string tooLong = folder.path + std::string(63 - base, 'g') + folder.separator;
    ASSERT_TRUE(real.makeFolder(fits.substr(0, 62).c_str()));
    ASSERT_TRUE(real.makeFolder(tooLong.substr(0, 63).c_str()));

    files.tempDirs[0] = fits.c_str();
    load();
    EXPECT_STREQ(paths.tempDir, fits.c_str());
    EXPECT_TRUE(exists("switch.txt", fits.c_str()));

    files.tempDirs[0] = tooLong.c_str();
    files.log[0] = '\0';
    std::string planted = tooLong + "switch.txt";  // would change a default if read
    ASSERT_TRUE(real.writeFile(planted.c_str(), "b", 1));
    ShellPaths longPaths;
    Settings longSettings;
    History longHistory;
    loadSettingsFiles(files, false, longPaths, longSettings, longHistory);
    saveSettingsFiles(files, longPaths, longSettings, longHistory);
    EXPECT_STREQ(longPaths.tempDir, "");
    EXPECT_STREQ(files.log, "");  // nothing read or written anywhere
    EXPECT_EQ(switches(longSettings), switches(Settings{}));
    EXPECT_STREQ(longPaths.skinPath, "kivo\\default.bmp");
    char folderBuffer[1024] = "kept";
    EXPECT_FALSE(loadChooserFolder(files, folderBuffer, sizeof folderBuffer));
    EXPECT_FALSE(saveChooserFolder(files, folderBuffer, sizeof folderBuffer));
    EXPECT_STREQ(folderBuffer, "kept");

    EXPECT_TRUE(removeTestFolder(real, fits.c_str()));
    EXPECT_TRUE(removeTestFolder(real, tooLong.c_str()));
}

}  // namespace
