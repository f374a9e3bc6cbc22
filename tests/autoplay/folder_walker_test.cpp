// The depth-first walk, over a real temporary tree and over a fake with a fixed order.
#include "autoplay/folder_walker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

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

std::string chain(const char* prefix, int levels) {
    std::string path;
    for (int i = 1; i <= levels; ++i) path += prefix + std::to_string(i) + "/";
    return path;
}

TEST(FolderWalkerTest, RealTreeGivesEveryFileFifteenLevelsDownAndNoneSixteen) {
    TempTree tree("ovw");
    ASSERT_TRUE(tree.ok);
    const std::vector<std::string> files = {"a.mid", "b.txt", ".hidden.mid", "sub/c.rmi",
                                            chain("d", 15) + "deep.mid"};
    std::vector<std::string> expected;
    for (const std::string& f : files) {
        ASSERT_TRUE(tree.make(f)) << f;
        expected.push_back(tree.path(f));
    }
    FolderWalker w;
    w.folders = &platformFolders();
    walkerReset(w, tree.root().c_str());
    std::vector<std::string> found = walkAll(w);
    std::sort(found.begin(), found.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(found, expected);

    // One level more: e17 is 16 levels below e1, and meeting it ends the walk.
    ASSERT_TRUE(tree.make(chain("e", 17) + "too.mid"));
    walkerReset(w, tree.path("e1").c_str());
    EXPECT_TRUE(walkAll(w).empty());
}

TEST(FolderWalkerTest, FakeTreeEdges) {
    const std::string name250(250, 'P'), r250 = "R\\" + name250;
    struct Node { std::string folder, name; bool isFolder, tooLong; };
    struct Case { const char* what; std::vector<Node> tree; std::vector<std::string> expected; };
    // L1 .. L16 below R, a file beside each folder; z after L1 is never reached.
    std::vector<Node> deep = {{"R", "L1", true, false}, {"R", "z", false, false}};
    std::vector<std::string> deepFiles;
    std::string at = "R";
    for (int i = 1; i < 16; ++i) {
        at += "\\L" + std::to_string(i);
        deep.push_back({at, "x", false, false});
        deep.push_back({at, "L" + std::to_string(i + 1), true, false});
        deepFiles.push_back(at + "\\x");
    }
    const Case cases[] = {
        {"names over 255 bytes are passed over, a folder so named is not entered",
         {{"R", "a", false, false}, {"R", "big", false, true}, {"R", "bigdir", true, true},
          {"R\\bigdir", "in", false, false}, {"R", "z", false, false}},
         {"R\\a", "R\\z"}},
        {"a path over 259 characters is passed over; one of 259 is given",
         {{"R", name250, true, false}, {r250, "123456", false, false}, {r250, "1234567", false, false},
          {r250, "sub", true, false}, {r250 + "\\sub", "abc", false, false}},
         {r250 + "\\123456"}},
        {"a folder that cannot be listed is passed over",
         {{"R", "locked", true, false}, {"R", "b", false, false}}, {"R\\b"}},
        {"the sixteenth level ends the whole walk", deep, deepFiles},
    };
    for (const Case& c : cases) {
        FakeFolders fake('\\', false);
        for (const Node& n : c.tree) fake.add(n.folder, n.name, n.isFolder, n.tooLong);
        FolderWalker w;
        w.folders = &fake;
        walkerReset(w, "R");
        EXPECT_EQ(walkAll(w), c.expected) << c.what;
        EXPECT_EQ(fake.opened, fake.closed) << c.what;
    }
}

TEST(FolderWalkerTest, StopFlagAndOverlongRootEndTheWalk) {
    FakeFolders fake('/', true);
    for (const char* name : {"a", "b", "c"}) fake.add("R", name);
    std::atomic<bool> stop{false};
    FolderWalker w;
    w.folders = &fake;
    w.stop = &stop;
    walkerReset(w, "R");
    char out[kEntryPathSize];
    uint32_t attributes = 0;
    ASSERT_TRUE(walkerNext(w, out, attributes));
    EXPECT_STREQ(out, "R/a");
    stop = true;
    EXPECT_FALSE(walkerNext(w, out, attributes));
    walkerClose(w);
    EXPECT_EQ(fake.opened, fake.closed);

    walkerReset(w, std::string(kEntryPathSize, 'R').c_str());
    EXPECT_TRUE(walkAll(w).empty());
}

TEST(FolderWalkerTest, SongNames) {
    for (const char* yes : {"C:\\SONG.MID", "SONGMID", "A.MIDI", "A.RMI", "MID"}) EXPECT_TRUE(isSongName(yes)) << yes;
    for (const char* no : {"SONG.KAR", "SONG.MIDX", "song.mid", "MI", ""}) EXPECT_FALSE(isSongName(no)) << no;
}

}  // namespace
