// The window's commands and drops on the program's records, through the recording view.
#include "shell/commands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>

#include "shell/history.h"
#include "shell/messages.h"
#include "tests/support/fake_shell.h"

namespace {

class Commands : public ::testing::Test, public ShellFixture {
protected:
    Program& p = *program;
    Sequencer& seq = *program->seq;

    // A song chosen in the next chooser, and loaded by open.
    std::string openLong(const char* name = "long.mid") {
        const std::string path = writeSong(name, longSong());
        view.fileAnswers.push_back(path);
        command(kCmdOpen);
        return path;
    }
    bool sentPanic() const {
        // The reset of type 0 (GS) is the panic's last message.
        return std::any_of(device.sent.begin(), device.sent.end(),
                           [](const SentMessage& m) { return m.bytes.size() == 11 && m.bytes[0] == 0xF0; });
    }
    int finishes = 0;
    std::unique_ptr<DropSource> dropOf(std::vector<std::string> paths) {
        return std::make_unique<TestDrop>(std::move(paths), finishes);
    }
};

// The captions follow the state table: idle, loaded, single song playing, back.
TEST_F(Commands, CaptionsFollowOpenPlayStopClose) {
    const std::string path = openLong();
    EXPECT_TRUE(seq.songLoaded);
    EXPECT_EQ(view.transport(), "play/autoplay/open/close");
    EXPECT_EQ(view.title, "Orvanel[" + path + "]");
    command(kCmdPlay);
    EXPECT_TRUE(seq.playing);
    EXPECT_EQ(view.transport(), "stop/ /open/close");
    command(kCmdPlay);
    EXPECT_FALSE(seq.playing);
    EXPECT_FALSE(p.flags.playbackThreadRunning);
    EXPECT_EQ(view.transport(), "play/autoplay/open/close");
    command(kCmdClose);
    EXPECT_FALSE(seq.songLoaded);
    EXPECT_EQ(view.title, "Orvanel");
    EXPECT_TRUE(view.boxes.empty());
    EXPECT_FALSE(p.flags.commandBusy);
}

TEST_F(Commands, PlayWithoutSongChoosesLoadsAndPlays) {
    const std::string path = writeSong("first.mid", longSong());
    view.fileAnswers.push_back(path);
    command(kCmdPlay);
    EXPECT_TRUE(seq.playing);
    EXPECT_EQ(view.caption(Button::Play), "stop");
    ASSERT_EQ(view.historyMenu.size(), 1u);
    EXPECT_EQ(view.historyMenu[0], path);
    // A cancelled chooser plays nothing.
    command(kCmdPlay);
    command(kCmdClose);
    command(kCmdPlay);
    EXPECT_FALSE(seq.songLoaded);
    EXPECT_EQ(view.caption(Button::Play), "play");
}

TEST_F(Commands, OpenCancelledWhilePlayingKeepsTheSong) {
    openLong();
    command(kCmdPlay);
    command(kCmdOpen);  // no answer: cancelled
    EXPECT_TRUE(seq.playing);
    EXPECT_EQ(view.caption(Button::Play), "stop");
}

TEST_F(Commands, FailedLoadsAndCloseShowTheirBoxes) {
    view.fileAnswers.push_back(writeSong("bad.mid", Bytes{'n', 'o', 'p', 'e'}));
    command(kCmdOpen);
    EXPECT_FALSE(seq.songLoaded);
    command(kCmdClose);
    command(kCmdClose);
    const std::vector<std::string> expected = {kOpenFailedText, kCloseFailedText, kCloseFailedText};
    EXPECT_EQ(view.boxes, expected);
    EXPECT_EQ(view.boxesOwned, (std::vector<bool>{true, false, false}));
}

TEST_F(Commands, PanicOnlyWhileStopped) {
    openLong();
    command(kCmdPlay);
    device.sent.clear();
    command(kCmdPanic);
    EXPECT_FALSE(sentPanic());
    command(kCmdPlay);  // stop (sends a panic of its own)
    device.sent.clear();
    command(kCmdPanic);
    EXPECT_TRUE(sentPanic());
}

TEST_F(Commands, LoopModeCyclesAtAnyTime) {
    openLong();
    command(kCmdPlay);
    const char* expected[] = {"loop", "cc111loop", "bigloop", "normal", "loop"};
    for (const char* name : expected) {
        command(kCmdLoopMode);
        EXPECT_EQ(view.caption(Button::LoopMode), name);
    }
    EXPECT_EQ(seq.loopMode, 1);
}

TEST_F(Commands, BreakPausesWithAllNotesOffAndContResumes) {
    openLong();
    command(kCmdPlay);
    device.sent.clear();
    command(kCmdBreak);
    EXPECT_TRUE(p.flags.paused);
    EXPECT_EQ(view.caption(Button::Break), "cont");
    EXPECT_EQ(device.sent.size(), 16u);  // controller 123 on every channel
    command(kCmdBreak);
    EXPECT_FALSE(p.flags.paused);
    EXPECT_EQ(view.caption(Button::Break), "break");
}

// Each guard: the command does nothing and says nothing.
TEST_F(Commands, GuardsRefuseSilently) {
    const std::string path = writeSong("g.mid", longSong());
    p.flags.commandBusy = true;
    for (int id : {int(kCmdOpen), int(kCmdPlay), int(kCmdClose), int(kCmdPanic), int(kCmdAutoplay), 5963}) {
        view.fileAnswers = {path};
        view.folderAnswers = {"C:\\music"};
        device.sent.clear();
        command(id);
        EXPECT_FALSE(seq.songLoaded) << id;
        EXPECT_TRUE(device.sent.empty()) << id;
        EXPECT_FALSE(p.flags.autoplayActive) << id;
    }
    p.flags.commandBusy = false;
    p.flags.advanceRequested = true;
    view.fileAnswers = {path};
    command(kCmdPlay);
    EXPECT_FALSE(seq.songLoaded);
    EXPECT_TRUE(view.boxes.empty());
}

TEST_F(Commands, ExitRefusedDuringASearch) {
    p.flags.searchRunning = true;
    command(kCmdExit);
    EXPECT_EQ(view.boxes, std::vector<std::string>{kCannotExitText});
    EXPECT_EQ(view.closes, 0);
    p.flags.searchRunning = false;
    command(kCmdExit);
    EXPECT_EQ(view.closes, 1);
}

TEST_F(Commands, DriveRootAutoplayRemembersTheRootAndSearchesTheDrive) {
    folders.addPath("C:", "SONG.MID");
    view.folderAnswers.push_back("C:\\");
    command(kCmdAutoplay);
    EXPECT_TRUE(p.flags.autoplayActive);
    EXPECT_TRUE(p.flags.commandBusy);
    EXPECT_EQ(view.currentFolder, "C:\\\\");
    EXPECT_EQ(p.history.slots[9], std::string("*C:\\"));
    EXPECT_EQ(panel.lines.back(), "autoplay directory = C:");
    waitForSongEnd();  // the search has ended
    EXPECT_EQ(folders.opened, 1);  // the tree holds "C:" alone
}

TEST_F(Commands, AutoplayChooserCancelledStartsNothing) {
    command(kCmdAutoplay);
    EXPECT_FALSE(p.flags.autoplayActive);
    EXPECT_FALSE(p.flags.commandBusy);
    EXPECT_EQ(folders.opened, 0);
}

// A folder that would be searched in vain is refused with a box: a path cut to fit would
// name another folder, one with a name the code page cannot spell holds a "?". A search
// still finishing (held here in its shuffle) refuses a new run with "play busy.". None of
// them changes the history or the current directory.
TEST_F(Commands, AutoplayRefusesAFolderTooLongOrUnspellableAndASearchNotYetFinished) {
    folders.addPath("C:", "SONG.MID");
    p.settings.shuffleAfterSearch = true;
    std::unique_lock<std::mutex> shuffle(p.playList.shuffleLock, std::defer_lock);
    const struct { std::string folder; bool searching; const char* box; const char* line; } cases[] = {
        {std::string(kFolderPathSize, 'x'), false, kFolderTooLongText, nullptr},
        {"C:\\Caf?", false, kFolderNameUnspellableText, nullptr},
        {"D:\\music", true, nullptr, kPlayBusyText},
    };
    for (const auto& c : cases) {
        if (c.searching) {
            shuffle.lock();
            ASSERT_TRUE(startFolderSearch(p.search, "C:"));
        }
        view.boxes.clear();
        panel.lines.clear();
        view.folderAnswers.push_back(c.folder);
        command(kCmdAutoplay);
        EXPECT_EQ(view.boxes, c.box ? std::vector<std::string>{c.box} : std::vector<std::string>{});
        EXPECT_EQ(panel.lines, c.line ? std::vector<std::string>{c.line} : std::vector<std::string>{});
        EXPECT_FALSE(p.flags.autoplayActive);
        EXPECT_FALSE(p.flags.commandBusy);
        EXPECT_TRUE(view.historyMenu.empty());
        EXPECT_TRUE(view.currentFolder.empty());
    }
    shuffle.unlock();
    EXPECT_TRUE(waitForSongEnd());
}

// "next" and a cancel before the controller's next tick: play and the history work after.
TEST_F(Commands, CancelRightAfterNextLeavesPlayAndTheHistoryAnswering) {
    const std::string a = writeSong("cna.mid", longSong()), b = writeSong("cnb.mid", longSong());
    dropFiles(p, dropOf({a, b}));
    tick();
    ASSERT_TRUE(seq.playing);
    command(kCmdPlay);
    command(kCmdAutoplay);
    EXPECT_FALSE(p.flags.autoplayActive);
    view.fileAnswers.push_back(b);
    command(kCmdPlay);
    EXPECT_TRUE(seq.playing);
    rememberInHistory(p, a.c_str());
    command(5972);
    EXPECT_EQ(view.title, "Orvanel[" + a + "]");
}

TEST_F(Commands, ListToggleLeavesAnAutoplaysBusyFlag) {
    command(kCmdListToggle);
    EXPECT_TRUE(p.flags.listViewShown);
    EXPECT_FALSE(view.dropsAccepted);
    EXPECT_FALSE(p.flags.commandBusy);
    p.flags.commandBusy = true;  // as a folder run holds it
    command(kCmdListToggle);
    EXPECT_FALSE(p.flags.listViewShown);
    EXPECT_TRUE(view.dropsAccepted);
    EXPECT_TRUE(p.flags.commandBusy);
}

TEST_F(Commands, EndCaptionsOfAnOlderPlaybackAreDropped) {
    openLong();
    command(kCmdPlay);
    const uint32_t current = p.playback.playNumber;
    view.captions[int(Button::Play)] = "next";
    playbackEnded(p, current - 1);
    EXPECT_EQ(view.caption(Button::Play), "next");
    playbackEnded(p, current);
    EXPECT_EQ(view.transport(), "play/autoplay/open/close");
}

TEST_F(Commands, ReadmeOpensFromTheProgramFolder) {
    std::strcpy(p.paths.programFolder, "C:\\Orvanel");
    command(kCmdReadme);
    EXPECT_EQ(view.documents, std::vector<std::string>{"C:\\Orvanel\\readme.txt"});
    EXPECT_FALSE(command(9999));
}

// --- drops ---------------------------------------------------------------------------

TEST_F(Commands, OneFileDroppedWhileStoppedPlaysAtOnce) {
    const std::string path = writeSong("drop.mid", longSong());
    dropFiles(p, dropOf({path}));
    EXPECT_TRUE(seq.playing);
    EXPECT_EQ(view.transport(), "stop/ /open/close");
    EXPECT_EQ(view.title, "Orvanel[" + path + "]");
    EXPECT_EQ(panel.lines, (std::vector<std::string>{"drop 1 file(s)", path}));
    EXPECT_TRUE(p.flags.dropSongStarted);
    EXPECT_EQ(view.historyMenu, std::vector<std::string>{path});
    EXPECT_FALSE(p.flags.commandBusy);
}

TEST_F(Commands, OneFileDroppedWhilePlayingIsBusy) {
    openLong();
    command(kCmdPlay);
    dropFiles(p, dropOf({writeSong("other.mid", longSong())}));
    EXPECT_EQ(panel.lines.back(), "play busy.");
    EXPECT_EQ(finishes, 1);
    EXPECT_FALSE(p.flags.commandBusy);
}

TEST_F(Commands, RefusedAndFailedDropsAreAnswered) {
    // Refused while busy: answered at once, nothing printed.
    p.flags.commandBusy = true;
    dropFiles(p, dropOf({"x.mid"}));
    EXPECT_EQ(finishes, 1);
    EXPECT_TRUE(panel.lines.empty());
    p.flags.commandBusy = false;
    // A file that does not load; a long path is not remembered.
    p.settings.historyForDrops = true;
    dropFiles(p, dropOf({std::string(300, 'a') + ".mid"}));
    EXPECT_EQ(panel.lines.back(), "open error.");
    EXPECT_FALSE(seq.songLoaded);
    EXPECT_TRUE(view.historyMenu.empty());
    EXPECT_EQ(finishes, 2);
}

TEST_F(Commands, ThreeFilesDroppedStartADropRun) {
    dropFiles(p, dropOf({"a.mid", "b.mid", "c.mid"}));
    EXPECT_TRUE(p.flags.autoplayActive);
    EXPECT_TRUE(p.flags.dropListMode);
    EXPECT_TRUE(p.flags.commandBusy);
    EXPECT_EQ(view.transport(), "next/cancel/ / ");
    EXPECT_EQ(p.drop.dropCount, 3u);
    // Cancel answers the drop and restores the idle state.
    EXPECT_EQ(finishes, 0);
    command(kCmdAutoplay);
    EXPECT_EQ(finishes, 1);
    EXPECT_FALSE(p.flags.autoplayActive);
    EXPECT_FALSE(p.flags.dropListMode);
    EXPECT_FALSE(p.drop.source);
    EXPECT_EQ(view.transport(), "play/autoplay/open/close");
    EXPECT_FALSE(p.flags.commandBusy);
}

}  // namespace
