#pragma once
// A clock that only moves when its user sleeps (or a test moves it): a sleep jumps to its
// deadline at once, so waits cost no time and their lengths can be checked.
#include <cstdint>
#include <functional>

#include "sequencer/playback.h"

class VirtualClock : public PlaybackPlatform {
public:
    explicit VirtualClock(uint32_t start = 1000) : now(start) {}
    uint32_t nowMs() override { return now; }
    void sleepUntil(uint32_t deadline) override {
        ++sleeps;
        if (static_cast<int32_t>(deadline - now) > 0) {
            waited += deadline - now;
            now = deadline;
        }
        if (onSleep) onSleep();
    }
    void raiseCurrentThread(bool timeCritical) override { raisedTimeCritical = timeCritical; }

    uint32_t now;
    uint32_t waited = 0;  // the time all sleeps moved the clock on
    int sleeps = 0;
    bool raisedTimeCritical = false;
    std::function<void()> onSleep;
};
