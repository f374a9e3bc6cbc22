// orvanel-play: plays Standard MIDI Files from the terminal on the player's own core.
#include <clocale>
#include <cstdio>
#include <ctime>
#include <memory>
#include <string>

#include "cli/console_sink.h"
#include "cli/options.h"
#include "midi/channel_state.h"
#include "platform/log_midi.h"
#include "sequencer/sequencer.h"
#include "shell/settings.h"

namespace {

uint64_t monotonicMicros() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return uint64_t(ts.tv_sec) * 1000000u + uint64_t(ts.tv_nsec) / 1000u;
}

void sleepUntilMicros(uint64_t deadline) {
    timespec ts;
    ts.tv_sec = static_cast<time_t>(deadline / 1000000u);
    ts.tv_nsec = static_cast<long>((deadline % 1000000u) * 1000u);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) != 0) {
    }
}

void applyOptions(const PlayOptions& o, Settings& settings) {
    settings.keyShift = o.keyShift;
    for (int ch = 0; ch < 16; ++ch) settings.keyShiftChannels[ch] = o.keyShiftChannels[ch];
    settings.bankMode = static_cast<uint8_t>(o.bankMode);
    settings.resetType = static_cast<uint8_t>(o.resetType);
    settings.resetAtPlayStart = o.resetAtStart;
    settings.speedIndex = o.speedIndex;
}

const int kSpeedPercent[3] = {50, 100, 200};

// Plays the loaded song to its end (or the step limit), with the seeks asked for.
void playSong(Sequencer& seq, const Settings& settings, const PlayOptions& o, LogMidiDevice* log) {
    if (log) log->setStep(0);
    if (settings.resetAtPlayStart) {
        seq.port.sendReset(settings.resetType);
        if (!o.fast) sleepUntilMicros(monotonicMicros() + 50000);
    }
    rewind(seq);
    seq.playing = true;
    for (const SeekRequest& s : o.seeks)
        if (s.afterStep == 0) seekSong(seq, s.percent);

    const uint64_t start = monotonicMicros();
    if (log) log->setStartMicros(start);
    uint64_t deadline = start;
    uint32_t stepNumber = 0;
    while (seq.playing && (o.maxSteps < 0 || stepNumber < o.maxSteps)) {
        ++stepNumber;
        if (log) log->setStep(stepNumber);
        {
            std::lock_guard<std::mutex> hold(seq.stepLock);
            step(seq, nullptr, nullptr, true);
        }
        seq.port.endStep();
        seq.elapsedSteps = seq.elapsedSteps + 1;
        for (const SeekRequest& s : o.seeks)
            if (s.afterStep == stepNumber && seq.playing) seekSong(seq, s.percent);
        if (!o.fast) {
            deadline += 1000000u / kSpeedPercent[settings.speedIndex] * 10 / 100;
            sleepUntilMicros(deadline);
        }
    }
    seq.playing = false;
}

}  // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    PlayOptions options;
    std::string error;
    if (!parseOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "orvanel-play: %s\n%s", error.c_str(), usageText());
        return 2;
    }
    if (options.help) {
        std::fputs(usageText(), stdout);
        return 0;
    }

    std::unique_ptr<LogMidiDevice> logDevice;
    MidiDevice* device = nullptr;
    if (options.device.empty() || options.device == "log") {
        logDevice.reset(new LogMidiDevice(stdout));
        logDevice->setTiming(options.timing, monotonicMicros);
        device = logDevice.get();
    } else {
        std::fprintf(stderr, "orvanel-play: unknown device '%s'\n", options.device.c_str());
        return 2;
    }

    Settings settings;
    applyOptions(options, settings);
    ConsoleSink sink(stderr);
    std::unique_ptr<Sequencer> seq(new Sequencer);
    seq->settings = &settings;
    seq->panel = &sink;
    seq->port.attach(device);
    initSequencer(*seq);
    seq->port.open();
    seq->loopMode = static_cast<int8_t>(options.loopMode);

    int rc = 0;
    for (const std::string& file : options.files) {
        if (!loadSong(*seq, file.c_str())) {
            unloadSong(*seq);
            std::fprintf(stderr, "orvanel-play: cannot load '%s'\n", file.c_str());
            rc = 1;
            continue;
        }
        playSong(*seq, settings, options, logDevice.get());
        unloadSong(*seq);
    }
    if (device) device->close();
    return rc;
}
