// The due-track schedule against the plain rule it replaces, "every step asks every track":
// random songs (hostile ones among them) played live in each loop mode, measured and
// sought must come out the same message for message and field for field.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/support/player_fixture.h"
#include "tests/support/sequencer_compare.h"
#include "tests/support/song_shapes.h"

namespace {

// Makes the next step visit every playing track, as the player did before it kept due
// ticks: a track with nothing due must come out of the interpreter untouched.
void dueEverywhere(Sequencer& seq) {
    rebuildSchedule(seq);
    TrackSchedule& q = seq.schedule;
    for (int32_t i = q.head; i < q.head + q.size; ++i) q.entries[i].due = kDueNow;
}

constexpr uint64_t kSeeds = 24;

// Plays the song live in each loop mode, once as scheduled and once visiting every track.
void expectLivePlayMatches(const Bytes& song, const std::string& name) {
    for (int8_t mode : {0, 1, 2}) {
        PlayerFixture fast, plain;
        if (!fast.load(song)) return;  // a header that declares missing tracks
        ASSERT_TRUE(plain.load(song, "plain.mid"));
        const std::string where = name + " mode " + std::to_string(mode);
        fast.seq->loopMode = plain.seq->loopMode = mode;
        const uint32_t steps = fast.seq->songSteps < 2500 ? 2 * fast.seq->songSteps + 50 : 5000;
        rewind(*fast.seq);
        rewind(*plain.seq);
        fast.seq->playing = plain.seq->playing = true;
        for (uint32_t n = 0; n < steps && (fast.seq->playing || plain.seq->playing); ++n) {
            dueEverywhere(*plain.seq);
            plain.resume(1);
            fast.resume(1);
        }
        ASSERT_EQ(fast.device.sent, plain.device.sent) << where;
        ASSERT_EQ(fast.panel.lines, plain.panel.lines) << where;
        expectSameSongState(*fast.seq, *plain.seq, where);
    }
}

TEST(Schedule, LivePlayInEveryLoopModeMatchesVisitingEveryTrack) {
    for (uint64_t seed = 0; seed < kSeeds; ++seed) expectLivePlayMatches(randomSong(seed), "seed " + std::to_string(seed));
}

TEST(Schedule, TracksComingBackAnywhereInTheQueueKeepItsOrder) {
    // Tracks whose next events fall before many others': every track on its own period
    // (the due ticks come back deep in the queue), and one busy track among 254 that wait
    // to the end (each comes back at the front).
    std::vector<Track> periods(60), busy(255);
    for (uint32_t t = 0; t < 60; ++t) {
        const uint32_t period = 1 + (t * 37) % 59;
        for (uint32_t n = 0; n * period < 600; ++n) periods[t].ev(period, {static_cast<uint8_t>(0x90 | (t % 16)), 60, 1});
        periods[t].end(0);
    }
    for (uint32_t n = 0; n < 700; ++n) busy[0].ev(1, {0x90, static_cast<uint8_t>(n & 0x7F), 1});
    for (Track& t : busy) t.end(800);
    expectLivePlayMatches(buildSmf(48, periods), "periods");
    expectLivePlayMatches(buildSmf(48, busy), "busy");
}

// The load measures a song from a survey of its tracks; stepping it one by one from the
// start must take as many steps and leave the same tempo and running statuses behind, and
// seeks from there must land where the steps do.
void expectScanMatchesStepping(const Bytes& song, const std::string& where) {
    PlayerFixture f, plain;
    if (!f.load(song)) return;
    if (f.seq->songSteps > 200000) return;  // stepping one by one would take long
    ASSERT_TRUE(plain.load(song, "plain.mid"));
    Sequencer& s = *plain.seq;
    // As the load measures: from 120 bpm, with the running status a fresh player has.
    s.bpm = 120;
    recomputeIncrement(s);
    for (TrackCursor& cur : s.tracks) cur.runningStatus = 0;
    rewind(s);
    s.playing = true;
    int32_t measured = 0;
    // The load leaves the channel shadow as it was before its scan.
    ChannelState before[16];
    snapshotChannels(s.channels, before);
    while (s.playing) {
        dueEverywhere(s);
        step(s, nullptr, false);
        ++measured;
    }
    snapshotChannels(before, s.channels);
    EXPECT_EQ(f.seq->songSteps, measured) << where;
    EXPECT_EQ(f.seq->stepIncrement, s.stepIncrement) << where;
    for (int32_t t = 0; t < s.trackCount; ++t)
        EXPECT_EQ(f.seq->tracks[t].runningStatus, s.tracks[t].runningStatus) << where << " track " << t;
    for (uint32_t percent : {7u, 50u, 93u}) {
        seekPercent(*f.seq, percent);
        rewind(s);
        s.playing = true;
        const int64_t target = int64_t(s.songSteps) * percent / 100;
        for (int64_t i = 0; i < target; ++i) {
            dueEverywhere(s);
            step(s, nullptr, false);
            s.elapsedSteps = s.elapsedSteps + 1;
        }
        expectSameSongState(*f.seq, s, where + " at " + std::to_string(percent) + " %");
    }
}

TEST(Schedule, TheLengthScanAndSeeksMatchSteppingOneByOne) {
    for (uint64_t seed = 0; seed < 4 * kSeeds; ++seed) expectScanMatchesStepping(randomSong(seed), "seed " + std::to_string(seed));
    // Tempo changes that one step passes together, the later track's at the earlier
    // tick: the one read last wins, not the latest. Then tracks that end in the first
    // step, one of them on a delta that runs into its end, and a tempo at the very end.
    std::vector<Track> together(6);
    together[0].tempo(0, 400000).ev(40, {0x90, 1, 1}).end(10);
    together[1].tempo(7, 250000).tempo(0, 700000).end(0);
    together[2].tempo(3, 300000).bytes.push_back(0x81);
    together[4].ev(0, {0xC0, 5}).bytes.insert(together[4].bytes.end(), {0, 6, 0x90});
    together[5].tempo(60, 100000).end(0);
    expectScanMatchesStepping(buildSmf(480, together), "together");
    // Only empty tracks, at a division where the first step's clock stays at tick 0.
    expectScanMatchesStepping(buildSmf(24, std::vector<Track>(3)), "empty");
}

TEST(Schedule, ASongPastTheRunsBoundIsMeasuredFromTheStateTheLoadLeft) {
    // Tempo changes every 1074 ticks up to tick 6,000,000, well past the 24-hour bound:
    // which change the run passes last depends on the tempo it started from.
    Track t;
    t.tempo(1000, 1000000);
    for (uint32_t k = 1; k <= 5586; ++k) t.tempo(1074, k % 2 ? 2000000 : 1000000);
    t.end(0);
    PlayerFixture f, plain;
    ASSERT_TRUE(f.load(buildSmf(48, {t})));
    EXPECT_EQ(f.seq->songSteps, kMaxSilentSteps);
    ASSERT_TRUE(plain.load(buildSmf(48, {t}), "plain.mid"));
    Sequencer& s = *plain.seq;
    s.bpm = 120;
    recomputeIncrement(s);
    rewind(s);
    s.playing = true;
    EXPECT_EQ(runSilent(s, kMaxSilentSteps, false), kMaxSilentSteps);
    EXPECT_EQ(f.seq->stepIncrement, s.stepIncrement);
}

TEST(Schedule, TracksDueInOneStepPlayInTrackOrderWhateverTheirTicks) {
    // 255 tracks, each with one note in the first ten ticks, later tracks earlier: the
    // first step, which passes them all, sends them by track index.
    std::vector<Track> tracks(255);
    for (uint32_t t = 0; t < 255; ++t)
        tracks[t].ev((254 - t) % 10, {static_cast<uint8_t>(0x90 | (t % 16)), static_cast<uint8_t>(t & 0x7F), 1}).end(20);
    PlayerFixture f;
    ASSERT_TRUE(f.load(buildSmf(48, tracks)));
    f.seq->stepIncrement = 6000 * 10;
    rewind(*f.seq);
    f.seq->playing = true;
    f.resume(1);
    ASSERT_EQ(f.device.sent.size(), 255u);
    for (uint32_t t = 0; t < 255; ++t) EXPECT_EQ(f.device.sent[t].bytes[1], t & 0x7F) << t;
}

TEST(Schedule, TracksThatEndWithoutAnEventEndInTheFirstStep) {
    // A track of no bytes, and one whose delta time runs into its end.
    Track tempo, empty, cut;
    tempo.tempo(0, 480000).ev(3, {0x90, 1, 1}).end(0);
    cut.bytes = {0x83, 0x80};
    PlayerFixture f;
    ASSERT_TRUE(f.load(buildSmf(48, {tempo, empty, cut})));
    rewind(*f.seq);
    f.seq->playing = true;
    f.resume(1);
    EXPECT_EQ(f.seq->tracks[1].trackActive, 2);
    EXPECT_EQ(f.seq->tracks[2].trackActive, 2);  // its event tick 0 has passed
    EXPECT_EQ(f.seq->activeTracks, 1);
    EXPECT_EQ(f.seq->schedule.size, 1);
    EXPECT_EQ(f.play(), 4u);
}

TEST(LoopPoint, ACaptureAfterTheGenerationWrapsForgetsEverySaveBeforeIt) {
    // Track 1 captures at tick 20 and the song ends at tick 40, one tick a step.
    Track t0, t1;
    t0.tempo(0, 480000).ev(0, {0x90, 1, 1}).ev(10, {0x90, 2, 2}).end(30);
    t1.ev(20, {0xB0, 111, 0}).ev(0, {0x90, 3, 3}).end(20);
    PlayerFixture f;
    ASSERT_TRUE(f.load(buildSmf(48, {t0, t1})));
    f.seq->loopMode = 2;
    // Saves of a generation long gone, under the number the wrap starts again from.
    LoopPoint& lp = f.seq->loopPoint;
    lp.generation = 0xFFFFFFFFu;
    for (int t = 0; t < 2; ++t) {
        lp.saved[t] = 1;
        lp.tracks[t].position = 1;
    }
    f.play(41);
    EXPECT_EQ(lp.generation, 1u);
    EXPECT_EQ(f.seq->tick, 21);
    f.device.sent.clear();
    f.resume(21);  // on from the loop point to the end, back, and one step more
    EXPECT_EQ(f.device.hex(), (std::vector<std::string>{"90 03 03", "90 03 03"}));
    EXPECT_EQ(f.seq->tracks[0].position, loopPointTrack(*f.seq, 0).position);
}

}  // namespace
