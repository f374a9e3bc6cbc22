#pragma once
// The playback thread's clock and priority on Linux: CLOCK_MONOTONIC in milliseconds,
// absolute-deadline sleeps, and real-time scheduling when the process may have it.
#include <cstdint>

#include "platform/playback_platform.h"

class PosixPlaybackPlatform : public PlaybackPlatform {
public:
    uint32_t nowMs() override;
    void sleepUntil(uint32_t deadlineMs) override;
    void raiseCurrentThread(bool timeCritical) override;

    // The monotonic clock in microseconds, on the same origin as nowMs().
    static uint64_t nowMicros();
};
