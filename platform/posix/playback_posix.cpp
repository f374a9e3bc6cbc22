#include "platform/posix/playback_posix.h"

#include <pthread.h>
#include <sched.h>
#include <time.h>

uint64_t PosixPlaybackPlatform::nowMicros() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return uint64_t(ts.tv_sec) * 1000000u + uint64_t(ts.tv_nsec) / 1000u;
}

uint32_t PosixPlaybackPlatform::nowMs() {
    return static_cast<uint32_t>(nowMicros() / 1000u);
}

void PosixPlaybackPlatform::sleepUntil(uint32_t deadlineMs) {
    // The 32-bit deadline is taken relative to now, so it works across the wrap.
    const uint64_t nowUs = nowMicros();
    const int32_t ahead = static_cast<int32_t>(deadlineMs - static_cast<uint32_t>(nowUs / 1000u));
    if (ahead <= 0) return;
    const uint64_t target = (nowUs / 1000u + static_cast<uint64_t>(ahead)) * 1000u;
    timespec ts;
    ts.tv_sec = static_cast<time_t>(target / 1000000u);
    ts.tv_nsec = static_cast<long>((target % 1000000u) * 1000u);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) != 0) {
    }
}

void PosixPlaybackPlatform::raiseCurrentThread(bool timeCritical) {
    sched_param param{};
    const int top = sched_get_priority_max(SCHED_FIFO);
    param.sched_priority = timeCritical ? top : (top > 1 ? top - 1 : top);
    // Refused without the right to real-time scheduling: the thread keeps its priority.
    pthread_setschedparam(pthread_self(), SCHED_FIFO, &param);
}
