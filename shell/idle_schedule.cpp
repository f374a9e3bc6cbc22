#include "shell/idle_schedule.h"

void startIdleSchedule(IdleSchedule& s, uint32_t now) {
    s.base = now;
}

IdleAction nextIdleAction(IdleSchedule& s, uint32_t now, Relaxed<bool>& tickRestart) {
    if (tickRestart) {
        tickRestart = false;
        s.base = now;
        return IdleAction::Sleep;
    }
    if (static_cast<uint32_t>(now - s.base) >= kIdleTickMs) {
        s.base += kIdleTickMs;
        return IdleAction::Tick;
    }
    return IdleAction::Sleep;
}

uint32_t msUntilTick(const IdleSchedule& s, uint32_t now) {
    const uint32_t since = now - s.base;
    return since >= kIdleTickMs ? 0 : kIdleTickMs - since;
}
