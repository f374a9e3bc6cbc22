// orvanel-play: plays Standard MIDI Files from the terminal on the player's own core.
#include <unistd.h>

#include <atomic>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <memory>
#include <string>

#include "cli/console_sink.h"
#include "cli/options.h"
#include "cli/terminal.h"
#include "display/display_surfaces.h"
#include "platform/log_midi.h"
#include "platform/posix/alsa_midi.h"
#include "platform/posix/device_table.h"
#include "platform/posix/playback_posix.h"
#include "sequencer/playback.h"
#include "sequencer/sequencer.h"
#include "shell/control_flags.h"
#include "shell/settings.h"

namespace {

std::atomic<bool> interrupted{false};
volatile sig_atomic_t watchdogSet = 0;

// Exit codes: 1 a song could not be loaded, 2 bad usage, 3 no output device, 130 a signal.
constexpr int kNoDevice = 3;
constexpr int kInterrupted = 130;

// Ends the program from a signal handler: only async-signal-safe calls.
void endNow(int) {
    restoreTerminalInSignal();
    _exit(kInterrupted);
}

// INT or TERM asks the main loop to silence the device and close it; should anything
// keep it from doing so within a second (a long load, a device that does not return),
// the alarm ends the program all the same. More signals change nothing: a supervisor
// may signal the process and its group at once.
void onInterrupt(int) {
    interrupted = true;
    if (watchdogSet) return;
    watchdogSet = 1;
    alarm(1);
}

void catchSignals() {
    struct sigaction action = {};
    sigemptyset(&action.sa_mask);
    action.sa_handler = onInterrupt;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    action.sa_handler = endNow;
    sigaction(SIGALRM, &action, nullptr);
}

// --fast: a clock that jumps to each deadline, so the steps run back to back.
class VirtualPlatform : public PlaybackPlatform {
public:
    uint32_t nowMs() override { return now_.load(); }
    void sleepUntil(uint32_t deadline) override {
        if (static_cast<int32_t>(deadline - now_.load()) > 0) now_ = deadline;
    }
    void raiseCurrentThread(bool) override {}

private:
    std::atomic<uint32_t> now_{0};
};

// Numbers the log device's lines by step, runs the scripted seeks and the step limit.
class ScriptObserver : public StepObserver {
public:
    ScriptObserver(Sequencer& seq, const PlayOptions& o, LogMidiDevice* log)
        : seq_(seq), options_(o), log_(log) {}
    void beforeStep(uint32_t n) override {
        if (!log_) return;
        if (n == 1) log_->setStartMicros(PosixPlaybackPlatform::nowMicros() / 1000 * 1000);
        log_->setStep(n);
    }
    void afterStep(uint32_t n) override {
        for (const SeekRequest& s : options_.seeks)
            if (s.afterStep == n && seq_.playing) seekSong(seq_, s.percent);
        if (options_.maxSteps >= 0 && n >= options_.maxSteps) seq_.playing = false;
    }

private:
    Sequencer& seq_;
    const PlayOptions& options_;
    LogMidiDevice* log_;
};

void applyOptions(const PlayOptions& o, Settings& settings) {
    settings.keyShift = o.keyShift;
    for (int ch = 0; ch < 16; ++ch) settings.keyShiftChannels[ch] = o.keyShiftChannels[ch];
    settings.bankMode = static_cast<uint8_t>(o.bankMode);
    settings.resetType = static_cast<uint8_t>(o.resetType);
    settings.resetAtPlayStart = o.resetAtStart;
    settings.speedIndex = o.speedIndex;
}

struct Player {
    Settings settings;
    ControlFlags flags;
    std::unique_ptr<Sequencer> seq{new Sequencer};
    Playback pb;
    StatusLine* status = nullptr;
    bool interactive = false;
};

void drawStatus(Player& p, const char* extra = nullptr) {
    if (!p.status) return;
    p.status->draw(extra, speedTable[p.settings.speedIndex], p.settings.keyShift,
                   p.seq->loopMode, p.flags.paused);
}

// Acts on one key; false when the song is to stop (true = keep playing).
bool handleKey(Player& p, Key key, bool& quit) {
    Sequencer& seq = *p.seq;
    switch (key) {
    case Key::None: return true;
    case Key::Pause:
        p.flags.paused = !p.flags.paused;
        if (p.flags.paused) {
            std::lock_guard<std::mutex> hold(seq.stepLock);
            seq.port.allNotesOff();
        }
        break;
    case Key::Stop: return false;
    case Key::Quit: quit = true; return false;
    case Key::SeekBack:
    case Key::SeekForward: {
        int32_t target = p.flags.seekPos + (key == Key::SeekForward ? 5 : -5);
        target = target < 0 ? 0 : target > 100 ? 100 : target;
        p.flags.seekPos = target;
        seekSong(seq, static_cast<uint32_t>(target));
        break;
    }
    case Key::SpeedUp:
    case Key::SpeedDown: {
        const int32_t i = p.settings.speedIndex + (key == Key::SpeedUp ? 1 : -1);
        p.settings.speedIndex = i < 0 ? 0 : i > 2 ? 2 : i;
        break;
    }
    case Key::KeyUp:
    case Key::KeyDown: {
        const int32_t k = p.settings.keyShift + (key == Key::KeyUp ? 1 : -1);
        if (k >= -6 && k <= 6) p.settings.keyShift = k;
        // No note may stay on whose note-off would now be shifted differently. Sent at
        // the limit too, as the window's spin does.
        std::lock_guard<std::mutex> hold(seq.stepLock);
        seq.port.allNotesOff();
        break;
    }
    case Key::Loop: seq.loopMode = static_cast<int8_t>((seq.loopMode + 1) & 3); break;
    }
    drawStatus(p);
    return true;
}

// Plays the loaded song until it stops, the user stops it, or Ctrl-C.
// Returns false when the whole run is to end.
bool playLoaded(Player& p, const PlayOptions& o, RawKeyboard& keyboard) {
    if (o.maxSteps == 0) return true;  // asked for no step at all
    p.flags.paused = false;
    if (!startPlayback(p.pb)) return false;
    bool quit = false;
    int sinceDraw = 0;
    while (p.flags.playbackThreadRunning) {
        const Key key = keyboard.poll(p.interactive ? 50 : 20);
        if (interrupted) {
            quit = true;
            break;
        }
        if (!handleKey(p, key, quit)) break;
        if (p.status && ++sinceDraw >= 4) {
            drawStatus(p);
            sinceDraw = 0;
        }
    }
    // A song stopped early is silenced by the panic before the next file or at close.
    stopPlayback(p.pb);
    if (p.status) {
        drawStatus(p);
        p.status->finish();
    }
    return !quit;
}

std::unique_ptr<MidiDevice> openDevice(const PlayOptions& o, std::unique_ptr<LogMidiDevice>& log,
                                       std::string& error) {
    if (o.device == "log") {
        log.reset(new LogMidiDevice(stdout));
        log->setTiming(o.timing, PosixPlaybackPlatform::nowMicros);
        return nullptr;
    }
    if (o.device.empty()) return openDefaultDevice(error);
    return openNamedDevice(nativeDeviceRows(), o.device.c_str(), error);
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
    if (options.list) {
        std::string text;
        if (!listAlsaPorts(text, error)) {
            std::fprintf(stderr, "orvanel-play: %s\n", error.c_str());
            return 1;
        }
        std::fputs(text.c_str(), stdout);
        return 0;
    }

    std::unique_ptr<LogMidiDevice> logDevice;
    std::unique_ptr<MidiDevice> device = openDevice(options, logDevice, error);
    MidiDevice* out = logDevice ? static_cast<MidiDevice*>(logDevice.get()) : device.get();
    if (!out) {
        std::fprintf(stderr, "orvanel-play: %s\n", error.c_str());
        return kNoDevice;
    }
    // An offline renderer has no reason to wait for the wall clock.
    const bool fast = options.fast || options.device.compare(0, 4, "wav:") == 0;

    Player p;
    applyOptions(options, p.settings);
    ConsoleSink sink(stderr);
    Sequencer& seq = *p.seq;
    seq.settings = &p.settings;
    seq.panel = &sink;
    seq.port.attach(out);
    initSequencer(seq);
    seq.port.open();
    seq.loopMode = static_cast<int8_t>(options.loopMode);

    VirtualPlatform virtualClock;
    PosixPlaybackPlatform realClock;
    ScriptObserver observer(seq, options, logDevice.get());
    const bool statusOnTerminal = !fast && isatty(STDERR_FILENO);
    StatusLine status(stderr, statusOnTerminal);
    DisplaySurfaces terminalDisplay;
    p.pb.seq = &seq;
    p.pb.settings = &p.settings;
    p.pb.flags = &p.flags;
    p.pb.platform = fast ? static_cast<PlaybackPlatform*>(&virtualClock) : &realClock;
    p.pb.observer = &observer;
    if (!fast && !logDevice) {
        p.pb.view = &status;
        // The tempo readout reaches the status line through its back surface.
        terminalDisplay.backSurface = &status.readouts;
        p.pb.display = &terminalDisplay;
        p.status = &status;
        sink.setClearLineFirst(statusOnTerminal);
    }
    RawKeyboard keyboard;
    p.interactive = keyboard.active() && !fast;

    catchSignals();
    int rc = 0;
    for (const std::string& file : options.files) {
        if (interrupted) break;
        // Nothing of the last song may sound on during the load or into the next song.
        panicSong(seq, p.settings.resetType);
        if (!loadSong(seq, file.c_str())) {
            unloadSong(seq);
            std::fprintf(stderr, "orvanel-play: cannot load '%s'\n", file.c_str());
            rc = 1;
            continue;
        }
        if (p.status) {
            std::fprintf(stderr, "playing %s\n", file.c_str());
            if (p.interactive)
                std::fputs("keys: space pause  s stop  q quit  <- -> seek 5%  up/down speed  "
                           "+/- key shift  l loop mode\n", stderr);
        }
        const bool goOn = !interrupted && playLoaded(p, options, keyboard);
        unloadSong(seq);
        if (!goOn) break;
    }
    // Silences every channel, then closes the device.
    seq.port.close(p.settings.resetType, seq.channels);
    if (interrupted) return kInterrupted;
    if (out->errorText()[0]) {
        std::fprintf(stderr, "orvanel-play: %s\n", out->errorText());
        if (!rc) rc = 1;
    }
    return rc;
}
