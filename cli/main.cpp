// orvanel-play: plays Standard MIDI Files, and folders of them, from the terminal on the
// player's own core.
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "cli/checks.h"
#include "cli/console_sink.h"
#include "cli/exit_codes.h"
#include "cli/inputs.h"
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
std::atomic<bool> suspendRequested{false}, continued{false};
std::atomic<Wakeup*> wakeupForSignals{nullptr};
// Lock-free atomics, not volatile flags: a signal sent to the process group arrives twice
// and may be handled on two threads at once.
std::atomic<bool> watchdogSet{false};
std::atomic<int> endingSignal{0};  // the first signal that ends the program
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free,
              "the signal handlers need lock-free flags");

// Ctrl-C and TERM end with 130; a hang-up or a quit with 128 and the signal's number, as
// a shell reports a program they ended.
int exitForSignal() {
    const int sig = endingSignal.load();
    return sig == SIGHUP || sig == SIGQUIT ? 128 + sig : kExitInterrupted;
}

// Ends the program from a signal handler: only async-signal-safe calls. The exit is the
// system call itself: a sanitizer's _exit would first check the threads this ending
// leaves behind on purpose and change the exit status.
void endNow(int) {
    restoreTerminalInSignal();
    restoreRenderTerminalInSignal();
    removePartialRenderInSignal();
    syscall(SYS_exit_group, exitForSignal());
}

// INT, TERM, HUP (the terminal closed) or QUIT (the terminal's quit key) wakes the main
// loop, which silences the device and closes it; should anything keep it from doing so
// within a second (a long load, a device that does not return), the alarm ends the
// program all the same. More signals change nothing: a supervisor may signal the process
// and its group at once.
void onInterrupt(int sig) {
    int none = 0;
    endingSignal.compare_exchange_strong(none, sig);
    interrupted = true;
    if (Wakeup* w = wakeupForSignals.load()) w->signal();
    if (watchdogSet.exchange(true)) return;
    alarm(1);
}

// Outside the session nothing sounds: Ctrl-Z only gives the terminal back around the stop.
void onStopOutsideSession(int) {
    const int saved = errno;
    stopRenderInSignal();
    errno = saved;
}

// Ctrl-Z, a continue and a new terminal size are acted on by the main loop.
void onSuspend(int) {
    suspendRequested = true;
    if (Wakeup* w = wakeupForSignals.load()) w->signal();
}
void onContinue(int) {
    continued = true;
    if (Wakeup* w = wakeupForSignals.load()) w->signal();
}
void onResize(int) {
    if (Wakeup* w = wakeupForSignals.load()) w->signal();
}

void catchSignals() {
    struct sigaction action = {};
    sigemptyset(&action.sa_mask);
    action.sa_handler = onInterrupt;
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaction(sig, &action, nullptr);
    action.sa_handler = endNow;
    sigaction(SIGALRM, &action, nullptr);
    action.sa_handler = onStopOutsideSession;
    action.sa_flags = SA_RESTART;
    sigaction(SIGTSTP, &action, nullptr);
}

// While the session runs: the keys' terminal is given back around a stop.
void catchSessionSignals(bool on) {
    struct sigaction action = {};
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    const std::pair<int, void (*)(int)> handlers[] = {
        {SIGTSTP, onSuspend}, {SIGCONT, onContinue}, {SIGWINCH, onResize}};
    for (const auto& h : handlers) {
        action.sa_handler = on ? h.second : h.first == SIGTSTP ? onStopOutsideSession : SIG_DFL;
        sigaction(h.first, &action, nullptr);
    }
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
    void setCaption(Button, const char*) override {}
    // On a terminal, the song a run moves to: the window shows it as "Orvanel[path]".
    void setTitle(const char* title) override {
        const char* open = std::strchr(title, '[');
        const size_t length = std::strlen(title);
        if (!session || !open || length < 2 || title[length - 1] != ']') return;
        const std::string path(open + 1, title + length - 1);
        announceSong(*session, path.c_str());
    }
    void messageBox(const char* text, bool) override { std::fprintf(stderr, "orvanel-play: %s\n", text); }
    bool chooseFile(const FileDialogSpec&, char*, size_t) override { return false; }
    FolderChoice chooseFolder(char* out, size_t size) override {
        if (size) out[0] = '\0';
        return FolderChoice::Taken;
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

    Session* session = nullptr;  // the run, once it starts
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

std::unique_ptr<MidiDevice> createLog(const char*, std::string&) {
    return std::make_unique<LogMidiDevice>(stdout);
}

// The log device first, then those of the build.
std::vector<DeviceRow> deviceRows() {
    std::vector<DeviceRow> rows = {
        {"log", "log                 one line per message on standard output: STEP BYTES", createLog}};
    for (const DeviceRow& row : nativeDeviceRows()) rows.push_back(row);
    return rows;
}

}  // namespace

int main(int argc, char** argv) {
    // The character set alone (console_sink.cpp converts to it): loading every other
    // category of the user's locale was a third of a log run's start-up, and none is used.
    std::setlocale(LC_CTYPE, "");
    // From the start: a signal during the check of the arguments ends the program with 130 too.
    catchSignals();
    const std::vector<DeviceRow> devices = deviceRows();
    PlayOptions options;
    std::string error;
    if (!parseOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "orvanel-play: %s\nTry 'orvanel-play --help'.\n", error.c_str());
        return kExitUsage;
    }
    // The ALSA library writes its own complaints to standard error unless told otherwise.
    quietAlsaLibrary();
    if (options.help) {
        std::fputs(usageText(devices).c_str(), stdout);
        return kExitPlayed;
    }
    if (options.version) {
        std::printf("orvanel-play %s\n", ORVANEL_VERSION);
        return kExitPlayed;
    }
    if (options.list) {
        std::string text;
        if (!listAlsaPorts(text, error)) {
            std::fprintf(stderr, "orvanel-play: %s\n", error.c_str());
            return kExitNoDevice;
        }
        std::fputs(text.c_str(), stdout);
        return kExitPlayed;
    }
    const DeviceRow* deviceRow = nullptr;
    if (!options.device.empty() && !(deviceRow = checkDeviceChoice(devices, options.device.c_str(), error))) {
        std::fprintf(stderr, "orvanel-play: %s\n", error.c_str());
        return kExitUsage;
    }
    // "-", pipes and play lists become songs, and so do folders among other words; a render
    // names its files after the folders given, so it takes them as they are.
    MemorySongs memorySongs;
    Inputs inputs;
    InputSources sources;
    sources.expandFolders = !isRenderDevice(options.device);
    expandInputs(options.files, sources, memorySongs, inputs);
    if (inputs.songs.empty()) return interrupted ? kExitInterrupted : kExitFailed;
    options.files = inputs.songs;
    options.songStore = &memorySongs;
    if (options.shuffle && sources.expandFolders && !inputs.folderRun) shuffleSongs(options.files, options.seed);
    if (isRenderDevice(options.device)) {
        Settings settings;
        applyOptions(options, settings);
        const int rendered = runRender(options, settings, interrupted);
        if (interrupted) return exitForSignal();
        return rendered == kExitPlayed && inputs.failed ? kExitFailed : rendered;
    }
    const bool fast = options.fast;
    const bool toLog = deviceRow && deviceRow->create == createLog;

    Wakeup wakeup;
    VirtualPlatform virtualClock;
    PosixPlaybackPlatform realClock;
    ConsoleSink sink(stderr);
    const bool statusOnTerminal = !fast && options.verbosity > 0 && isatty(STDERR_FILENO);
    StatusLine status(stderr, statusOnTerminal);
    // The log device's lines may share the terminal only with nothing else.
    const bool showStatus =
        !fast && options.verbosity > 0 && (!toLog || (statusOnTerminal && !isatty(STDOUT_FILENO)));
    TerminalView view;
    sink.setShown(options.verbosity > 1);
    TerminalTransport transport(wakeup, showStatus ? &status : nullptr);
    WalkReporter walkReporter(showStatus ? &status : nullptr);
    DisplaySurfaces terminalDisplay;
    ReadoutLine terminalTempo(terminalDisplay, kTempoBoxY);

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
    p.search.walkListener = &walkReporter;
    p.search.isSong = isSongOrKaraokeName;
    Sequencer& seq = *p.seq;
    initSequencer(seq);
    seq.songStore = &memorySongs;
    seq.loopMode = static_cast<int8_t>(options.loopMode);

    // What is to be played is known good, or its reasons are told, before any device opens.
    if (!checkArguments(p, options.files)) return interrupted ? exitForSignal() : kExitFailed;
    std::unique_ptr<MidiDevice> device =
        deviceRow ? openNamedDevice(devices, options.device.c_str(), error) : openDefaultDevice(error);
    if (!device) {
        std::fprintf(stderr, "orvanel-play: %s\n", error.c_str());
        return kExitNoDevice;
    }
    LogMidiDevice* logDevice = toLog ? static_cast<LogMidiDevice*>(device.get()) : nullptr;
    if (logDevice) {
        // Every line counts from here until the first song's loop begins, then from that.
        logDevice->setTiming(options.timing, PosixPlaybackPlatform::nowMicros);
        logDevice->setStartMicros(PosixPlaybackPlatform::nowMicros());
    }
    seq.port.attach(device.get());
    seq.port.open();

    ScriptObserver observer(seq, options, logDevice);
    p.playback.observer = &observer;
    p.playback.view = &transport;
    p.playback.tempoReadout = nullptr;
    if (showStatus) {
        // The tempo readout reaches the status line through its back surface.
        terminalDisplay.backSurface = &status.readouts;
        p.playback.tempoReadout = &terminalTempo;
        sink.setClearLineFirst(statusOnTerminal);
    }
    RawKeyboard keyboard(memorySongs.holds("-"));

    Session session;
    session.program = &p;
    session.options = &options;
    session.log = logDevice;
    session.status = showStatus ? &status : nullptr;
    session.keyboard = &keyboard;
    session.wakeup = &wakeup;
    session.interrupted = &interrupted;
    session.interactive = keyboard.active() && !fast;
    session.quiet = options.verbosity == 0;
    session.suspendRequested = &suspendRequested;
    session.continued = &continued;
    view.session = &session;

    wakeupForSignals = &wakeup;
    catchSessionSignals(true);
    runSession(session);
    catchSessionSignals(false);
    // Silences every channel, then closes the device.
    seq.port.close(p.settings.resetType, seq.channels);
    if (interrupted) return exitForSignal();
    int rc = session.exitCode;
    if (inputs.failed && !rc) rc = kExitFailed;
    if (device->errorText()[0]) {
        std::fprintf(stderr, "orvanel-play: %s\n", device->errorText());
        if (!rc) rc = kExitFailed;
    }
    return rc;
}
