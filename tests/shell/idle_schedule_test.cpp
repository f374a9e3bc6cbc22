// The idle tick's schedule: catch-up after a stall, restart by a command, the clock wrap.
#include <gtest/gtest.h>

#include "shell/idle_schedule.h"

namespace {

// Runs the loop's idle decisions the way the message loop does: ticks back to back while
// due, then one sleep. Returns the ticks run before that sleep.
int ticksBeforeSleep(IdleSchedule& s, uint32_t now, Relaxed<bool>& restart) {
    int ticks = 0;
    while (nextIdleAction(s, now, restart) == IdleAction::Tick) ++ticks;
    return ticks;
}

TEST(IdleSchedule, TicksEvery200MsOnAFixedGrid) {
    IdleSchedule s;
    Relaxed<bool> restart{false};
    startIdleSchedule(s, 1000);
    EXPECT_EQ(ticksBeforeSleep(s, 1199, restart), 0);
    EXPECT_EQ(ticksBeforeSleep(s, 1230, restart), 1);
    // The base moved by exactly 200, not to 1230: the next tick is due at 1400.
    EXPECT_EQ(ticksBeforeSleep(s, 1399, restart), 0);
    EXPECT_EQ(ticksBeforeSleep(s, 1400, restart), 1);
}

TEST(IdleSchedule, AFiveSecondStallIsCaughtUpWith25Ticks) {
    IdleSchedule s;
    Relaxed<bool> restart{false};
    startIdleSchedule(s, 0);
    EXPECT_EQ(ticksBeforeSleep(s, 5000, restart), 25);
    EXPECT_EQ(ticksBeforeSleep(s, 5100, restart), 0);
}

TEST(IdleSchedule, ACommandRestartsTheScheduleWithoutCatchUp) {
    IdleSchedule s;
    Relaxed<bool> restart{false};
    startIdleSchedule(s, 0);
    restart = true;
    EXPECT_EQ(ticksBeforeSleep(s, 5000, restart), 0);
    EXPECT_FALSE(restart);
    EXPECT_EQ(ticksBeforeSleep(s, 5199, restart), 0);
    EXPECT_EQ(ticksBeforeSleep(s, 5200, restart), 1);
}

TEST(IdleSchedule, TheClockWrapCausesNeitherAGapNorABurst) {
    IdleSchedule s;
    Relaxed<bool> restart{false};
    startIdleSchedule(s, 0xFFFFFF00u);
    EXPECT_EQ(ticksBeforeSleep(s, 0xFFFFFFC8u, restart), 1);  // 200 after the start
    EXPECT_EQ(ticksBeforeSleep(s, 0x0000008Fu, restart), 0);
    EXPECT_EQ(ticksBeforeSleep(s, 0x00000090u, restart), 1);  // 400, across the wrap
    EXPECT_EQ(ticksBeforeSleep(s, 0x00000100u, restart), 0);
    EXPECT_EQ(ticksBeforeSleep(s, 0x00000158u, restart), 1);  // 600
}

// The loop waits for a message at most until the next tick is due, across the wrap too.
TEST(IdleSchedule, TheWaitEndsWhenTheNextTickIsDue) {
    IdleSchedule s;
    startIdleSchedule(s, 0xFFFFFFF0u);
    const struct {
        uint32_t now, wait;
    } cases[] = {{0xFFFFFFF0u, 200}, {0xFFFFFFF1u, 199}, {0x00000000u, 184}, {0x000000B7u, 1},
                 {0x000000B8u, 0}, {0x00000200u, 0}};
    for (const auto& c : cases) EXPECT_EQ(msUntilTick(s, c.now), c.wait) << c.now;
}

}  // namespace
