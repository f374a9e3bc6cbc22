// The search thread end to end: what it lists, the end marker, the shuffle, the stop and
// the list's limit.
#include "autoplay/folder_search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "display/display_surfaces.h"
#include "shell/control_flags.h"
#include "shell/settings.h"
#include "tests/support/fake_folders.h"
#include "tests/support/recording_surface.h"

namespace {

struct SearchTest : ::testing::Test {
    SearchTest() {
        s.list = &list;
        s.flags = &flags;
        s.settings = &settings;
        s.randomSeed = &seed;
        s.folders = &fake;
    }
    ~SearchTest() override { stopFolderSearch(s); }

    // Starts a search and waits for its end; the listed paths as stored, in slot order.
    std::vector<std::string> search(const char* root) {
        EXPECT_TRUE(startFolderSearch(s, root));
        if (s.thread.joinable()) s.thread.join();
        return stored();
    }
    std::vector<std::string> stored() {
        EXPECT_FALSE(flags.searchRunning);
        std::vector<std::string> paths;
        for (int32_t i = 0; i < listCount(list); ++i) paths.push_back(slotEntry(list, i)->path);
        const PlayListEntry* end = slotEntry(list, listCount(list));
        EXPECT_TRUE(end != nullptr && isEndMarker(*end) && std::strcmp(end->path, "end") == 0);
        EXPECT_EQ(slotEntry(list, listCount(list) + 1), nullptr);
        EXPECT_EQ(fake.opened, fake.closed);
        return paths;
    }

    PlayList list;
    ControlFlags flags;
    Settings settings;
    uint32_t seed = 0;
    FakeFolders fake{'/', true};
    FolderSearch s;
};

TEST_F(SearchTest, RealTreeListsSongsInUpperCaseAndDrawsEachOne) {
    TempTree tree("ovs");
    ASSERT_TRUE(tree.ok);
    const std::vector<std::string> songs = {"a.mid", "song.rmi", "SONGMID", "x.MIDI", ".hidden.mid",
                                            "sub/c.mid", "d1/d2/d3/d4/d5/d6/d7/d8/d9/d10/d11/d12/d13/d14/d15/deep.mid"};
    for (const std::string& f : songs) ASSERT_TRUE(tree.make(f)) << f;
    for (const char* other : {"b.txt", "song.kar", "sub/mid.txt"}) ASSERT_TRUE(tree.make(other));
    RecordingSurface surface(kClientWidth, kClientHeight);
    DisplaySurfaces surfaces;
    surfaces.listSurface = &surface;
    ListView view;
    view.surfaces = &surfaces;
    view.list = &list;
    view.flags = &flags;
    s.view = &view;
    s.folders = &platformFolders();
    list.playPos = 9;
    std::vector<std::string> found = search(tree.root().c_str()), expected;
    EXPECT_EQ(list.playPos, 0);
    for (const std::string& f : songs) {
        expected.push_back(tree.path(f));
        // Stored as opened: upper case where the file system ignores case.
        if (!platformFolders().caseSensitive()) upperCaseAnsi(&expected.back()[0]);
    }
    std::sort(found.begin(), found.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(found, expected);
    char shown[kEntryPathSize];
    shownEntryText(list, *slotEntry(list, 0), shown);
    EXPECT_NE(surface.inkedText(5, 4, 5).find(std::string(shown).substr(0, 10)), std::string::npos);
}

TEST_F(SearchTest, LetterCaseIsKeptOnlyWhereTheFileSystemTellsCaseApart) {
    for (bool caseSensitive : {true, false}) {
        FakeFolders folders('/', caseSensitive);
        for (const char* name : {"Song.mid", "song.Kar", "b.Rmi"}) folders.add("/Music", name);
        s.folders = &folders;
        const std::vector<std::string> expected =
            caseSensitive ? std::vector<std::string>{"/Music/Song.mid", "/Music/b.Rmi"}
                          : std::vector<std::string>{"/MUSIC/SONG.MID", "/MUSIC/B.RMI"};
        EXPECT_EQ(search("/Music"), expected);
    }
}

TEST_F(SearchTest, ShuffleAfterTheSearchUsesTheSeed) {
    for (const char* name : {"A.MID", "B.MID", "C.MID", "D.MID", "E.MID"}) fake.add("R", name);
    settings.shuffleAfterSearch = true;
    EXPECT_EQ(search("R"), (std::vector<std::string>{"R/E.MID", "R/A.MID", "R/B.MID", "R/C.MID", "R/D.MID"}));
    EXPECT_EQ(seed, 36905u);  // five draws from 0
}

TEST_F(SearchTest, TheListStopsAt65535SongsWithTheEndMarkerInTheLastSlot) {
    char name[16];
    for (int i = 0; i < 70000; ++i) {
        std::snprintf(name, sizeof name, "S%05d.MID", i);
        fake.add("R", name);
    }
    EXPECT_EQ(search("R").size(), size_t(kPlayListMaxSongs));
    EXPECT_LT(fake.served, 70000);
}

TEST_F(SearchTest, StopEndsARunningWalkBetweenEntries) {
    for (int i = 0; i < 1000; ++i) fake.add("R", std::to_string(i) + ".MID");
    std::mutex m;
    std::condition_variable cv;
    bool reached = false, gateOpen = false;
    fake.beforeEntry = [&](int served) {
        if (served != 10) return;
        std::unique_lock<std::mutex> hold(m);
        reached = true;
        cv.notify_all();
        cv.wait(hold, [&] { return gateOpen; });
    };
    ASSERT_TRUE(startFolderSearch(s, "R"));
    {
        std::unique_lock<std::mutex> hold(m);
        cv.wait(hold, [&] { return reached; });
    }
    EXPECT_TRUE(flags.searchRunning);
    EXPECT_FALSE(startFolderSearch(s, "R"));  // one at a time
    std::thread stopper([&] { stopFolderSearch(s); });
    while (!s.stopRequested) std::this_thread::yield();
    {
        std::lock_guard<std::mutex> hold(m);
        gateOpen = true;
    }
    cv.notify_all();
    stopper.join();
    // ".", ".." and eight songs came before the stop; the ninth was being read.
    EXPECT_EQ(stored().size(), 9u);
}

}  // namespace
