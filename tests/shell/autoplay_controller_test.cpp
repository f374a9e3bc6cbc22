// The autoplay controller over folder runs and drop runs: the order of the songs, the
// end of the list in each mode, skips, and the captions it leaves.
#include "shell/autoplay_controller.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>

#include "display/display_surfaces.h"
#include "display/list_view.h"
#include "platform/files.h"
#include "shell/commands.h"
#include "tests/support/fake_shell.h"
#include "tests/support/recording_surface.h"

namespace {

#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

class Controller : public ::testing::Test, public ShellFixture {
protected:
    Program& p = *program;
    std::string root;
    int finishes = 0;

    void SetUp() override {
        const std::string scratch = scratchPath("x");
        root = scratch.substr(0, scratch.size() - 2);
        p.settings.keepListAfterEnd = false;
    }
    // Song files in the scratch folder, listed under root in this order; "bad" names
    // hold no song.
    void listFiles(std::initializer_list<const char*> names) {
        for (const char* name : names) {
            writeSong(name, std::string(name).find("BAD") == std::string::npos ? shortSong() : Bytes{1, 2, 3});
            folders.addPath(root, name);
        }
    }
    void startFolderRun() {
        view.folderAnswers.push_back(root);
        command(kCmdAutoplay);
        ASSERT_TRUE(p.flags.autoplayActive);
    }
    // Titles shown for the songs, in order, without the product name.
    std::vector<std::string> titles;
    void tickAndRecord(int n) {
        for (int i = 0; i < n && p.flags.autoplayActive; ++i) {
            waitForSongEnd();
            const std::string before = view.title;
            tick();
            if (view.title != before && view.title != "Orvanel") titles.push_back(view.title.substr(8));
        }
    }
    std::string at(const char* name) {
        // Shown as listed: upper case where the file system ignores case, else the file's own.
        std::string path = root + kSeparator + name;
        if (!folders.caseSensitive()) std::transform(path.begin(), path.end(), path.begin(), ::toupper);
        return path + "]";
    }
    size_t count(const std::string& line) const { return std::count(panel.lines.begin(), panel.lines.end(), line); }
    // Whether the search has put the end marker after its last song (10 s at most). Held
    // at p.playList.shuffleLock, the search thread then stops at its shuffle.
    bool endMarkerListed() {
        for (int i = 0; i < 2000; ++i) {
            const PlayListEntry* e = slotEntry(p.playList, listCount(p.playList));
            if (e != nullptr && isEndMarker(*e)) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }
};

// switch.txt "bb": songs start before the search ends, which shuffles the list at its end.
// The end marker taken while the search thread still shuffles waits like an empty slot:
// ending the run then would release entries that thread is moving.
TEST_F(Controller, TheEndMarkerEndsNoRunWhileTheSearchStillHoldsTheList) {
    listFiles({"HOLDBAD1.MID", "HOLDBAD2.MID"});
    p.settings.waitForSearchEnd = false;
    p.settings.shuffleAfterSearch = true;
    std::unique_lock<std::mutex> shuffle(p.playList.shuffleLock);
    startFolderRun();
    ASSERT_TRUE(endMarkerListed());
    for (int i = 0; i < 4; ++i) tick();
    EXPECT_TRUE(p.flags.autoplayActive);
    EXPECT_EQ(count("open error skip..."), 2u);
    EXPECT_EQ(panel.lines.back(), "search waiting...");
    shuffle.unlock();
    tickAndRecord(3);
    EXPECT_FALSE(p.flags.autoplayActive);
    EXPECT_EQ(panel.lines.back(), "autoplay finished.");
}

// With the wait for the search (forced along with the shuffle), the first song is the
// first of the shuffled list: the search is not over before its shuffle is.
TEST_F(Controller, TheFirstSongOfAShuffledRunComesFromTheShuffledList) {
    listFiles({"SHA.MID", "SHB.MID", "SHC.MID", "SHD.MID", "SHE.MID"});
    p.settings.shuffleAfterSearch = true;
    p.randomSeed = 0;  // five draws from 0 put E first
    {
        std::lock_guard<std::mutex> shuffle(p.playList.shuffleLock);
        startFolderRun();
        ASSERT_TRUE(endMarkerListed());
        tick();
        EXPECT_EQ(view.title, "Orvanel");
    }
    ASSERT_TRUE(waitForSongEnd());
    tick();
    EXPECT_EQ(view.title.substr(8), at("SHE.MID"));
}

// The rows, a shuffle now and the controller read the list while the search writes it:
// each sees whole entries only (also under ThreadSanitizer).
TEST_F(Controller, TheListIsReadWholeWhileTheSearchWritesIt) {
    for (int i = 0; i < 3000; ++i) folders.addPath(root, "R" + std::to_string(i) + ".MID");
    // The walk goes on past its 1000th entry only once the list has been read a few times.
    std::atomic<int> rounds{0};
    folders.beforeEntry = [&rounds](int served) {
        if (served % 50 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        while (served == 1000 && rounds < 5) std::this_thread::yield();
    };
    RecordingSurface surface(kClientWidth, kClientHeight);
    p.surfaces.listSurface = &surface;
    p.settings.waitForSearchEnd = false;
    startFolderRun();
    // Read until the search has ended (no early return: the thread uses what is here).
    bool whole = true;
    for (; p.flags.searchRunning; ++rounds) {
        drawListView(p.listView);
        shuffleList(p.playList, p.randomSeed);
        tick();
        const int32_t n = listCount(p.playList);
        for (int32_t i = 0; i < n && whole; i += 7) {
            const PlayListEntry* e = slotEntry(p.playList, i);
            const size_t length = e ? std::strlen(e->path) : 0;
            whole = e != nullptr && e->listed == 1 && length > 4 && std::strcmp(e->path + length - 4, ".MID") == 0;
        }
    }
    p.surfaces.listSurface = nullptr;
    EXPECT_TRUE(whole);
    EXPECT_GT(count("open error skip..."), 0u);
    EXPECT_GT(surface.texts.size(), 0u);
}

TEST_F(Controller, FolderRunPlaysEverySongInWalkOrderThenFinishes) {
    listFiles({"RUNB.MID", "RUNA.MID", "RUNC.MIDI"});
    startFolderRun();
    tickAndRecord(20);
    EXPECT_EQ(titles, (std::vector<std::string>{at("RUNB.MID"), at("RUNA.MID"), at("RUNC.MIDI")}));
    EXPECT_FALSE(p.flags.autoplayActive);
    EXPECT_FALSE(p.flags.commandBusy);
    EXPECT_EQ(panel.lines.back(), "autoplay finished.");
    EXPECT_EQ(panel.lines[panel.lines.size() - 2], "end");  // the end marker, printed with full paths
    EXPECT_EQ(view.transport(), "play/autoplay/open/close");
    EXPECT_EQ(view.title, "Orvanel");
    EXPECT_EQ(listCount(p.playList), 0);
}

TEST_F(Controller, CaptionsDuringAFolderRunAndNextWhilePaused) {
    const std::string song = writeSong("RUNLONG.MID", longSong());
    folders.addPath(root, "RUNLONG.MID");
    listFiles({"RUNZ.MID"});
    startFolderRun();
    // The search's end, then the first song starts; ticks while it plays change nothing.
    ASSERT_TRUE(tickUntil([&] { return p.seq->playing; }, 5));
    tick();
    tick();
    ASSERT_TRUE(p.seq->playing);
    EXPECT_EQ(view.title.substr(8), at("RUNLONG.MID"));
    EXPECT_EQ(view.transport(), "next/cancel/ / ");
    command(kCmdBreak);
    command(kCmdPlay);  // while paused: resumes only
    EXPECT_FALSE(p.flags.paused);
    EXPECT_TRUE(p.seq->playing);
    EXPECT_EQ(view.caption(Button::Break), "break");
    command(kCmdPlay);  // skips
    EXPECT_TRUE(p.flags.advanceRequested);
    EXPECT_FALSE(p.flags.playbackThreadRunning);
    tick();
    EXPECT_FALSE(p.flags.advanceRequested);
    EXPECT_EQ(view.title.substr(8), at("RUNZ.MID"));
}

TEST_F(Controller, BigloopStartsTheListAgainWithoutSearching) {
    listFiles({"LOOPA.MID", "LOOPB.MID"});
    p.seq->loopMode = 3;
    startFolderRun();
    tickAndRecord(12);
    ASSERT_GE(titles.size(), 4u);
    EXPECT_EQ(titles[2], titles[0]);
    EXPECT_EQ(titles[3], titles[1]);
    EXPECT_TRUE(p.flags.autoplayActive);
    EXPECT_EQ(folders.opened, 1);  // searched once
}

TEST_F(Controller, KeptListPausesOnItsFirstSong) {
    listFiles({"KEEPA.MID", "KEEPB.MID"});
    p.settings.keepListAfterEnd = true;
    startFolderRun();
    ASSERT_TRUE(tickUntil([&] { return p.flags.paused.load(); }, 20));
    EXPECT_EQ(view.caption(Button::Break), "cont");
    tick();  // loads and starts the first song, which stays paused
    EXPECT_TRUE(p.seq->playing);
    EXPECT_EQ(view.title.substr(8), at("KEEPA.MID"));
    EXPECT_TRUE(p.flags.autoplayActive);
}

TEST_F(Controller, EmptyFolderFinishesAtOnceInEveryMode) {
    folders.addPath(root, "NOTASONG.TXT");
    p.seq->loopMode = 3;
    p.settings.keepListAfterEnd = true;
    startFolderRun();
    tickAndRecord(3);
    EXPECT_FALSE(p.flags.autoplayActive);
    EXPECT_EQ(panel.lines.back(), "autoplay finished.");
}

TEST_F(Controller, FailedSongIsSkipped) {
    listFiles({"SKIPBAD.MID", "SKIPGOOD.MID"});
    startFolderRun();
    tickAndRecord(10);
    EXPECT_EQ(titles, std::vector<std::string>{at("SKIPGOOD.MID")});
    EXPECT_EQ(count("open error skip..."), 1u);
}

TEST_F(Controller, WaitingForTheSearchReturnsToTheCaller) {
    p.settings.waitForSearchEnd = false;
    p.flags.autoplayActive = true;
    p.flags.commandBusy = true;
    const uint32_t before = clock.waited;
    tick();  // nothing listed yet: one wait, one line, back
    tick();
    EXPECT_EQ(count("search waiting..."), 2u);
    EXPECT_EQ(clock.waited - before, 200u);
    EXPECT_EQ(p.playList.playPos, 0);
}

TEST_F(Controller, DropRunSkipsWhatDoesNotLoad) {
    const std::string a = writeSong("DROPA.MID", shortSong());
    const std::string c = writeSong("DROPC.MID", shortSong());
    dropFiles(p, std::make_unique<TestDrop>(std::vector<std::string>{a, scratchPath("NONE.MID"), c}, finishes));
    tickAndRecord(10);
    EXPECT_EQ(titles, (std::vector<std::string>{a + "]", c + "]"}));
    const std::vector<std::string> expected = {"drop 3 file(s)", "1 / 3", a, "2 / 3", scratchPath("NONE.MID"),
                                               "skip", "3 / 3", c, "autoplay finished."};
    EXPECT_EQ(panel.lines, expected);
    EXPECT_EQ(finishes, 1);
    EXPECT_FALSE(p.flags.dropListMode);
}

TEST_F(Controller, DropRunOfNothingLoadableEndsEvenInBigloop) {
    p.seq->loopMode = 3;
    dropFiles(p, std::make_unique<TestDrop>(std::vector<std::string>{"NO1.MID", "NO2.MID"}, finishes));
    tickAndRecord(10);
    EXPECT_FALSE(p.flags.autoplayActive);
    EXPECT_EQ(count("skip"), 2u);
    EXPECT_EQ(finishes, 1);
}

TEST_F(Controller, DropRunInBigloopStartsOverAfterASongPlayed) {
    p.seq->loopMode = 3;
    const std::string a = writeSong("DROPLA.MID", shortSong());
    dropFiles(p, std::make_unique<TestDrop>(std::vector<std::string>{a, "NO.MID"}, finishes));
    tickAndRecord(8);
    EXPECT_TRUE(p.flags.autoplayActive);
    EXPECT_GE(count("1 / 2"), 2u);  // the list started over
    EXPECT_EQ(finishes, 0);
}

}  // namespace
