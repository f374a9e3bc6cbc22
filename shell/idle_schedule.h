#pragma once
// The user-interface thread's 200 ms idle tick: a base that advances by exactly 200 ms,
// so missed ticks are caught up back to back and the average rate stays five a second,
// unless a command restarts the schedule from now.
#include <cstdint>

#include "platform/relaxed.h"

constexpr uint32_t kIdleTickMs = 200;

struct IdleSchedule {
    uint32_t base = 0;
};

enum class IdleAction { Tick, Sleep };

void startIdleSchedule(IdleSchedule& s, uint32_t now);

// What the loop does when no message waits, given the clock now: run the idle tick at
// once (the base has moved on by 200 ms), or wait for a message. A set tickRestart is cleared and the
// schedule restarts from now. The 32-bit millisecond clock may wrap: differences are
// taken modulo 2^32.
IdleAction nextIdleAction(IdleSchedule& s, uint32_t now, Relaxed<bool>& tickRestart);

// Milliseconds from now until the next tick is due (0 when it is due already): how long
// the loop may wait for a message before it runs the tick.
uint32_t msUntilTick(const IdleSchedule& s, uint32_t now);
