#pragma once
// The playback thread's collaborators for tests that run it for real: the wiring, and a
// clock that jumps to each deadline after a short real sleep, so that another thread (a
// seek, a stop) meets the playback thread at every point of a step.
#include <atomic>
#include <chrono>
#include <thread>

#include "sequencer/playback.h"
#include "tests/support/player_fixture.h"

// Points the playback at the fixture's sequencer and settings.
inline void wirePlayback(Playback& pb, PlayerFixture& f, ControlFlags& flags, PlaybackPlatform& platform) {
    pb.seq = f.seq.get();
    pb.settings = &f.settings;
    pb.flags = &flags;
    pb.platform = &platform;
}

class SleepingPlatform : public PlaybackPlatform {
public:
    uint32_t nowMs() override { return now.load(); }
    void sleepUntil(uint32_t deadline) override {
        std::this_thread::sleep_for(std::chrono::microseconds(50));
        now = deadline;
    }
    void raiseCurrentThread(bool) override {}
    std::atomic<uint32_t> now{0};
};
