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
