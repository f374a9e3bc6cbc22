#include "sequencer/playback.h"

#include <cstdio>
#include <mutex>

#include "core/control_flags.h"
#include "core/settings.h"
#include "sequencer/sequencer.h"

const int32_t speedTable[3] = {50, 100, 200};

uint32_t stepPeriodMs(int32_t speedIndex) {
    if (speedIndex < 0) speedIndex = 0;
    if (speedIndex > 2) speedIndex = 2;
    const int32_t speed = speedTable[speedIndex];
    return static_cast<uint32_t>((10 * 100 + speed / 2) / speed);
}

int formatPlayTime(char (&text)[32], int32_t shownSeconds, int32_t totalSeconds) {
    return std::snprintf(text, sizeof text, "%02d:%02d / %02d:%02d", shownSeconds / 60,
                         shownSeconds % 60, totalSeconds / 60, totalSeconds % 60);
}

namespace {

// True once the clock has reached the deadline. Modular, so the wrap of the 32-bit
// millisecond clock neither stalls the thread nor lets it run ahead.
bool reached(uint32_t now, uint32_t deadline) {
    return static_cast<uint32_t>(now - deadline) < 0x80000000u;
}

constexpr int32_t kMaxShownSeconds = 5999;  // 99:59

}  // namespace

void playbackThread(Playback& pb, uint32_t playNumber) {
    Sequencer& seq = *pb.seq;
    ControlFlags& flags = *pb.flags;
    PlaybackPlatform& platform = *pb.platform;
    flags.playbackThreadRunning = true;
    platform.raiseCurrentThread(pb.timeCritical);

    int32_t total = seq.songSteps / 100;
    if (total > kMaxShownSeconds) total = kMaxShownSeconds;
    flags.seekPos = 0;
    if (pb.view) {
        pb.view->enableSeekBar(true);
        pb.view->showSeekPosition(0);
    }

    uint32_t deadline = platform.nowMs();
    int32_t shownSeconds = 999;
    uint32_t lastPercent = 0;
    uint32_t stepNumber = 0;
    while (seq.playing) {
        if (flags.paused) {
            // Idle, and no catch-up afterwards: the schedule restarts at the resume.
            platform.sleepUntil(platform.nowMs() + 4);
            deadline = platform.nowMs();
            continue;
        }
        ++stepNumber;
        if (pb.observer) pb.observer->beforeStep(stepNumber);
        int32_t seconds;
        {
            std::lock_guard<std::mutex> hold(seq.stepLock);
            step(seq, pb.tempoReadout, true);
            seq.elapsedSteps = seq.elapsedSteps + 1;
            seconds = seq.elapsedSteps / 100;
        }
        const uint32_t period = stepPeriodMs(pb.settings->speedIndex);
        seq.port.endStep(period);
        deadline += period;

        if (seconds != shownSeconds) {
            const int32_t shown = seconds > kMaxShownSeconds ? kMaxShownSeconds : seconds;
            if (pb.view) pb.view->showPlayTime(shown, total);
            shownSeconds = seconds;
        }
        const uint32_t percent =
            total == 0 ? 0 : static_cast<uint32_t>(seconds) * 100u / static_cast<uint32_t>(total);
        if (percent != lastPercent) {
            lastPercent = percent;
            flags.seekPos = static_cast<int32_t>(percent);
            if (flags.seekFollows && pb.view) pb.view->showSeekPosition(static_cast<int32_t>(percent));
        }
        if (pb.observer) pb.observer->afterStep(stepNumber);

        while (!reached(platform.nowMs(), deadline)) platform.sleepUntil(deadline);
    }

    if (pb.view) {
        pb.view->showSeekPosition(flags.seekPos);
        pb.view->clearReadouts();
        pb.view->setTransportCaptions("play", "autoplay", playNumber);
        pb.view->enableSeekBar(false);
    }
    flags.playbackThreadRunning = false;
}

void reapPlayback(Playback& pb) {
    if (pb.thread.joinable() && !pb.flags->playbackThreadRunning) pb.thread.join();
}

bool startPlayback(Playback& pb, bool withReset) {
    reapPlayback(pb);
    if (pb.flags->playbackThreadRunning || pb.thread.joinable()) return false;
    Sequencer& seq = *pb.seq;
    if (withReset && pb.settings->resetAtPlayStart) {
        seq.port.sendReset(pb.settings->resetType);
        pb.platform->sleepUntil(pb.platform->nowMs() + 50);
    }
    {
        std::lock_guard<std::mutex> hold(seq.stepLock);
        rewind(seq);
        seq.playing = true;
    }
    pb.timeCritical = withReset;
    // Set before the thread exists, so nobody sees a started song with no thread.
    pb.flags->playbackThreadRunning = true;
    ++pb.playNumber;
    pb.thread = std::thread(playbackThread, std::ref(pb), pb.playNumber);
    return true;
}

void stopPlayback(Playback& pb) {
    if (pb.seq) pb.seq->playing = false;
    if (pb.thread.joinable()) pb.thread.join();
}

void panicSong(Sequencer& seq, uint8_t resetType) {
    std::lock_guard<std::mutex> hold(seq.stepLock);
    seq.port.panic(resetType, seq.channels);
}

void allNotesOffSong(Sequencer& seq) {
    std::lock_guard<std::mutex> hold(seq.stepLock);
    seq.port.allNotesOff();
}
