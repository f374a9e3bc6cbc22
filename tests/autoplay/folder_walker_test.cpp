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

TEST(FolderWalkerTest, FakeTreeEdges) {
    struct Node { std::string folder, name; bool isFolder, tooLong; };
    // L1 .. L16 below R, a file x in each; L16 (16 levels down) ends the walk, so z is never reached.
    std::vector<Node> deep = {{"R", "L1", true, false}, {"R", "z", false, false}};
    std::vector<std::string> deepFiles;
    for (std::string at = "R\\L1"; deepFiles.size() < 15; at += "\\L" + std::to_string(deepFiles.size() + 1)) {
        deep.push_back({at, "x", false, false});
        deep.push_back({at, "L" + std::to_string(deepFiles.size() + 2), true, false});
        deepFiles.push_back(at + "\\x");
    }
    const std::string p250 = "R\\" + std::string(250, 'P');  // 252 characters
    const struct { std::vector<Node> tree; std::vector<std::string> expected; } cases[] = {
        // Names over 255 bytes are passed over; a folder so named is not entered.
        {{{"R", "a", false, false}, {"R", "big", false, true}, {"R", "bigdir", true, true},
          {"R\\bigdir", "in", false, false}, {"R", "z", false, false}}, {"R\\a", "R\\z"}},
        // A path of 259 characters is given, one of 260 passed over, file or folder.
        {{{"R", p250.substr(2), true, false}, {p250, "123456", false, false}, {p250, "1234567", false, false},
          {p250, "sub", true, false}, {p250 + "\\sub", "abc", false, false}}, {p250 + "\\123456"}},
        // A folder that cannot be listed is passed over.
        {{{"R", "locked", true, false}, {"R", "b", false, false}}, {"R\\b"}},
        {deep, deepFiles},
    };
    for (const auto& c : cases) {
        FakeFolders fake('\\', false);
        for (const Node& n : c.tree) fake.add(n.folder, n.name, n.isFolder, n.tooLong);
        FolderWalker w;
        w.folders = &fake;
        walkerReset(w, "R");
        EXPECT_EQ(walkAll(w), c.expected);
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
