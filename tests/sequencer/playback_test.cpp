// The playback thread's schedule on an injected clock, its end of song, and a seek made
// from another thread while it plays.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

#include "core/control_flags.h"
#include "sequencer/playback.h"
#include "tests/support/player_fixture.h"
#include "tests/support/playback_fakes.h"
#include "tests/support/virtual_clock.h"

namespace {

using Lines = std::vector<std::string>;

class RecordingView : public TransportView {
public:
    void showSeekPosition(int32_t percent) override { seekShown.push_back(percent); }
    void enableSeekBar(bool enabled) override { seekEnabled = enabled; }
    void setTransportCaptions(const char* play, const char* autoplay, uint32_t) override {
        playCaption = play;
        autoplayCaption = autoplay;
    }
    void showPlayTime(int32_t shown, int32_t total) override {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%02d:%02d / %02d:%02d", shown / 60, shown % 60, total / 60,
                      total % 60);
        times.push_back(buf);
    }
    void clearReadouts() override { ++clears; }

    std::vector<int32_t> seekShown;
    bool seekEnabled = false;
    std::string playCaption, autoplayCaption;
    Lines times;
    int clears = 0;
};

class ScriptedObserver : public StepObserver {
public:
    explicit ScriptedObserver(VirtualClock& p) : platform(p) {}
    void beforeStep(uint32_t n) override {
        stepTimes.push_back(platform.now);
        if (before) before(n);
    }
    void afterStep(uint32_t n) override {
        if (after) after(n);
    }
    VirtualClock& platform;
    std::vector<uint32_t> stepTimes;
    std::function<void(uint32_t)> before, after;
};

// A song of `steps` steps at one tick a step, notes every 10 ticks.
Bytes steadySong(uint32_t ticks) {
    Track t;
    t.tempo(0, 480000);
    for (uint32_t i = 0; i < ticks / 10; ++i) t.ev(i ? 10 : 0, {0x90, 60, 1});
    t.end(10);
    return buildSmf(48, {t});
}

struct PlaybackTest : ::testing::Test {
    void SetUp() override {
        pb.seq = f.seq.get();
        pb.settings = &f.settings;
        pb.flags = &flags;
        pb.platform = &platform;
        pb.view = &view;
        pb.observer = &observer;
    }
    // Runs the thread's body here, synchronously, from a rewound start.
    void runInline() {
        rewind(*f.seq);
        f.seq->playing = true;
        playbackThread(pb);
    }
    std::vector<uint32_t> gaps() const {
        std::vector<uint32_t> out;
        for (size_t i = 1; i < observer.stepTimes.size(); ++i)
            out.push_back(observer.stepTimes[i] - observer.stepTimes[i - 1]);
        return out;
    }

    PlayerFixture f;
    ControlFlags flags;
    VirtualClock platform;
    RecordingView view;
    ScriptedObserver observer{platform};
    Playback pb;
};

TEST(StepPeriod, FollowsTheSpeedTable) {
    EXPECT_EQ(speedTable[0], 50);
    EXPECT_EQ(speedTable[1], 100);
    EXPECT_EQ(speedTable[2], 200);
    EXPECT_EQ(stepPeriodMs(0), 20u);
    EXPECT_EQ(stepPeriodMs(1), 10u);
    EXPECT_EQ(stepPeriodMs(2), 5u);
    EXPECT_EQ(stepPeriodMs(7), 5u);  // held within the table
    EXPECT_EQ(stepPeriodMs(-1), 20u);
}

TEST(PlayTime, MinutesThenSecondsOfTheShownAndTheTotalTime) {
    const struct { int32_t shown, total; const char* text; } cases[] = {
        {0, 0, "00:00 / 00:00"},      {59, 61, "00:59 / 01:01"},     {200, 200, "03:20 / 03:20"},
        {61, 3600, "01:01 / 60:00"},  {5999, 5999, "99:59 / 99:59"},
    };
    for (const auto& c : cases) {
        char text[32];
        EXPECT_EQ(formatPlayTime(text, c.shown, c.total), 13) << c.text;
        EXPECT_STREQ(text, c.text);
    }
}

TEST_F(PlaybackTest, ASpeedChangeActsFromTheNextDeadline) {
    ASSERT_TRUE(f.load(steadySong(100)));
    observer.after = [&](uint32_t n) {
        if (n == 3) f.settings.speedIndex = 2;
        if (n == 6) f.settings.speedIndex = 0;
        if (n == 8) f.seq->playing = false;
    };
    runInline();
    EXPECT_EQ(gaps(), (std::vector<uint32_t>{10, 10, 10, 5, 5, 5, 20}));
}

TEST_F(PlaybackTest, APauseCausesNoBurstAfterwards) {
    ASSERT_TRUE(f.load(steadySong(100)));
    observer.after = [&](uint32_t n) {
        if (n == 2) flags.paused = true;
        if (n == 6) f.seq->playing = false;
    };
    platform.onSleep = [&] {
        if (flags.paused && platform.now >= 1500) flags.paused = false;
    };
    runInline();
    const std::vector<uint32_t> g = gaps();
    ASSERT_EQ(g.size(), 5u);
    EXPECT_GE(g[1], 480u);  // the pause
    EXPECT_EQ(g[2], 10u);   // then the plain period again, no catch-up
    EXPECT_EQ(g[3], 10u);
    EXPECT_EQ(g[4], 10u);
}

TEST_F(PlaybackTest, AThreadThatFellBehindMakesItsMissedStepsBackToBack) {
    ASSERT_TRUE(f.load(steadySong(100)));
    observer.before = [&](uint32_t n) {
        if (n == 3) platform.now += 45;  // this step took 45 ms
    };
    observer.after = [&](uint32_t n) {
        if (n == 10) f.seq->playing = false;
    };
    runInline();
    // Deadlines stay on the 10 ms grid from the loop's start.
    EXPECT_EQ(gaps(), (std::vector<uint32_t>{10, 10, 45, 0, 0, 0, 5, 10, 10}));
    for (size_t i = 0; i < observer.stepTimes.size(); ++i)
        EXPECT_LE(observer.stepTimes[i], 1000 + 45 + 10 * i) << i;
}

TEST_F(PlaybackTest, TheClockWrapNeitherStallsNorBursts) {
    ASSERT_TRUE(f.load(steadySong(100)));
    platform.now = 0xFFFFFFFFu - 25;
    observer.after = [&](uint32_t n) {
        if (n == 8) f.seq->playing = false;
    };
    runInline();
    EXPECT_EQ(gaps(), (std::vector<uint32_t>(7, 10)));
    EXPECT_LT(platform.now, 100u);  // went through the wrap
    EXPECT_LE(platform.sleeps, 8);
}

TEST_F(PlaybackTest, TheSongEndsInNormalModeAndPutsTheTransportBack) {
    ASSERT_TRUE(f.load(steadySong(250)));  // 2.6 s
    runInline();
    EXPECT_EQ(observer.stepTimes.size(), 251u);  // the end of track at tick 250
    EXPECT_FALSE(flags.playbackThreadRunning);
    EXPECT_EQ(view.times, (Lines{"00:00 / 00:02", "00:01 / 00:02", "00:02 / 00:02"}));
    EXPECT_EQ(view.seekShown, (std::vector<int32_t>{0, 50, 100, 100}));
    EXPECT_EQ(view.playCaption, "play");
    EXPECT_EQ(view.autoplayCaption, "autoplay");
    EXPECT_FALSE(view.seekEnabled);
    EXPECT_EQ(view.clears, 1);
    EXPECT_EQ(flags.seekPos, 100);
}

TEST_F(PlaybackTest, LoopModesKeepTheThreadRunningAndTheTimeRestarts) {
    for (int8_t mode : {1, 2}) {
        ASSERT_TRUE(f.load(steadySong(150)));
        f.seq->loopMode = mode;
        observer.stepTimes.clear();
        view.times.clear();
        observer.after = [&](uint32_t n) {
            if (n == 400) f.seq->playing = false;
        };
        runInline();
        EXPECT_EQ(observer.stepTimes.size(), 400u) << int(mode);
        EXPECT_EQ(view.times.front(), "00:00 / 00:01");
        EXPECT_EQ(std::count(view.times.begin(), view.times.end(), "00:00 / 00:01"), 3);
        unloadSong(*f.seq);
    }
}

TEST_F(PlaybackTest, LongSongsShow9959AndShortOnesLeaveTheSeekBarAtZero) {
    Track t;
    t.tempo(0, 480000).end(0);
    ASSERT_TRUE(f.load(buildSmf(48, {t})));
    runInline();
    EXPECT_EQ(view.seekShown, (std::vector<int32_t>{0, 0}));
    unloadSong(*f.seq);

    Track longSong;
    longSong.tempo(0, 480000).end(700000);  // 116 minutes
    ASSERT_TRUE(f.load(buildSmf(48, {longSong})));
    view.times.clear();
    seekPercent(*f.seq, 99);
    f.seq->playing = true;
    observer.after = [&](uint32_t n) {
        if (n == 200) f.seq->playing = false;
    };
    playbackThread(pb);
    EXPECT_EQ(view.times.back(), "99:59 / 99:59");
}

TEST_F(PlaybackTest, StartPlaybackSendsTheResetFirstAndStopWaitsForTheThread) {
    ASSERT_TRUE(f.load(steadySong(100000)));
    f.settings.resetAtPlayStart = true;
    f.settings.resetType = 1;
    pb.observer = nullptr;
    std::atomic<bool> sleeping{false};
    platform.onSleep = [&] {
        sleeping = true;
        std::this_thread::yield();
    };
    ASSERT_TRUE(startPlayback(pb));
    EXPECT_FALSE(startPlayback(pb));  // one thread at a time
    while (!sleeping) std::this_thread::yield();
    stopPlayback(pb);
    EXPECT_FALSE(flags.playbackThreadRunning);
    EXPECT_TRUE(platform.raisedTimeCritical);
    ASSERT_FALSE(f.device.sent.empty());
    EXPECT_EQ(hexBytes(f.device.sent[0].bytes), "F0 7E 7F 09 01 F7");
    // The play button's way: no reset, and the song may be unloaded at once after a stop.
    f.device.sent.clear();
    ASSERT_TRUE(startPlayback(pb, false));
    stopPlayback(pb);
    EXPECT_FALSE(platform.raisedTimeCritical);
    for (const SentMessage& m : f.device.sent) EXPECT_NE(m.bytes[0], 0xF0);
    EXPECT_TRUE(unloadSong(*f.seq));
}

// Records which thread sent each message.
class ThreadTaggingDevice : public MidiDevice {
public:
    bool open() override { return true; }
    void close() override {}
    void sendShort(uint32_t m) override {
        std::lock_guard<std::mutex> hold(lock);
        log.push_back({std::this_thread::get_id(), m});
    }
    uint32_t sendLong(const uint8_t*, uint32_t) override { return 0; }
    size_t count() {
        std::lock_guard<std::mutex> hold(lock);
        return log.size();
    }
    std::mutex lock;
    std::vector<std::pair<std::thread::id, uint32_t>> log;
};

TEST(PlaybackStress, SeeksFromAnotherThreadNeverInterleaveWithSteps) {
    PlayerFixture f;
    ThreadTaggingDevice device;
    f.seq->port.attach(&device);
    f.seq->port.open();
    // Dense controller traffic on every channel, so an unguarded seek would interleave.
    Track t;
    t.tempo(0, 480000);
    for (int i = 0; i < 3000; ++i) {
        const uint8_t ch = static_cast<uint8_t>(i % 16);
        t.ev(i % 3 == 0 ? 1 : 0, {static_cast<uint8_t>(0xB0 | ch), 7, static_cast<uint8_t>(i & 0x7F)});
    }
    t.end(5);
    ASSERT_TRUE(f.load(buildSmf(48, {t})));
    f.seq->loopMode = 1;

    ControlFlags flags;
    SleepingPlatform platform;
    Playback pb;
    wirePlayback(pb, f, flags, platform);
    ASSERT_TRUE(startPlayback(pb));
    const std::thread::id ui = std::this_thread::get_id();
    std::vector<std::pair<size_t, size_t>> seekRanges;
    for (int i = 0; i < 150; ++i) {
        const size_t before = device.count();
        seekSong(*f.seq, static_cast<uint32_t>((i * 37) % 100));
        seekRanges.push_back({before, device.count()});
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    stopPlayback(pb);
    EXPECT_FALSE(flags.playbackThreadRunning);

    // Every seek's messages form one unbroken run that begins with the 16 all-notes-off.
    size_t checked = 0;
    for (const auto& range : seekRanges) {
        size_t first = range.second, last = range.first;
        for (size_t k = range.first; k < range.second; ++k) {
            if (device.log[k].first != ui) continue;
            if (first == range.second) first = k;
            last = k;
        }
        ASSERT_GE(last + 1, first + 16);
        EXPECT_EQ(device.log[first].second, 0x7BB0u);
        for (size_t k = first; k <= last; ++k) EXPECT_TRUE(device.log[k].first == ui) << k;
        ++checked;
    }
    EXPECT_EQ(checked, 150u);
}

}  // namespace
