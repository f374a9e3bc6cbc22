#include "platform/win32/playback_win32.h"

#include <windows.h>
#include <mmsystem.h>

uint32_t Win32PlaybackPlatform::nowMs() {
    return timeGetTime();
}

void Win32PlaybackPlatform::sleepUntil(uint32_t deadlineMs) {
    // Sleep rounds to the timer period, so sleep the whole wait and let the caller look
    // again; with a 1 ms period this lands within about a millisecond of the deadline.
    const int32_t ahead = static_cast<int32_t>(deadlineMs - timeGetTime());
    if (ahead > 0) Sleep(static_cast<DWORD>(ahead));
}

void Win32PlaybackPlatform::raiseCurrentThread(bool timeCritical) {
    SetThreadPriority(GetCurrentThread(),
                      timeCritical ? THREAD_PRIORITY_TIME_CRITICAL : THREAD_PRIORITY_HIGHEST);
}

uint32_t requestTimerPeriod() {
    TIMECAPS caps;
    if (timeGetDevCaps(&caps, sizeof caps) != MMSYSERR_NOERROR) return 0;
    if (caps.wPeriodMin >= 10) return 0;
    return timeBeginPeriod(caps.wPeriodMin) == TIMERR_NOERROR ? caps.wPeriodMin : 0;
}

void releaseTimerPeriod(uint32_t period) {
    if (period) timeEndPeriod(period);
}
