#include "display/skin_animation.h"

#include <gtest/gtest.h>

#include <vector>

#include "display/display_surfaces.h"
#include "tests/support/recording_surface.h"

namespace {

AnimationInput playingAt(int32_t bpm, int32_t tick, int32_t division) {
    AnimationInput in;
    in.playing = true;
    in.songLoaded = true;
    in.bpm = bpm;
    in.tick = tick;
    in.division = division;
    return in;
}

TEST(SkinSizeTest, OnlyExactly2080By80IsAccepted) {
    EXPECT_TRUE(skinSizeAccepted(2080, 80));
    EXPECT_FALSE(skinSizeAccepted(2080, 81));
    EXPECT_FALSE(skinSizeAccepted(2079, 80));
    EXPECT_FALSE(skinSizeAccepted(80, 2080));
    EXPECT_FALSE(skinSizeAccepted(0, 0));
    EXPECT_FALSE(skinSizeAccepted(2080, -80));
}

TEST(FrameChoiceTest, StillFramesWhenNotPlaying) {
    AnimationInput in;
    EXPECT_EQ(nextFrame(in), 0);
    in.songLoaded = true;
    EXPECT_EQ(nextFrame(in), 1);
}

TEST(FrameChoiceTest, TempoPicksTheGroup) {
    EXPECT_EQ(nextFrame(playingAt(99, 0, 480)), 10);
    EXPECT_EQ(nextFrame(playingAt(100, 0, 480)), 2);
    EXPECT_EQ(nextFrame(playingAt(180, 0, 480)), 2);
    EXPECT_EQ(nextFrame(playingAt(181, 0, 480)), 18);
    EXPECT_EQ(nextFrame(playingAt(1, 0, 480)), 10);
    EXPECT_EQ(nextFrame(playingAt(60000000, 0, 480)), 18);
}

TEST(FrameChoiceTest, OneFramePerSixteenthOverTwoQuarterNotes) {
    const struct {
        int32_t tick;
        int32_t frame;
    } cases[] = {{0, 2}, {119, 2}, {120, 3}, {479, 5}, {480, 6}, {959, 9}, {960, 2}, {1080, 3}};
    for (const auto& c : cases) EXPECT_EQ(nextFrame(playingAt(120, c.tick, 480)), c.frame) << c.tick;
    EXPECT_EQ(nextFrame(playingAt(200, 959, 480)), 25);
    EXPECT_EQ(nextFrame(playingAt(90, 96 * 2 + 24 * 5, 96)), 15);
}

TEST(FrameChoiceTest, OddAndTinyDivisionsStayInsideTheGroup) {
    for (int32_t division : {0, 1, 2, 3, 5, 6, 7, 10, 4095, -1, -480, 0x7FFFFFFF}) {
        for (int32_t bpm : {60, 120, 240}) {
            const int32_t start = bpm < 100 ? 10 : bpm > 180 ? 18 : 2;
            for (int32_t tick = 0; tick < 200; ++tick) {
                const int32_t f = nextFrame(playingAt(bpm, tick, division));
                ASSERT_GE(f, start) << division << " " << tick;
                ASSERT_LE(f, start + 7) << division << " " << tick;
            }
            const int32_t big = nextFrame(playingAt(bpm, 0x7FFFFFFE, division));
            EXPECT_GE(big, start);
            EXPECT_LE(big, start + 7);
        }
    }
}

TEST(FrameChoiceTest, DivisionSixStillStepsThroughAllEightFrames) {
    // Two quarter notes are 12 ticks; the eight frames spread over them in order.
    std::vector<int32_t> frames;
    for (int32_t tick = 12; tick < 24; ++tick) frames.push_back(nextFrame(playingAt(120, tick, 6)) - 2);
    EXPECT_EQ(frames.front(), 0);
    EXPECT_EQ(frames.back(), 7);
    for (size_t i = 1; i < frames.size(); ++i) EXPECT_LE(frames[i - 1], frames[i]);
    EXPECT_EQ(nextFrame(playingAt(120, 24, 6)), 2);
    // Division 1 and 3 alternate between halves of the group.
    EXPECT_EQ(nextFrame(playingAt(120, 1, 1)), 6);
    EXPECT_EQ(nextFrame(playingAt(120, 3, 3)), 6);
}

class AnimationTest : public ::testing::Test {
protected:
    static uint32_t framePixel(int k) { return 0xAB0000u + uint32_t(k); }

    AnimationTest()
        : window(kClientWidth, kClientHeight), back(kClientWidth, kClientHeight), skin(kSkinWidth, kSkinHeight) {
        back.fillWhite(0, 0, kClientWidth, kClientHeight);
        for (int k = 0; k < kSkinFrameCount; ++k) skin.fill(80 * k, 0, 80, 80, framePixel(k));
        surfaces.windowSurface = &window;
        surfaces.backSurface = &back;
        surfaces.skinSurface = &skin;
    }

    // Frame shown in a surface, or -1 when the square is not one frame throughout.
    static int shownIn(const RecordingSurface& s) {
        const uint32_t p = s.pixel(kSkinFrameX, kSkinFrameY);
        if (!s.allPixels(kSkinFrameX, kSkinFrameY, 80, 80, p) || (p & 0xFFFF00u) != 0xAB0000u) return -1;
        return int(p & 0xFF);
    }

    void step(const AnimationInput& in, bool reloading = false) { stepAnimation(anim, surfaces, in, reloading); }

    RecordingSurface window, back, skin;
    DisplaySurfaces surfaces;
    SkinAnimation anim;
};

TEST_F(AnimationTest, FirstStepDrawsTheInitialFrameIntoBackAndWindow) {
    AnimationInput idle;
    step(idle);
    EXPECT_EQ(shownIn(back), 1);
    EXPECT_EQ(shownIn(window), 1);
    EXPECT_EQ(anim.frame, 0);
    for (const auto& c : window.copies) {
        EXPECT_EQ(c.w, 80);
        EXPECT_EQ(c.h, 80);
    }
    // The rest of the back surface is untouched.
    EXPECT_TRUE(back.allPixels(0, 0, kClientWidth, kSkinFrameY, RecordingSurface::kWhite));
}

TEST_F(AnimationTest, StillFrameIsNotRedrawnUntilItChanges) {
    AnimationInput loaded;
    loaded.songLoaded = true;
    step(loaded);  // draws 1, chooses 1
    const size_t copies = window.copies.size();
    step(loaded);
    step(loaded);
    EXPECT_EQ(window.copies.size(), copies);
    EXPECT_EQ(shownIn(window), 1);
}

TEST_F(AnimationTest, PlayingFrameIsDrawnOneStepLateAndRedrawnEveryStep) {
    step(playingAt(120, 120, 480));  // draws 1, chooses 3
    EXPECT_EQ(shownIn(window), 1);
    step(playingAt(120, 480, 480));  // draws 3, chooses 6
    EXPECT_EQ(shownIn(window), 3);
    // Paused: the tick stands still, the same frame is drawn again at every step.
    step(playingAt(120, 480, 480));
    const size_t copies = window.copies.size();
    step(playingAt(120, 480, 480));
    EXPECT_EQ(shownIn(window), 6);
    EXPECT_EQ(window.copies.size(), copies + 1);
}

TEST_F(AnimationTest, StopShowsTheStillFrameAtTheStepAfterTheOneThatSeesIt) {
    AnimationInput stopped;
    stopped.songLoaded = true;
    step(playingAt(150, 240, 480));  // chooses 4
    step(playingAt(150, 240, 480));  // draws 4
    step(stopped);                   // still draws 4, chooses 1
    EXPECT_EQ(shownIn(window), 4);
    step(stopped);
    EXPECT_EQ(shownIn(window), 1);
    AnimationInput unloaded;
    step(unloaded);
    step(unloaded);
    EXPECT_EQ(shownIn(window), 0);
}

TEST_F(AnimationTest, NothingHappensWhileTheSkinReloads) {
    step(playingAt(120, 0, 480), true);
    EXPECT_EQ(anim.frame, 1);
    EXPECT_EQ(anim.shownFrame, 0);
    EXPECT_FALSE(anim.redrawPending);
    EXPECT_TRUE(window.copies.empty());
    EXPECT_TRUE(back.copies.empty());
}

TEST_F(AnimationTest, NewSkinShowsAtOnceWhenTheShownFrameIsForgotten) {
    AnimationInput loaded;
    loaded.songLoaded = true;
    step(loaded);
    step(loaded);
    skin.fill(80, 0, 80, 80, 0xAB0000u + 40);  // the new skin's frame 1
    anim.shownFrame = -1;
    step(loaded);
    EXPECT_EQ(shownIn(window), 40);
}

TEST_F(AnimationTest, StepsWithoutSurfacesAdvanceAndLeaveTheFramePending) {
    DisplaySurfaces none;
    AnimationInput idle;
    stepAnimation(anim, none, idle, false);
    EXPECT_EQ(anim.frame, 0);
    stepAnimation(anim, none, idle, false);
    // Now the surfaces exist: the first step draws though the frame number is unchanged.
    step(idle);
    EXPECT_EQ(shownIn(window), 0);
}

// A millisecond clock that only moves when the loop sleeps.
struct FakeClock {
    explicit FakeClock(uint32_t startAt) : now(startAt), start(startAt) {}
    uint32_t now;
    uint32_t start;
    Relaxed<bool> running{true};
    std::vector<uint32_t> stepTimes;  // milliseconds since start
    size_t stopAfter = 5;

    AnimationLoopOps ops() {
        return {[](void* c) { return static_cast<FakeClock*>(c)->now; },
                [](void* c, uint32_t ms) { static_cast<FakeClock*>(c)->now += ms; },
                [](void* c) {
                    auto* self = static_cast<FakeClock*>(c);
                    self->stepTimes.push_back(self->now - self->start);
                    if (self->stepTimes.size() >= self->stopAfter) self->running = false;
                },
                this};
    }
};

TEST(AnimationLoopTest, StepsOnTheFirstCheckAtOrAfter50Ms) {
    FakeClock clock(1000);
    runAnimationLoop(clock.running, clock.ops());
    EXPECT_EQ(clock.stepTimes, (std::vector<uint32_t>{69, 138, 207, 276, 345}));
}

TEST(AnimationLoopTest, ClockWrapStartsANewWaitInsteadOfRacing) {
    // 16 ms before the wrap: a step may not come before 50 ms have passed, and the wrap
    // itself restarts the wait.
    FakeClock clock(0xFFFFFFF0u);
    clock.stopAfter = 2;
    runAnimationLoop(clock.running, clock.ops());
    ASSERT_EQ(clock.stepTimes.size(), 2u);
    EXPECT_EQ(clock.stepTimes[0], 23u + 69u);  // wrapped at the first sleep
    EXPECT_EQ(clock.stepTimes[1], 23u + 138u);
}

}  // namespace
