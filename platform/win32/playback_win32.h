#pragma once
// The playback thread's clock and priority on Windows: timeGetTime with the finest
// timer period the system offers, and the thread priorities of the player.
#include <cstdint>

#include "platform/playback_platform.h"

class Win32PlaybackPlatform : public PlaybackPlatform {
public:
    uint32_t nowMs() override;
    void sleepUntil(uint32_t deadlineMs) override;
    void raiseCurrentThread(bool timeCritical) override;
};

// At start: the timer's finest period is requested when it is below 10 ms. At exit it
// is released, only if it was requested. Returns the period requested, or 0.
uint32_t requestTimerPeriod();
void releaseTimerPeriod(uint32_t period);
