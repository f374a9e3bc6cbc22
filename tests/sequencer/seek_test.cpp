// The seek that does not stall playback: its silent replay runs on a copy without the
// step lock while live steps go on, and its result replaces whatever they did, unless the
// song stopped meanwhile.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "core/control_flags.h"
#include "sequencer/playback.h"
#include "tests/support/player_fixture.h"
#include "tests/support/playback_fakes.h"

namespace {

using Lines = std::vector<std::string>;

// Volume 80 on channel 1 at tick 100 and volume 50 at tick 300; the song ends at 400,
// one tick a step.
Bytes volumeSong() {
    Track t;
    t.tempo(0, 480000).ev(100, {0xB0, 7, 80}).ev(200, {0xB0, 7, 50}).end(100);
    return buildSmf(48, {t});
}

Lines notesOffThen(std::initializer_list<std::string> more) {
    Lines out;
    for (int ch = 0; ch < 16; ++ch) {
        char text[16];
        std::snprintf(text, sizeof text, "B%X 7B 00", ch);
        out.push_back(text);
    }
    out.insert(out.end(), more);
    return out;
}

// Live steps as the playback thread makes them: under the step lock, which the seek must
// not be holding between its phases.
void liveSteps(PlayerFixture& f, uint32_t n) {
    for (uint32_t i = 0; i < n; ++i) {
        ASSERT_TRUE(f.seq->stepLock.try_lock()) << "the seek holds the step lock";
        f.resume(1);
        f.seq->stepLock.unlock();
    }
}

TEST(SeekReplay, StepsPlayedDuringTheReplayAreReplacedByItsResult) {
    PlayerFixture f;
    ASSERT_TRUE(f.load(volumeSong()));
    f.play(95);
    std::lock_guard<std::mutex> one(f.seq->seekLock);
    ASSERT_TRUE(beginSeek(*f.seq));
    liveSteps(f, 2);
    replaySeek(*f.seq, 75);  // 301 steps: past both volume events
    liveSteps(f, 8);         // live play passes tick 100: the module now has 80
    EXPECT_EQ(f.device.hex(), (Lines{"B0 07 50"}));
    f.device.sent.clear();
    finishSeek(*f.seq);
    EXPECT_EQ(f.device.hex(), notesOffThen({"B0 07 32"}));
    EXPECT_EQ(f.panel.lines, (Lines{"1ch CC7 = 50"}));
    EXPECT_EQ(f.seq->elapsedSteps, 301);
    EXPECT_EQ(f.seq->tick, 301);
    EXPECT_TRUE(f.seq->playing);
    f.device.sent.clear();
    liveSteps(f, 100);  // on from tick 301: only the end of the song is left
    EXPECT_TRUE(f.device.sent.empty());
    EXPECT_FALSE(f.seq->playing);
}

TEST(SeekReplay, ASongThatStoppedDuringTheReplayStaysStoppedAndSilent) {
    for (const char* how : {"stop command", "end of song"}) {
        PlayerFixture f;
        ASSERT_TRUE(f.load(volumeSong()));
        f.play(390);
        std::lock_guard<std::mutex> one(f.seq->seekLock);
        ASSERT_TRUE(beginSeek(*f.seq));
        replaySeek(*f.seq, 30);
        if (std::string(how) == "stop command")
            f.seq->playing = false;
        else
            liveSteps(f, 20);
        ASSERT_FALSE(f.seq->playing) << how;
        const int64_t tick = f.seq->tick;
        f.device.sent.clear();
        finishSeek(*f.seq);
        EXPECT_FALSE(f.seq->playing) << how;
        EXPECT_TRUE(f.device.sent.empty()) << how;
        EXPECT_EQ(f.seq->tick, tick) << how;
    }
}

TEST(SeekReplay, ASeekOfAStoppedSongDoesNothingAndOneToTheEndStopsIt) {
    PlayerFixture f;
    ASSERT_TRUE(f.load(volumeSong()));
    seekSong(*f.seq, 50);  // loaded, never started
    EXPECT_TRUE(f.device.sent.empty());
    EXPECT_TRUE(f.panel.lines.empty());
    EXPECT_FALSE(f.seq->playing);
    for (int8_t mode : {1, 2}) {
        f.seq->loopMode = mode;
        f.play(10);
        seekSong(*f.seq, 100);  // a silent run stops at the end whatever the mode
        EXPECT_FALSE(f.seq->playing) << int(mode);
        EXPECT_EQ(f.seq->elapsedSteps, 402) << int(mode);
    }
}

TEST(SeekStress, SeeksFromAnotherThreadWhileSongsEndAndStop) {
    PlayerFixture f;
    Track t;
    t.tempo(0, 480000);
    for (int i = 0; i < 300; ++i) t.ev(1, {static_cast<uint8_t>(0xB0 | (i % 16)), 7, static_cast<uint8_t>(i & 0x7F)});
    t.end(1);
    ASSERT_TRUE(f.load(buildSmf(48, {t})));
    ControlFlags flags;
    SleepingPlatform platform;
    Playback pb;
    wirePlayback(pb, f, flags, platform);
    for (int round = 0; round < 12; ++round) {
        f.seq->loopMode = static_cast<int8_t>(round % 3);
        std::atomic<bool> seeking{true};
        ASSERT_TRUE(startPlayback(pb, false));
        std::thread seeker([&] {
            for (uint32_t i = 0; seeking; ++i) seekSong(*f.seq, (i * 29 + round) % 101);
        });
        // Loop modes 1 and 2 only stop when told; mode 0 ends by itself or by a seek.
        if (round % 3 != 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            f.seq->playing = false;
        }
        while (flags.playbackThreadRunning) std::this_thread::yield();
        seeking = false;
        seeker.join();
        reapPlayback(pb);
        EXPECT_FALSE(f.seq->playing) << round;
        seekSong(*f.seq, 50);  // the song has stopped: nothing starts it again
        EXPECT_FALSE(f.seq->playing) << round;
    }
}

}  // namespace
