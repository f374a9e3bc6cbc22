// The seek bar and the spins as the window passes their messages on.
#include "shell/window_input.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>

#include "display/list_view.h"
#include "shell/commands.h"
#include "tests/support/fake_shell.h"
#include "tests/support/recording_surface.h"

namespace {

// Called from the playback thread and, for a seek while paused, from the test's.
class RecordingTransport : public TransportView {
public:
    void showSeekPosition(int32_t percent) override {
        std::lock_guard<std::mutex> hold(lock);
        shown.push_back(percent);
    }
    std::vector<int32_t> taken() {
        std::lock_guard<std::mutex> hold(lock);
        std::vector<int32_t> all;
        all.swap(shown);
        return all;
    }
    void enableSeekBar(bool) override {}
    void setTransportCaptions(const char*, const char*, uint32_t) override {}
    void showPlayTime(int32_t, int32_t) override {}
    void clearReadouts() override {}
    std::mutex lock;
    std::vector<int32_t> shown;
};

class WindowInput : public ::testing::Test, public ShellFixture {
protected:
    Program& p = *program;
    RecordingTransport transport;
    RecordingSurface back{290, 268, RecordingSurface::kWhite};
    RecordingSurface window{290, 268, RecordingSurface::kWhite};

    void SetUp() override {
        p.playback.view = &transport;
        p.surfaces.backSurface = &back;
        p.surfaces.windowSurface = &window;
    }
    void TearDown() override {
        stopPlayback(p.playback);
        p.surfaces.backSurface = p.surfaces.windowSurface = nullptr;
    }
    void playLong() {
        view.fileAnswers.push_back(writeSong("seek.mid", longSong(600)));
        command(kCmdPlay);
        ASSERT_TRUE(p.seq->playing);
    }
    size_t allNotesOffs() const {
        size_t n = 0;
        for (const SentMessage& m : device.sent) n += m.bytes.size() == 3 && (m.bytes[0] & 0xF0) == 0xB0 && m.bytes[1] == 123;
        return n;
    }
};

TEST_F(WindowInput, ThumbDragStopsFollowingAndTheReleaseSeeksThere) {
    playLong();
    seekBarRequest(p, kSeekThumbTrack, 30);
    EXPECT_FALSE(p.flags.seekFollows);
    EXPECT_TRUE(panel.lines.empty());
    seekBarRequest(p, kSeekThumbPosition, 50);
    EXPECT_TRUE(p.flags.seekFollows);
    EXPECT_EQ(panel.lines.back(), "SET SeekBar= 50%");
    // Half of the song's steps, give or take the steps played since.
    const int32_t half = p.seq->songSteps / 2;
    EXPECT_GE(p.seq->elapsedSteps, half);
    EXPECT_LT(p.seq->elapsedSteps, half + 3000);
    seekBarRequest(p, kSeekLineLeft, 0);
    EXPECT_EQ(panel.lines.back(), "SET SeekBar= 0%");
    EXPECT_LT(p.seq->elapsedSteps, 3000);
    for (int other : {int(kSeekPageLeft), int(kSeekPageRight), 8}) seekBarRequest(p, other, 0);
    EXPECT_EQ(panel.lines.size(), 2u);
}

TEST_F(WindowInput, SeekWhilePausedMovesTheThumbAtOnce) {
    playLong();
    command(kCmdBreak);
    transport.taken();
    seekBarRequest(p, kSeekThumbPosition, 40);
    // (The thread's own first position, 0, may still arrive around it.)
    const std::vector<int32_t> shown = transport.taken();
    EXPECT_EQ(std::count(shown.begin(), shown.end(), 40), 1);
    EXPECT_EQ(p.flags.seekPos, 40);
}

TEST_F(WindowInput, RightArrowActsOnlyDuringAutoplay) {
    playLong();
    seekBarRequest(p, kSeekLineRight, 0);
    EXPECT_TRUE(p.seq->playing);
    EXPECT_FALSE(p.flags.advanceRequested);
    p.flags.autoplayActive = true;
    p.flags.paused = true;
    seekBarRequest(p, kSeekLineRight, 0);  // resumes only
    EXPECT_FALSE(p.flags.paused);
    EXPECT_TRUE(p.seq->playing);
    EXPECT_EQ(view.caption(Button::Break), "break");
    seekBarRequest(p, kSeekLineRight, 0);  // moves on
    EXPECT_TRUE(p.flags.advanceRequested);
    EXPECT_FALSE(p.seq->playing);
    EXPECT_FALSE(p.flags.playbackThreadRunning);
    p.flags.autoplayActive = false;
}

TEST_F(WindowInput, SpinsClampAndTheKeyShiftSilencesOnEveryMessage) {
    struct Step {
        int code;
        int32_t speedIndex;
        int32_t keyShift;
        const char* keyText;
    } steps[] = {
        {kScrollLineUp, 2, 1, "+1"}, {kScrollLineUp, 2, 2, "+2"}, {kScrollEnd, 2, 2, "+2"},
        {kScrollLineDown, 1, 1, "+1"}, {kScrollLineDown, 0, 0, "+0"}, {kScrollLineDown, 0, -1, "-1"},
    };
    size_t messages = 0;
    for (const Step& s : steps) {
        speedSpinRequest(p, s.code);
        keyShiftSpinRequest(p, s.code);
        ++messages;
        EXPECT_EQ(p.settings.speedIndex, s.speedIndex) << s.code;
        EXPECT_EQ(p.settings.keyShift, s.keyShift) << s.code;
        EXPECT_EQ(back.texts.back().bytes, s.keyText);
        EXPECT_EQ(allNotesOffs(), 16 * messages);
    }
    for (int i = 0; i < 9; ++i) keyShiftSpinRequest(p, kScrollLineDown);
    EXPECT_EQ(p.settings.keyShift, -6);
    for (int i = 0; i < 15; ++i) keyShiftSpinRequest(p, kScrollLineUp);
    EXPECT_EQ(p.settings.keyShift, 6);
    EXPECT_EQ(allNotesOffs(), 16 * (messages + 24));  // at the limits too
    speedSpinRequest(p, kScrollLineUp);
    const std::vector<RecordingSurface::TextCall>& texts = back.texts;
    bool shown200 = false, shown050 = false;
    for (const auto& t : texts) {
        shown200 = shown200 || t.bytes == "200%";
        shown050 = shown050 || t.bytes == "050%";
    }
    EXPECT_TRUE(shown200);
    EXPECT_TRUE(shown050);
}

}  // namespace
