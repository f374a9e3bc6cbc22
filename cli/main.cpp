// orvanel-play: plays Standard MIDI Files, and folders of them, from the terminal on the
// player's own core.
#include <unistd.h>

#include <atomic>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "cli/console_sink.h"
#include "cli/options.h"
#include "cli/render.h"
#include "cli/render_plan.h"
#include "cli/session.h"
#include "cli/terminal.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/log_midi.h"
#include "platform/posix/alsa_midi.h"
#include "platform/posix/device_table.h"
#include "platform/posix/playback_posix.h"
#include "shell/shell_view.h"

namespace {

std::atomic<bool> interrupted{false};
Wakeup* wakeupForSignals = nullptr;
volatile sig_atomic_t watchdogSet = 0;

// Exit codes: 1 a song could not be loaded, 2 bad usage, 3 no output device, 130 a signal.
constexpr int kNoDevice = 3;
constexpr int kInterrupted = 130;

// Ends the program from a signal handler: only async-signal-safe calls.
void endNow(int) {
    restoreTerminalInSignal();
    removePartialRenderInSignal();
    _exit(kInterrupted);
}

// INT or TERM wakes the main loop, which silences the device and closes it; should
// anything keep it from doing so within a second (a long load, a device that does not
// return), the alarm ends the program all the same. More signals change nothing: a
// supervisor may signal the process and its group at once.
void onInterrupt(int) {
    interrupted = true;
    if (wakeupForSignals) wakeupForSignals->signal();
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
        uint32_t now = now_.load();
        while (static_cast<int32_t>(deadline - now) > 0 && !now_.compare_exchange_weak(now, deadline)) {
        }
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

// The end of each playback wakes the main thread; the readouts go to the status line.
class TerminalTransport : public TransportView {
public:
    TerminalTransport(Wakeup& wakeup, StatusLine* status) : wakeup_(wakeup), status_(status) {}
    void showSeekPosition(int32_t) override {}
    void enableSeekBar(bool) override {}
    void setTransportCaptions(const char*, const char*, uint32_t) override { wakeup_.signal(); }
    void showPlayTime(int32_t shown, int32_t total) override {
        if (status_) status_->showPlayTime(shown, total);
    }
    void clearReadouts() override {
        if (status_) status_->clearReadouts();
    }

private:
    Wakeup& wakeup_;
    StatusLine* status_;
};

// The window's captions and dialogs have no place in a terminal; what the user must
// read goes to standard error.
class TerminalView : public ShellView {
public:
    explicit TerminalView(StatusLine* status) : status_(status) {}
    void setCaption(Button, const char*) override {}
    // On a terminal, the song a run moves to: the window shows it as "Orvanel[path]".
    void setTitle(const char* title) override {
        const char* open = std::strchr(title, '[');
        const size_t length = std::strlen(title);
        if (!status_ || !open || length < 2 || title[length - 1] != ']') return;
        status_->finish();
        std::fprintf(stderr, "playing %.*s\n", int(title + length - 1 - (open + 1)), open + 1);
    }
    void messageBox(const char* text, bool) override { std::fprintf(stderr, "orvanel-play: %s\n", text); }
    bool chooseFile(const FileDialogSpec&, char*, size_t) override { return false; }
    void chooseFolder(char* out, size_t size) override {
        if (size) out[0] = '\0';
    }
    void showHistoryMenu(const History&) override {}
    void openDocument(const char*) override {}
    void closeWindow() override {}
    void acceptDrops(bool) override {}
    bool setCurrentFolder(const char*) override { return false; }
    void* loadSkinBitmap(const char*) override { return nullptr; }
    void installSkin(void*) override {}
    void showSettingsDialog() override {}
    void showAboutBox() override {}

private:
    StatusLine* status_;
};

void applyOptions(const PlayOptions& o, Settings& settings) {
    settings.keyShift = o.keyShift;
    for (int ch = 0; ch < 16; ++ch) settings.keyShiftChannels[ch] = o.keyShiftChannels[ch];
    settings.bankMode = static_cast<uint8_t>(o.bankMode);
    settings.resetType = static_cast<uint8_t>(o.resetType);
    settings.resetAtPlayStart = o.resetAtStart;
    settings.speedIndex = o.speedIndex;
    settings.shuffleAfterSearch = o.shuffle;
    // Shuffling after the search needs the whole list.
    settings.waitForSearchEnd = o.waitSearch || o.shuffle;
    settings.keepListAfterEnd = o.keepList;
    settings.showFullPath = o.fullPath;
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

    if (isRenderDevice(options.device)) {
        Settings settings;
        applyOptions(options, settings);
        catchSignals();
        return runRender(options, settings, interrupted);
    }

    std::unique_ptr<LogMidiDevice> logDevice;
    std::unique_ptr<MidiDevice> device = openDevice(options, logDevice, error);
    MidiDevice* out = logDevice ? static_cast<MidiDevice*>(logDevice.get()) : device.get();
    if (!out) {
        std::fprintf(stderr, "orvanel-play: %s\n", error.c_str());
        return kNoDevice;
    }
    const bool fast = options.fast;

    Wakeup wakeup;
    VirtualPlatform virtualClock;
    PosixPlaybackPlatform realClock;
    ConsoleSink sink(stderr);
    const bool statusOnTerminal = !fast && isatty(STDERR_FILENO);
    StatusLine status(stderr, statusOnTerminal);
    const bool showStatus = !fast && !logDevice;
    TerminalView view(showStatus ? &status : nullptr);
    TerminalTransport transport(wakeup, showStatus ? &status : nullptr);
    DisplaySurfaces terminalDisplay;

    std::unique_ptr<Program> program(new Program);
    Program& p = *program;
    applyOptions(options, p.settings);
    p.randomSeed = options.seed;
    p.view = &view;
    p.panel = &sink;
    p.files = &platformFileSystem();
    p.folders = &platformFolders();
    p.clock = fast ? static_cast<PlaybackPlatform*>(&virtualClock) : &realClock;
    wireProgram(p);
    Sequencer& seq = *p.seq;
    seq.port.attach(out);
    initSequencer(seq);
    seq.port.open();
    seq.loopMode = static_cast<int8_t>(options.loopMode);

    ScriptObserver observer(seq, options, logDevice.get());
    p.playback.observer = &observer;
    p.playback.view = &transport;
    p.playback.display = nullptr;
    if (showStatus) {
        // The tempo readout reaches the status line through its back surface.
        terminalDisplay.backSurface = &status.readouts;
        p.playback.display = &terminalDisplay;
        sink.setClearLineFirst(statusOnTerminal);
    }
    RawKeyboard keyboard;

    Session session;
    session.program = &p;
    session.options = &options;
    session.log = logDevice.get();
    session.status = showStatus ? &status : nullptr;
    session.keyboard = &keyboard;
    session.wakeup = &wakeup;
    session.interrupted = &interrupted;
    session.interactive = keyboard.active() && !fast;

    wakeupForSignals = &wakeup;
    catchSignals();
    runSession(session);
    // Silences every channel, then closes the device.
    seq.port.close(p.settings.resetType, seq.channels);
    if (interrupted) return kInterrupted;
    int rc = session.exitCode;
    if (out->errorText()[0]) {
        std::fprintf(stderr, "orvanel-play: %s\n", out->errorText());
        if (!rc) rc = 1;
    }
    return rc;
}
