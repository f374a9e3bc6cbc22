// The search thread end to end, over a real temporary tree and over fakes: what it lists,
// the end marker, the shuffle, the stop, the list's limit and what the listener hears.
#include "autoplay/folder_search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "core/control_flags.h"
#include "core/settings.h"
#include "display/display_surfaces.h"
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

    // Waits for the search's end; the listed paths as stored, the end marker after them.
    std::vector<std::string> listed() {
        if (s.thread.joinable()) s.thread.join();
        EXPECT_FALSE(flags.searchRunning);
        std::vector<std::string> paths;
        for (int32_t i = 0; i < listCount(list); ++i) paths.push_back(slotEntry(list, i)->path);
        const PlayListEntry* end = slotEntry(list, listCount(list));
        EXPECT_TRUE(end != nullptr && isEndMarker(*end) && std::strcmp(end->path, "end") == 0);
        EXPECT_EQ(fake.opened, fake.closed);
        return paths;
    }
    std::vector<std::string> search(const char* root) {
        EXPECT_TRUE(startFolderSearch(s, root));
        return listed();
    }

    PlayList list;
    ControlFlags flags;
    Settings settings;
    uint32_t seed = 0;
    FakeFolders fake{'/', true};
    FolderSearch s;
};

TEST_F(SearchTest, RealTreeListsSongsFifteenLevelsDownAndDrawsThem) {
    TempTree tree("ovs");
    ASSERT_TRUE(tree.ok);
    // Songs below s/ (one 15 levels down), a song 16 levels below e1 in a tree of its own.
    const std::string d15 = "s/d1/d2/d3/d4/d5/d6/d7/d8/d9/d10/d11/d12/d13/d14/d15/";
    const std::vector<std::string> songs = {"s/a.mid",       "s/song.rmi", "s/SONGMID",      "s/x.MIDI",
                                            "s/.hidden.mid", "s/.h/h.mid", d15 + "deep.mid"};
    for (const std::string& f : songs) ASSERT_TRUE(tree.make(f)) << f;
    for (const char* other :
         {"s/b.txt", "s/song.kar", "e1/e2/e3/e4/e5/e6/e7/e8/e9/e10/e11/e12/e13/e14/e15/e16/e17/x.mid"})
        ASSERT_TRUE(tree.make(other));
    RecordingSurface surface(kClientWidth, kClientHeight);
    DisplaySurfaces surfaces;
    surfaces.listSurface = &surface;
    ListView view{&surfaces, &list, &flags};
    s.view = &view;
    s.folders = &platformFolders();
    std::vector<std::string> found = search(tree.path("s").c_str()), expected;
    for (const std::string& f : songs) {
        expected.push_back(tree.path(f));
        // Stored as opened: upper case where the file system ignores case.
        if (!platformFolders().caseSensitive()) platformFolders().upperCase(&expected.back()[0]);
    }
    std::sort(found.begin(), found.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(found, expected);
    // The first song's row; a long path is drawn a character at a time, so only its index
    // is sure to be a text of its own.
    EXPECT_EQ(surface.texts.front().bytes.substr(0, 1), "0");
    // e17 is 16 levels below e1: meeting it ends the search.
    EXPECT_TRUE(search(tree.path("e1").c_str()).empty());
}

TEST_F(SearchTest, LetterCaseIsKeptOnlyWhereTheFileSystemTellsCaseApart) {
    for (bool caseSensitive : {true, false}) {
        FakeFolders folders('/', caseSensitive);
        for (const char* name : {"Song.mid", "song.Kar", "b.Rmi"}) folders.add("/Music", name);
        s.folders = &folders;
        const std::vector<std::string> kept = {"/Music/Song.mid", "/Music/b.Rmi"};
        const std::vector<std::string> upper = {"/MUSIC/SONG.MID", "/MUSIC/B.RMI"};
        EXPECT_EQ(search("/Music"), caseSensitive ? kept : upper);
    }
}

TEST_F(SearchTest, ShuffleAfterTheSearchAndTheListsLimit) {
    for (const char* name : {"A.MID", "B.MID", "C.MID", "D.MID", "E.MID"}) fake.add("R", name);
    settings.shuffleAfterSearch = true;
    EXPECT_EQ(search("R"), (std::vector<std::string>{"R/E.MID", "R/A.MID", "R/B.MID", "R/C.MID", "R/D.MID"}));
    EXPECT_EQ(seed, 36905u);  // five draws from 0
    settings.shuffleAfterSearch = false;
    for (int i = 0; i < 70000; ++i) fake.add("S", std::to_string(i) + ".MID");
    EXPECT_EQ(search("S").size(), size_t(kPlayListMaxSongs));
    EXPECT_LT(fake.served, 70000);
}

TEST_F(SearchTest, TheShuffledOrderIsDrawnBeforeTheSearchEnds) {
    for (const char* name : {"A.MID", "B.MID", "C.MID", "D.MID", "E.MID"}) fake.add("R", name);
    settings.shuffleAfterSearch = true;
    RecordingSurface surface(kClientWidth, kClientHeight);
    DisplaySurfaces surfaces;
    surfaces.listSurface = &surface;
    ListView view{&surfaces, &list, &flags};
    s.view = &view;
    search("R");
    std::string firstRow;
    for (const auto& t : surface.texts)
        if (t.y == 4) firstRow = t.bytes;
    EXPECT_EQ(firstRow, "0 R/E.MID");  // as shuffled, without waiting for another draw
}

// Each call to the listener with what the list holds at that moment.
struct RecordingListener : SearchListener {
    RecordingListener(const PlayList& l, const ControlFlags& f) : list(l), flags(f) {}
    void searchStarting() override { heard.push_back("start, " + std::to_string(listCount(list)) + " listed"); }
    void entryListed(int32_t count) override {
        const PlayListEntry* entry = count == listCount(list) ? slotEntry(list, count - 1) : nullptr;
        heard.push_back("listed " + std::to_string(count) + " " + (entry ? entry->path : "(not in place)"));
    }
    void listShuffled() override { heard.push_back(flags.searchRunning ? "shuffled, running" : "shuffled, ended"); }

    const PlayList& list;
    const ControlFlags& flags;
    std::vector<std::string> heard;
};

TEST_F(SearchTest, TheListenerHearsTheStartEverySongInPlaceAndTheShuffleBeforeTheEnd) {
    for (const char* name : {"A.MID", "b.txt", "C.MID"}) fake.add("R", name);
    search("R");  // a list left from an earlier search: the next one starts empty
    settings.shuffleAfterSearch = true;
    RecordingListener listener(list, flags);
    s.view = &listener;
    search("R");
    EXPECT_EQ(listener.heard, (std::vector<std::string>{"start, 0 listed", "listed 1 R/A.MID", "listed 2 R/C.MID",
                                                        "shuffled, running"}));
}

TEST_F(SearchTest, StopEndsARunningWalkBetweenEntries) {
    for (int i = 0; i < 1000; ++i) fake.add("R", std::to_string(i) + ".MID");
    // The walk holds at its eleventh entry until the stop is asked for.
    std::atomic<bool> reached{false};
    fake.beforeEntry = [&](int served) {
        if (served != 10) return;
        reached = true;
        while (!s.stopRequested) std::this_thread::yield();
    };
    ASSERT_TRUE(startFolderSearch(s, "R"));
    while (!reached) std::this_thread::yield();
    EXPECT_FALSE(startFolderSearch(s, "R"));  // one search at a time
    stopFolderSearch(s);
    // ".", ".." and eight songs came before the stop; the ninth was being read.
    EXPECT_EQ(listed().size(), 9u);
}

}  // namespace
