// The live synth's timing: where steps lie on the synth's clock, the queue that hands the
// timed messages to the audio thread, and the device end to end through FluidSynth's
// file audio driver.
#include "platform/posix/live_schedule.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

#include "platform/midi_device.h"
#include "platform/posix/fluid_engine.h"
#include "platform/posix/synth_midi.h"
#include "tests/support/capture.h"
#include "tests/support/onsets.h"

namespace {

constexpr uint32_t kHalf = kStepPlaceOne / 2;

TEST(StepTimeline, StepsFollowAtTheirLengthWhateverTheThreadsJitter) {
    StepTimeline line(44100);
    line.beginStep(1000, 10);
    const uint32_t first = line.dueMs(0);
    EXPECT_GE(first, 1000 + StepTimeline::kLatencyMs);
    EXPECT_LE(first, 1000 + StepTimeline::kLatencyMs + 2);  // the next block start
    EXPECT_NEAR(double(line.dueMs(kHalf)), first + 5.0, 1.5);
    // The playback thread runs each step up to 30 ms late; the steps stay 10 ms apart.
    const uint32_t jitter[] = {12, 0, 30, 3, 25, 7, 0, 18, 29, 1};
    for (uint32_t k = 1; k <= 10; ++k) {
        line.endStep();
        line.beginStep(1000 + 10 * k + jitter[k - 1], 10);
        EXPECT_NEAR(double(line.dueMs(0)), first + 10.0 * k, 1.5) << k;
    }
}

TEST(StepTimeline, StartsOverWhenThePlaybackOrTheAudioFallsBehind) {
    {
        StepTimeline line(44100);
        line.beginStep(1000, 10);
        line.endStep();
        line.beginStep(6000, 10);  // a pause of five seconds
        EXPECT_NEAR(double(line.dueMs(0)), 6000.0 + StepTimeline::kLatencyMs, 2);
    }
    {
        // The audio clock stands still while the steps go on: once the line is twice
        // the latency ahead, it starts again at the latency.
        StepTimeline line(44100);
        uint32_t last = 0;
        bool restarted = false;
        for (int k = 0; k < 20; ++k) {
            line.beginStep(1000, 10);
            const uint32_t due = line.dueMs(0);
            restarted = restarted || (k > 0 && due < last);
            EXPECT_LE(due, 1000 + 3 * StepTimeline::kLatencyMs) << k;
            last = due;
            line.endStep();
        }
        EXPECT_TRUE(restarted);
    }
}

TEST(LiveQueue, AppliesWhatIsDueInTheOrderSent) {
    LiveQueue queue;
    const uint8_t gm[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
    ASSERT_TRUE(queue.push(10, 0x111));
    ASSERT_TRUE(queue.push(20, 0x222));
    ASSERT_TRUE(queue.pushLong(15, gm, sizeof gm));  // due earlier, but sent after
    std::vector<std::string> applied;
    const auto apply = [&](const LiveQueue::Entry& e, const uint8_t* bytes) {
        applied.push_back(bytes ? hexBytes(std::vector<uint8_t>(bytes, bytes + e.longLength))
                                : std::to_string(e.message));
    };
    queue.dispatch(15, apply);
    EXPECT_EQ(applied, std::vector<std::string>{"273"});
    queue.dispatch(20, apply);
    EXPECT_EQ(applied, (std::vector<std::string>{"273", "546", "F0 7E 7F 09 01 F7"}));
    EXPECT_TRUE(queue.empty());
    // The clock's wrap from 2^32 - 1 to 0 is no going back.
    ASSERT_TRUE(queue.push(0xFFFFFFF0u, 0x333));
    queue.dispatch(5, apply);
    EXPECT_EQ(applied.back(), "819");
}

TEST(LiveQueue, ARunawaySenderIsRefusedNotOverwritten) {
    LiveQueue queue;
    uint32_t pushed = 0;
    while (queue.push(1000, pushed + 1)) ++pushed;
    EXPECT_EQ(pushed, LiveQueue::kCapacity);
    const uint8_t big[LiveQueue::kLongBytes + 1] = {0xF0};
    EXPECT_FALSE(queue.pushLong(0, big, sizeof big));
    uint32_t seen = 0;
    bool inOrder = true;
    queue.dispatch(1000, [&](const LiveQueue::Entry& e, const uint8_t*) { inOrder = inOrder && e.message == ++seen; });
    EXPECT_EQ(seen, LiveQueue::kCapacity);
    EXPECT_TRUE(inOrder);
    EXPECT_TRUE(queue.push(1000, 1));
}

#ifdef ORVANEL_HAVE_FLUIDSYNTH
// Notes sent at places within steps, steps in real time, the synth's output written by
// FluidSynth's file driver. The spread of the note starts, the attack's constant delay
// taken off: at most a synth block (64 frames) and a frame where the level is crossed.
// Returns NAN when a note is missing.
double liveSpread() {
    const std::string wav = scratchPath("live.wav");
    std::vector<double> due;
    {
        SynthMidiDevice device(nullptr, wav.c_str());
        EXPECT_TRUE(device.open()) << device.errorText();
        EXPECT_STREQ(device.audioDriverName(), "file");
        device.sendShort(0x000073C0);  // woodblock, dry
        device.sendShort(0x00005BB0);
        device.sendShort(0x00005DB0);
        const auto start = std::chrono::steady_clock::now();
        for (uint32_t k = 0; k < 120; ++k) {
            if (k % 20 == 10) {
                const uint32_t place = kStepPlaceOne / 8 * (k / 20);
                device.setStepPlace(place);
                device.sendShort(0x007F4C90);
                device.setStepPlace(kStepPlaceOne);
                device.sendShort(0x00004C80);
                device.setStepPlace(kOutsideStep);
                due.push_back((k + double(place) / kStepPlaceOne) / 100);
            }
            device.endStep(10);
            std::this_thread::sleep_until(start + std::chrono::milliseconds(10 * (k + 1)));
        }
        device.drain();
        device.close();
    }
    Audio audio;
    EXPECT_TRUE(readWav(wav, audio));
    std::remove(wav.c_str());
    return onsetSpread(findOnsets(audio, due), due);
}

TEST(SynthMidiDevice, PlaysEachNoteLiveWithinASynthBlockOfItsPlace) {
    if (!findDefaultSoundFont()) GTEST_SKIP() << "no General MIDI SoundFont installed";
    // A busy machine may hold the playback thread back past the latency, and the line
    // then starts over in the middle of the run: up to three runs, one must keep time.
    const double block = 65.0 / 44100;
    double best = INFINITY;
    for (int run = 0; run < 3 && !(best <= block); ++run) {
        const double spread = liveSpread();
        if (!std::isnan(spread)) best = std::min(best, spread);
    }
    EXPECT_LE(best, block) << "the notes' places within their steps are lost";
}
#endif

}  // namespace
