// The clock: tick arithmetic, the end of a song by loop mode, rewind, the loop point
// and the seek with its resend.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/support/player_fixture.h"
#include "tests/support/sequencer_compare.h"

namespace {

using Lines = std::vector<std::string>;

TEST(Clock, TicksAdvanceByDivisionTimesTempoOver6000) {
    Sequencer seq;
    Settings settings;
    seq.settings = &settings;
    initSequencer(seq);
    seq.activeTracks = 1;  // no track to read, but the song has not ended
    seq.playing = true;
    for (int i = 1; i <= 5; ++i) {
        step(seq, nullptr, false);
        EXPECT_EQ(seq.tick, i);  // division 48, 125 bpm: one tick a step
    }
    seq.division = 480;
    seq.bpm = 120;
    recomputeIncrement(seq);
    EXPECT_EQ(seq.stepIncrement, 57600);
    seq.tick = 0;
    int64_t last = 0;
    for (int i = 1; i <= 5; ++i) {
        step(seq, nullptr, false);
        const int64_t advanced = seq.tick - last;
        EXPECT_TRUE(advanced == 9 || advanced == 10);
        last = seq.tick;
    }
    EXPECT_EQ(seq.tick, 48);  // 9.6 ticks a step on average
    seq.stepIncrement = 1500;  // a quarter tick a step
    const int64_t before = seq.tick;
    for (int i = 0; i < 4; ++i) step(seq, nullptr, false);
    EXPECT_EQ(seq.tick, before + 1);
}

// A song whose track 1 captures a loop point at tick 20 and ends at tick 40; one tick
// a step throughout.
Bytes loopSong() {
    Track t0, t1;
    t0.tempo(0, 480000).ev(0, {0x90, 1, 1}).ev(10, {0x90, 2, 2}).end(30);
    t1.ev(20, {0xB0, 111, 0}).ev(0, {0x90, 3, 3}).end(20);
    return buildSmf(48, {t0, t1});
}

TEST(Clock, LoopModesAtTheEndOfTheSong) {
    {
        PlayerFixture f;  // normal and bigloop stop
        for (int8_t mode : {0, 3}) {
            ASSERT_TRUE(f.load(loopSong()));
            f.seq->loopMode = mode;
            EXPECT_EQ(f.play(), 41u);
            EXPECT_FALSE(f.seq->playing);
            unloadSong(*f.seq);
        }
    }
    {
        PlayerFixture f;  // loop: starts over at tick 0 in the same step
        ASSERT_TRUE(f.load(loopSong()));
        // The scan starts at 120 bpm: its first step stays at tick 0.
        EXPECT_EQ(f.seq->songSteps, 42);
        f.seq->loopMode = 1;
        f.play(41);
        EXPECT_TRUE(f.seq->playing);
        EXPECT_EQ(f.seq->tick, 0);
        EXPECT_EQ(f.seq->elapsedSteps, 1);  // reset by the rewind, then counted
        EXPECT_FALSE(f.seq->loopFound);
        f.device.sent.clear();
        f.resume(1);
        EXPECT_EQ(f.device.hex(), (Lines{"90 01 01"}));
    }
    {
        PlayerFixture f;  // cc111loop: resumes at the captured position
        ASSERT_TRUE(f.load(loopSong()));
        f.seq->loopMode = 2;
        f.play(41);
        EXPECT_TRUE(f.seq->playing);
        EXPECT_EQ(f.seq->tick, 21);
        EXPECT_EQ(f.seq->elapsedSteps, 21);  // 20 at the capture, then this step
        f.device.sent.clear();
        f.resume(1);
        // The capturing track goes on after its CC111: the note that followed it in the
        // same step is played again, the CC111 is not met again.
        EXPECT_EQ(f.device.hex(), (Lines{"90 03 03"}));
        f.resume(19);
        EXPECT_EQ(f.seq->tick, 21);  // ended again at tick 41 and went back
        EXPECT_EQ(f.panel.lines.size(), 1u);
    }
    {
        PlayerFixture f;  // cc111loop without a loop point behaves as loop
        Track t;
        t.tempo(0, 480000).ev(0, {0x90, 1, 1}).end(5);
        ASSERT_TRUE(f.load(buildSmf(48, {t})));
        f.seq->loopMode = 2;
        f.play(6);
        EXPECT_EQ(f.seq->tick, 0);
        EXPECT_TRUE(f.seq->playing);
    }
}

TEST(Clock, TheCapturingTrackResumesAfterItsEventLaterTracksReplayTheirs) {
    PlayerFixture f;
    Track t0, t1, t2;
    t0.tempo(0, 480000).ev(5, {0x90, 0, 0}).end(1);
    t1.ev(5, {0xB0, 111, 0}).ev(0, {0x91, 1, 1}).end(1);
    t2.ev(5, {0x92, 2, 2}).end(1);
    ASSERT_TRUE(f.load(buildSmf(48, {t0, t1, t2})));
    f.seq->loopMode = 2;
    f.play(7);
    f.device.sent.clear();
    f.resume(1);
    // Back at step 6 of the song: track 0 had played, tracks 1 (after the CC111) and 2
    // had not.
    EXPECT_EQ(f.device.hex(), (Lines{"91 01 01", "92 02 02"}));
}

TEST(Clock, RewindSetsTheTempoFieldButKeepsTheRate) {
    PlayerFixture f;
    Track t;
    t.ev(0, {0x90, 1, 1}).tempo(96, 250000).ev(96, {0x90, 2, 2}).end(0);
    ASSERT_TRUE(f.load(buildSmf(96, {t})));
    EXPECT_EQ(f.seq->bpm, 600000);
    EXPECT_EQ(f.seq->stepIncrement, 96 * 240);  // the scan's last tempo
    f.play(1);
    EXPECT_EQ(f.seq->tick, 3);  // 3.84 ticks a step until the song's first tempo event
}

TEST(Seek, ZeroOnlyRewindsAndHundredEndsTheSong) {
    PlayerFixture f;
    ASSERT_TRUE(f.load(loopSong()));
    f.play(10);
    seekPercent(*f.seq, 0);
    EXPECT_EQ(f.seq->tick, 0);
    EXPECT_EQ(f.seq->elapsedSteps, 0);
    EXPECT_TRUE(f.seq->playing);
    seekPercent(*f.seq, 100);
    EXPECT_FALSE(f.seq->playing);
    EXPECT_EQ(f.seq->elapsedSteps, 42);  // the steps after the end are counted too
    EXPECT_TRUE(f.seq->loopFound);       // the seek passed the CC111
    EXPECT_EQ(f.seq->loopPoint.elapsedSteps, 20);
    seekPercent(*f.seq, 45);  // 18 steps: tick 18, the CC111 is not yet due
    EXPECT_FALSE(f.seq->loopFound);
    EXPECT_EQ(f.seq->tick, 18);
}

TEST(Seek, SkippingIdleStepsGivesTheSameStateAsSteppingOneByOne) {
    // Sparse events at a slow, changing tempo: most steps do nothing.
    Track t0, t1;
    t0.tempo(0, 2000000).ev(700, {0xB0, 7, 1}).tempo(3, 900000).ev(1500, {0xB0, 7, 2})
        .ev(0, {0xB0, 111, 0}).ev(4000, {0xB0, 7, 3}).end(2);
    t1.ev(1, {0xE0, 1, 2}).ev(2500, {0xC0, 5}).ev(1, {0x90, 1, 1}).end(9000);
    PlayerFixture skipped, stepped;
    ASSERT_TRUE(skipped.load(buildSmf(480, {t0, t1})));
    ASSERT_TRUE(stepped.load(buildSmf(480, {t0, t1}), "song2.mid"));
    for (uint32_t percent : {0u, 13u, 50u, 77u, 99u, 100u}) {
        seekPercent(*skipped.seq, percent);
        Sequencer& s = *stepped.seq;
        rewind(s);
        const int64_t target = int64_t(s.songSteps) * percent / 100;
        s.playing = true;
        for (int64_t i = 0; i < target; ++i) {
            step(s, nullptr, false);
            s.elapsedSteps = s.elapsedSteps + 1;
        }
        expectSameSongState(*skipped.seq, s, std::to_string(percent) + " %");
    }
    EXPECT_EQ(skipped.seq->songSteps, stepped.seq->songSteps);
    EXPECT_GT(skipped.seq->songSteps, 1000);
}

// Volume 80 on channel 1 at tick 100 and volume 50 at tick 300; the song ends at 400.
Bytes volumeSong() {
    Track t;
    t.tempo(0, 480000).ev(100, {0xB0, 7, 80}).ev(200, {0xB0, 7, 50}).end(100);
    return buildSmf(48, {t});
}

TEST(Seek, ForwardResendsWhatTheSilentRunChanged) {
    PlayerFixture f;
    ASSERT_TRUE(f.load(volumeSong()));
    f.play(50);
    f.device.sent.clear();
    seekSong(*f.seq, 50);  // 201 of 402 steps: past the first volume event only
    Lines expected;
    for (int ch = 0; ch < 16; ++ch) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "B%X 7B 00", ch);
        expected.push_back(buf);
    }
    expected.push_back("B0 07 50");
    EXPECT_EQ(f.device.hex(), expected);
    EXPECT_EQ(f.panel.lines, (Lines{"SET SeekBar= 50%", "1ch CC7 = 80"}));
    EXPECT_EQ(f.seq->elapsedSteps, 201);
    EXPECT_TRUE(f.seq->playing);
}

TEST(Seek, BackwardKeepsLaterValuesAndANoChangeSeekSendsOnlyNotesOff) {
    PlayerFixture f;
    ASSERT_TRUE(f.load(volumeSong()));
    f.play(350);
    EXPECT_EQ(f.seq->channels[0].controllers[7], 50);
    f.device.sent.clear();
    f.panel.lines.clear();
    seekSong(*f.seq, 50);
    // The replay from the start sets 80 again: the module had 50.
    EXPECT_EQ(f.device.hex().back(), "B0 07 50");
    f.device.sent.clear();
    f.panel.lines.clear();
    seekSong(*f.seq, 60);  // nothing between 200 and 240 steps
    EXPECT_EQ(f.device.sent.size(), 16u);
    EXPECT_EQ(f.panel.lines, (Lines{"SET SeekBar= 60%"}));
    f.device.sent.clear();
    seekSong(*f.seq, 10);  // before the first event: the shadow keeps 80
    EXPECT_EQ(f.device.sent.size(), 16u);
    EXPECT_EQ(f.seq->channels[0].controllers[7], 80);
}

TEST(Seek, AfterPanicTheShadowIsBackAtItsDefaultsSoTheSeekResendsAgain) {
    PlayerFixture f;
    ASSERT_TRUE(f.load(volumeSong()));
    f.play(150);
    f.seq->port.panic(0, f.seq->channels);
    EXPECT_EQ(f.seq->channels[0].controllers[7], 100);
    f.device.sent.clear();
    seekSong(*f.seq, 50);
    EXPECT_EQ(f.device.hex().back(), "B0 07 50");
}

}  // namespace

namespace {

TEST(Clock, ASongPastTheInt32TickRangeStillReachesItsEnd) {
    PlayerFixture f;
    Track t;
    t.tempo(0, 1).ev(0, {0x90, 60, 100});  // 60,000,000 bpm at division 960
    for (int i = 0; i < 9; ++i) t.meta(0x0FFFFFFF, 0x7F, "");  // 2.4e9 ticks in all
    t.ev(0, {0x80, 60, 0}).end(0);
    ASSERT_TRUE(f.load(buildSmf(960, {t})));
    EXPECT_EQ(f.seq->songSteps, 253);  // the scan's first step runs at 120 bpm
    const uint32_t steps = f.play();
    EXPECT_FALSE(f.seq->playing);
    EXPECT_EQ(steps, 252u);
    ASSERT_EQ(f.device.sent.size(), 2u);
    EXPECT_EQ(f.device.sent[1].step, 252u);
    EXPECT_GT(f.seq->tick, int64_t(0x7FFFFFFF));
}

}  // namespace
