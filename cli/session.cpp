#include "cli/session.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <system_error>

#include "cli/checks.h"
#include "cli/exit_codes.h"
#include "platform/log_midi.h"
#include "display/list_view.h"
#include "shell/autoplay_controller.h"
#include "shell/commands.h"
#include "shell/window_input.h"

Wakeup::Wakeup() {
    if (pipe(fds_) != 0) {
        fds_[0] = fds_[1] = -1;
        return;
    }
    for (int fd : fds_) fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
}

Wakeup::~Wakeup() {
    for (int fd : fds_)
        if (fd >= 0) close(fd);
}

void Wakeup::signal() {
    if (fds_[1] < 0) return;
    const char byte = 1;
    // A full pipe already holds a wake-up.
    ssize_t ignored = write(fds_[1], &byte, 1);
    (void)ignored;
}

bool Wakeup::wait(int keyFd, int timeoutMs) {
    pollfd p[2] = {{fds_[0], POLLIN, 0}, {keyFd, POLLIN, 0}};
    const int n = keyFd >= 0 ? 2 : 1;
    if (poll(p, nfds_t(n), timeoutMs) <= 0) return false;
    char drain[64];
    while (fds_[0] >= 0 && read(fds_[0], drain, sizeof drain) > 0) {
    }
    return n == 2 && (p[1].revents & POLLIN);
}

void runPlace(const Program& p, char* out, size_t size) {
    if (size == 0) return;
    out[0] = '\0';
    if (!p.flags.autoplayActive) return;
    if (p.flags.dropListMode)
        std::snprintf(out, size, "%u/%u", p.drop.dropIndex, p.drop.dropCount);
    else
        std::snprintf(out, size, "%d/%d", int(p.playList.playPos), int(listCount(p.playList)));
}

void announceSong(Session& s, const char* path) {
    if (s.quiet) return;
    Program& p = *s.program;
    char place[32] = "1/1";
    if (p.flags.autoplayActive) runPlace(p, place, sizeof place);
    const std::vector<std::string>& files = s.options->files;
    if (p.flags.autoplayActive && !p.flags.dropListMode && !s.options->fullPath && !files.empty()) {
        // Below the folder given: the folder is known, its songs' names are what differ.
        const std::string root = folderRoot(files[0]) + "/";
        if (std::strncmp(path, root.c_str(), root.size()) == 0) path += root.size();
    }
    const std::string line = playingLine(place, path, p.seq->songSteps / 100);
    if (s.status)
        s.status->printLine(line.c_str());
    else
        std::fprintf(stderr, "%s\n", line.c_str());
}

namespace {

void showKeys(Session& s) {
    if (s.quiet || !s.interactive) return;
    if (s.status) s.status->finish();
    std::fputs(keysText(terminalColumns(STDERR_FILENO)).c_str(), stderr);
}

void drawStatus(Session& s) {
    if (!s.status) return;
    Program& p = *s.program;
    char place[32] = "";
    runPlace(p, place, sizeof place);
    s.status->draw(place, speedTable[p.settings.speedIndex], p.settings.keyShift, p.seq->loopMode,
                   p.flags.paused);
}

// Acts on one key. Stop ends a single song or cancels a run; quit ends everything.
void handleKey(Session& s, Key key) {
    Program& p = *s.program;
    switch (key) {
    case Key::None: return;
    case Key::Pause: runCommand(p, kCmdBreak); break;
    case Key::Next:
        if (p.flags.autoplayActive) runCommand(p, kCmdPlay);
        break;
    case Key::Stop:
        if (p.flags.autoplayActive) {
            runCommand(p, kCmdAutoplay);
        } else {
            stopSong(p);
            panicNow(p);
        }
        break;
    case Key::Quit: s.quit = true; break;
    case Key::Help:
        if (s.status) s.status->finish();
        std::fputs(keysText(terminalColumns(STDERR_FILENO)).c_str(), stderr);
        break;
    case Key::SeekBack:
    case Key::SeekForward: {
        int32_t target = p.flags.seekPos + (key == Key::SeekForward ? 5 : -5);
        target = target < 0 ? 0 : target > 100 ? 100 : target;
        p.flags.seekPos = target;
        seekTo(p, static_cast<uint32_t>(target));
        break;
    }
    // The keys act as the window's spins do.
    case Key::SpeedUp: speedSpinRequest(p, kScrollLineUp); break;
    case Key::SpeedDown: speedSpinRequest(p, kScrollLineDown); break;
    case Key::KeyUp: keyShiftSpinRequest(p, kScrollLineUp); break;
    case Key::KeyDown: keyShiftSpinRequest(p, kScrollLineDown); break;
    case Key::Loop: runCommand(p, kCmdLoopMode); break;
    }
    drawStatus(s);
}

// Ctrl-Z: nothing may sound on while the program is stopped, and the shell gets its
// terminal back as it left it; continued, the song goes on where it was.
void suspend(Session& s) {
    Program& p = *s.program;
    const bool pause = p.seq->playing && !p.flags.paused;
    if (pause) runCommand(p, kCmdBreak);  // pauses and silences every note
    std::fflush(nullptr);                 // the log device's lines too
    if (s.status) s.status->finish();
    s.keyboard->release();
    struct sigaction stop = {}, ours = {};
    sigemptyset(&stop.sa_mask);
    stop.sa_handler = SIG_DFL;
    sigaction(SIGTSTP, &stop, &ours);
    raise(SIGTSTP);  // returns once continued
    sigaction(SIGTSTP, &ours, nullptr);
    s.keyboard->resume();
    if (pause) runCommand(p, kCmdBreak);
}

// Waits for the current song to end, a key or a signal; timeoutMs -1 waits for ever.
// Returns false when the whole run is to end.
bool waitForEvent(Session& s, int timeoutMs) {
    const int keyFd = s.interactive && s.keyboard->active() ? s.keyboard->fd() : -1;
    const bool key = s.wakeup->wait(keyFd, timeoutMs);
    if (*s.interrupted) return false;
    if (s.suspendRequested && s.suspendRequested->exchange(false)) suspend(s);
    // Continued after a stop from elsewhere: the shell may have reset the terminal.
    if (s.continued && s.continued->exchange(false) && s.interactive) s.keyboard->resume();
    if (key) {
        for (Key k; !s.quit && (k = s.keyboard->poll(0)) != Key::None;) handleKey(s, k);
    }
    return !s.quit;
}

// The playback thread that announced its end is joined, so the next may start.
void reapEndedSong(Program& p) {
    if (!p.seq->playing) stopSong(p);
}

// The song of a single-file run; the argument check may have loaded it already.
bool loadFile(Session& s, const std::string& file) {
    Sequencer& seq = *s.program->seq;
    if (seq.songLoaded || loadWholeSong(seq, file.c_str())) return true;
    reportFailure(s.status, file, loadFailureText(seq.loadFailure));
    s.exitCode = kExitFailed;
    return false;
}

bool startPlayingFile(Session& s, const std::string& file) {
    Program& p = *s.program;
    if (!loadFile(s, file)) return false;
    announceSong(s, file.c_str());
    showKeys(s);
    p.flags.paused = false;
    startPlayback(p.playback);
    return true;
}

// One file by itself.
void playFile(Session& s, const std::string& file) {
    Program& p = *s.program;
    // Nothing the device may still hold sounds on during the load or into the song.
    panicNow(p);
    if (s.options->maxSteps == 0) {
        loadFile(s, file);
        unloadSong(*p.seq);
        return;
    }
    if (!startPlayingFile(s, file)) return;
    while (p.flags.playbackThreadRunning && waitForEvent(s, s.status ? 200 : -1)) {
        reapEndedSong(p);
        drawStatus(s);
    }
    const bool early = p.seq->playing;
    stopSong(p);
    // A song stopped before its end leaves nothing sounding; one that played to its end
    // lets a rendering keep the release of its last notes.
    if (early)
        panicNow(p);
    else
        p.seq->port.drain();
    unloadSong(*p.seq);
    if (s.status) s.status->finish();
}

// After the controller skipped a song: its path and the reason. A listed path cut to the
// controller's buffer is skipped without a load.
void reportSkippedSong(Session& s) {
    Program& p = *s.program;
    const PlayListEntry* entry = slotEntry(p.playList, p.playList.playPos - 1);
    const char* path = p.flags.dropListMode ? p.dropPath : entry ? entry->path : "";
    const LoadFailure& failure = p.seq->loadFailure;
    reportFailure(s.status, path,
                  failure.problem == LoadProblem::None ? std::generic_category().message(ENAMETOOLONG)
                                                       : loadFailureText(failure));
}

// A folder run or a run over several files: the controller takes the songs; the loop
// wakes it whenever a song has ended, and every 100 ms while the search has not listed
// the next song yet.
void playRun(Session& s) {
    Program& p = *s.program;
    showKeys(s);
    while (p.flags.autoplayActive) {
        reapEndedSong(p);
        if (!p.flags.playbackThreadRunning) {
            // The song before lets its last notes ring out in a rendering before the
            // controller resets the module for the next.
            p.seq->port.drain();
            if (s.log) s.log->setStep(0);
            if (s.status) s.status->finish();
            const uint32_t skipped = p.skippedSongs;
            p.seq->loadFailure = {};
            autoplayTick(p);
            if (p.skippedSongs != skipped) reportSkippedSong(s);
            if (!p.flags.autoplayActive) break;
        }
        const bool waiting = !p.flags.playbackThreadRunning && p.flags.autoplayActive;
        if (!waitForEvent(s, waiting ? 100 : (s.status ? 200 : -1))) break;
        drawStatus(s);
    }
    if (p.flags.autoplayActive) {
        // Quit or a signal in the middle of a run: the search is stopped, the song too.
        stopFolderSearch(p.search);
        cancelAutoplay(p);
    }
}

}  // namespace

void runSession(Session& s) {
    Program& p = *s.program;
    const std::vector<std::string>& files = s.options->files;
    if (files.size() == 1 && namesFolder(files[0])) {
        const std::string root = folderRoot(files[0]);
        p.flags.commandBusy = true;
        startFolderSearch(p.search, root.c_str());
        p.flags.autoplayActive = true;
        playRun(s);
    } else if (files.size() > 1) {
        dropFiles(p, std::unique_ptr<DropSource>(new PathListDrop(files)));
        playRun(s);
    } else if (!*s.interrupted) {
        playFile(s, files[0]);
    }
    // Whichever way the run ended, the shell's prompt starts on a line of its own.
    if (s.status) s.status->finish();
    if (p.skippedSongs) s.exitCode = kExitFailed;
}
