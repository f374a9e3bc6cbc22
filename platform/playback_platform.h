#pragma once
// The clock, the waits and the thread priority of the playback thread, one implementation
// per platform (playback_posix, playback_win32); the commands wait on the same clock.
#include <cstdint>

// What the playback thread needs from the platform. Injected, so tests run the thread's
// schedule on a clock of their own.
class PlaybackPlatform {
public:
    virtual ~PlaybackPlatform() = default;
    // The 32-bit millisecond clock; it wraps after 2^32 ms.
    virtual uint32_t nowMs() = 0;
    // Sleeps until nowMs() reaches deadline (modular), or a little past it.
    virtual void sleepUntil(uint32_t deadlineMs) = 0;
    // Raises the calling thread to the highest priority the process may take; quietly
    // keeps the current one when that is refused.
    virtual void raiseCurrentThread(bool timeCritical) = 0;
};
