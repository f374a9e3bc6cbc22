// The walk's edges over a fake tree with a fixed order (the real tree is walked by the
// search's tests).
#include "autoplay/folder_walker.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/fake_code_page.h"
#include "tests/support/fake_folders.h"

namespace {

std::vector<std::string> walkAll(FolderWalker& w) {
    std::vector<std::string> paths;
    char out[kEntryPathSize];
    uint32_t attributes = 0;
    while (walkerNext(w, out, attributes)) paths.push_back(out);
    walkerClose(w);
    return paths;
}

// "FOLDER|NAME|reason" for each entry the walk passes over.
struct SkipLog final : WalkListener {
    void folderNotListed(const char*, int) override {}
    void entrySkipped(const char* folder, const char* name, WalkSkip why) override {
        const char* reason = why == WalkSkip::PathTooLong ? "long" : why == WalkSkip::NameTooLong ? "name" : "deep";
        lines.push_back(std::string(folder) + "|" + name + "|" + reason);
    }
    std::vector<std::string> lines;
};

TEST(FolderWalkerTest, FakeTreeEdges) {
    struct Node { std::string folder, name; bool isFolder, tooLong; };
    // L1 .. L16 below R, a file x in each; L16 (16 levels down) ends the walk, so z is never reached.
    std::vector<Node> deep = {{"R", "L1", true, false}, {"R", "z", false, false}};
    std::vector<std::string> deepFiles;
    std::string at = "R\\L1";
    for (; deepFiles.size() < 15; at += "\\L" + std::to_string(deepFiles.size() + 1)) {
        deep.push_back({at, "x", false, false});
        deep.push_back({at, "L" + std::to_string(deepFiles.size() + 2), true, false});
        deepFiles.push_back(at + "\\x");
    }
    // A root 9 bytes short of an entry: a name of 7 fits, one of 8 does not.
    const std::string longRoot = "R" + std::string(kEntryPathSize - 10, 'P');
    const struct { std::string root; std::vector<Node> tree; std::vector<std::string> expected, skipped; } cases[] = {
        // Names the platform cannot give are passed over; a folder so named is not entered.
        {"R",
         {{"R", "a", false, false}, {"R", "big", false, true}, {"R", "bigdir", true, true},
          {"R\\bigdir", "in", false, false}, {"R", "z", false, false}},
         {"R\\a", "R\\z"}, {"R||name", "R||name"}},
        // The longest path is given; one byte more is passed over and told, file or folder,
        // except a file that is no song.
        {longRoot,
         {{longRoot, "1234567", false, false}, {longRoot, "a.MIDI", false, false}, {longRoot, "12345678", false, false},
          {longRoot, "ab2.midi", false, false}, {longRoot, "subfolder", true, false}, {longRoot, "sub", true, false}, {longRoot + "\\sub", "a.mid", false, false},
          {longRoot + "\\sub", "notes.txt", false, false}},
         {longRoot + "\\1234567", longRoot + "\\a.MIDI"}, {longRoot + "|ab2.midi|long", longRoot + "|subfolder|long", longRoot + "\\sub|a.mid|long"}},
        // A folder that cannot be listed is passed over.
        {"R", {{"R", "locked", true, false}, {"R", "b", false, false}}, {"R\\b"}, {}},
        {"R", deep, deepFiles, {at.substr(0, at.rfind('\\')) + "|L16|deep"}},
    };
    for (const auto& c : cases) {
        FakeFolders fake('\\', false);
        for (const Node& n : c.tree) fake.add(n.folder, n.name, n.isFolder, n.tooLong);
        FolderWalker w;
        SkipLog log;
        w.folders = &fake;
        w.listener = &log;
        walkerReset(w, c.root.c_str());
        EXPECT_EQ(walkAll(w), c.expected);
        EXPECT_EQ(log.lines, c.skipped);
        EXPECT_EQ(fake.opened, fake.closed);
    }
}

// Names as Windows lists them: one the code page cannot spell goes by its short form, and
// one without a short form is passed over (a "?" in it would be a wildcard), a folder so
// named not entered. UTF-8 spells them all.
TEST(FolderWalkerTest, NamesOutsideTheCodePage) {
    const struct { unsigned codePage; std::string japanese, korean; std::vector<std::string> expected; } cases[] = {
        {kFakeJapaneseCodePage, "R\\\x93\xFA", "R\\?", {"R\\a.mid", "R\\CAFE~1.MID", "R\\\x93\xFA\\b.mid"}},
        {kUtf8CodePage, "R\\\xE6\x97\xA5", "R\\\xED\x95\x9C",
         {"R\\a.mid", "R\\Caf\xC3\xA9.mid", "R\\\xED\x95\x9C.mid", "R\\\xE6\x97\xA5\\b.mid",
          "R\\\xED\x95\x9C\\c.mid"}},
    };
    for (const auto& c : cases) {
        const CodePageConverter codePage = fakeCodePage(c.codePage);
        FakeFolders fake('\\', false);
        fake.codePage = &codePage;
        fake.addWide("R", L"a.mid", L"");
        fake.addWide("R", L"Caf\u00E9.mid", L"CAFE~1.MID");
        fake.addWide("R", L"\uD55C.mid", L"");
        fake.addWide("R", L"\u65E5", L"", true);
        fake.addWide(c.japanese, L"b.mid", L"");
        fake.addWide("R", L"\uD55C", L"", true);
        fake.addWide(c.korean, L"c.mid", L"");
        FolderWalker w;
        w.folders = &fake;
        walkerReset(w, "R");
        EXPECT_EQ(walkAll(w), c.expected);
    }
}

TEST(FolderWalkerTest, StopFlagAndOverlongRootEndTheWalk) {
    FakeFolders fake('/', true);
    for (const char* name : {"a", "b"}) fake.add("R", name);
    std::atomic<bool> stop{false};
    FolderWalker w;
    w.folders = &fake;
    w.stop = &stop;
    walkerReset(w, "R");
    char out[kEntryPathSize];
    uint32_t attributes = 0;
    ASSERT_TRUE(walkerNext(w, out, attributes));
    stop = true;
    EXPECT_FALSE(walkerNext(w, out, attributes));
    walkerClose(w);
    EXPECT_EQ(fake.opened, fake.closed);
    walkerReset(w, std::string(kEntryPathSize, 'R').c_str());
    EXPECT_TRUE(walkAll(w).empty());
}

TEST(FolderWalkerTest, SongNames) {
    for (const char* yes : {"C:\\SONG.MID", "SONGMID", "A.MIDI", "A.RMI", "MID"})
        EXPECT_TRUE(isSongName(yes)) << yes;
    for (const char* no : {"SONG.KAR", "SONG.MIDX", "song.mid", "MI", ""})
        EXPECT_FALSE(isSongName(no)) << no;
}

}  // namespace
