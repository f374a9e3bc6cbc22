#include "shell/commands.h"

#include <cstdio>
#include <cstring>
#include <mutex>

#include "shell/choosers.h"
#include "shell/history.h"
#include "shell/messages.h"
#include "shell/program.h"
#include "shell/shell_view.h"

namespace {

void messageBox(Program& p, const char* text, bool owned) {
    if (p.view) p.view->messageBox(text, owned);
}

// Loads songPath for the open and play commands; a failure shows "open失敗" and leaves
// no song loaded.
bool loadChosenSong(Program& p) {
    if (loadWholeSong(*p.seq, p.songPath)) return true;
    messageBox(p, kOpenFailedText, true);
    return false;
}

void openSong(Program& p) {
    Sequencer& seq = *p.seq;
    if (seq.playing) caption(p, Button::Play, "play");
    if (!chooseSong(p)) {
        if (seq.playing) caption(p, Button::Play, "stop");
        return;
    }
    stopSong(p);
    panicNow(p);
    unloadSong(seq);
    showIdleTitle(p);
    if (!loadChosenSong(p)) return;
    rememberInHistory(p, p.songPath);
    showSongTitle(p, p.songPath);
    runAnimationStep(p);
}

// "next" during autoplay: the controller starts the following song at its next tick.
void advanceAutoplay(Program& p) {
    if (p.flags.paused) {
        p.flags.paused = false;
        caption(p, Button::Break, "break");
        return;
    }
    advance(p);
}

void playOrStop(Program& p) {
    Sequencer& seq = *p.seq;
    if (!seq.songLoaded) {
        if (!chooseSong(p)) return;
        stopSong(p);
        if (!loadChosenSong(p)) return;
        rememberInHistory(p, p.songPath);
        showSongTitle(p, p.songPath);
    }
    if (seq.playing) {
        // The thread leaves before the module is reset, so no note of it follows the panic.
        stopSong(p);
        panicNow(p);
        runAnimationStep(p);
        caption(p, Button::Play, "play");
        caption(p, Button::Autoplay, "autoplay");
        return;
    }
    playFromStart(p);
}

void closeSong(Program& p) {
    Sequencer& seq = *p.seq;
    if (!seq.songLoaded) {
        messageBox(p, kCloseFailedText, false);
        return;
    }
    stopSong(p);
    unloadSong(seq);
    runAnimationStep(p);
    showIdleTitle(p);
    panicNow(p);
    caption(p, Button::Play, "play");
}

void startAutoplay(Program& p) {
    Sequencer& seq = *p.seq;
    if (seq.songLoaded) {
        if (seq.playing) return;
        stopSong(p);  // a song that ended by itself: its thread may still be leaving
        unloadSong(seq);
    }
    p.flags.commandBusy = true;
    p.autoplayFolder[0] = '\0';
    // A refused folder would be searched in vain: it is not searched.
    const FolderChoice choice = p.view ? p.view->chooseFolder(p.autoplayFolder, sizeof p.autoplayFolder)
                                       : FolderChoice::Taken;
    if (choice != FolderChoice::Taken)
        messageBox(p, choice == FolderChoice::TooLong ? kFolderTooLongText : kFolderNameUnspellableText, true);
    if (choice != FolderChoice::Taken || p.autoplayFolder[0] == '\0') {
        p.flags.commandBusy = false;
        return;
    }
    char current[kFolderPathSize + 2], entry[kFolderPathSize + 2];
    std::snprintf(current, sizeof current, "%s\\", p.autoplayFolder);
    std::snprintf(entry, sizeof entry, "*%s", p.autoplayFolder);
    cutDriveRoot(p.autoplayFolder);
    // A run refused (a search still finishing) leaves the history and the current
    // directory as they were.
    if (!beginFolderRun(p)) return;
    if (p.view) p.view->setCurrentFolder(current);
    rememberInHistory(p, entry);
    char line[kFolderPathSize + 32];
    std::snprintf(line, sizeof line, "autoplay directory = %s", p.autoplayFolder);
    printLine(p, line);
}

void toggleList(Program& p) {
    // A folder run holds commandBusy for its whole length; the toggle leaves it so.
    const bool wasBusy = p.flags.commandBusy;
    p.flags.commandBusy = true;
    const bool listShown = toggleListView(p.listView);
    if (p.view) p.view->acceptDrops(!listShown);
    if (!wasBusy) p.flags.commandBusy = false;
}

void toggleBreak(Program& p) {
    if (p.flags.paused) {
        p.flags.paused = false;
    } else {
        p.flags.paused = true;
        allNotesOffSong(*p.seq);
    }
    caption(p, Button::Break, p.flags.paused ? "cont" : "break");
}

void openReadme(Program& p) {
    char path[ShellPaths::kProgramFolderSize + 16];
    std::snprintf(path, sizeof path, "%s\\readme.txt", p.paths.programFolder);
    if (p.view) p.view->openDocument(path);
}

// Runs body with commandBusy set, unless a command already holds it.
template <class Body>
void guarded(Program& p, Body body) {
    if (p.flags.commandBusy) return;
    p.flags.commandBusy = true;
    body();
    p.flags.commandBusy = false;
}

}  // namespace

void caption(Program& p, Button b, const char* text) {
    if (p.view) p.view->setCaption(b, text);
}

void advance(Program& p) {
    p.flags.advanceRequested = true;
    stopSong(p);
    panicNow(p);
    runAnimationStep(p);
}

bool beginFolderRun(Program& p) {
    // A search still finishing (it clears searchRunning last) keeps the list: a run started
    // now would have no songs and no end.
    if (!startFolderSearch(p.search, p.autoplayFolder)) {
        printLine(p, kPlayBusyText);
        p.flags.commandBusy = false;
        return false;
    }
    p.flags.autoplayActive = true;  // commandBusy stays set for the whole run
    return true;
}

void stopSong(Program& p) {
    stopPlayback(p.playback);
}

void panicNow(Program& p) { panicSong(*p.seq, p.settings.resetType); }

void playFromStart(Program& p) {
    stopSong(p);
    caption(p, Button::Autoplay, " ");
    startPlayback(p.playback, false);
    runAnimationStep(p);
    caption(p, Button::Play, "stop");
}

void cutDriveRoot(char* folder) {
    if (std::strlen(folder) == 3 && folder[1] == ':' && folder[2] == '\\') folder[2] = '\0';
}

void cancelAutoplay(Program& p) {
    if (p.flags.searchRunning) return;
    p.flags.autoplayActive = false;
    // A "next" not yet taken by the controller would otherwise refuse play and the history.
    p.flags.advanceRequested = false;
    stopSong(p);
    panicNow(p);
    unloadSong(*p.seq);
    if (p.flags.dropListMode)
        endDropRun(p);
    else
        clearPlayList(p.listView);
    caption(p, Button::Break, "break");
    p.flags.paused = false;
    p.playList.listCount = 0;
    waitMs(p, 10);
    runAnimationStep(p);
    showIdleCaptions(p);
    showIdleTitle(p);
    p.flags.commandBusy = false;
}

void showIdleCaptions(Program& p) {
    caption(p, Button::Open, "open");
    caption(p, Button::Play, "play");
    caption(p, Button::Close, "close");
    caption(p, Button::Autoplay, "autoplay");
}

bool runCommand(Program& p, int id) {
    p.flags.tickRestart = true;
    ControlFlags& f = p.flags;
    if (id >= kHistoryFirstCommand && id < kHistoryFirstCommand + History::kSlots) {
        playHistoryItem(p, id - kHistoryFirstCommand);
        return true;
    }
    switch (id) {
    case kCmdOpen:
        if (!f.autoplayActive) guarded(p, [&] { openSong(p); });
        return true;
    case kCmdPlay:
        if (f.advanceRequested) return true;
        if (f.autoplayActive)
            advanceAutoplay(p);
        else
            guarded(p, [&] { playOrStop(p); });
        return true;
    case kCmdClose:
        if (!f.autoplayActive) guarded(p, [&] { closeSong(p); });
        return true;
    case kCmdPanic:
        guarded(p, [&] {
            if (!p.seq->playing) panicNow(p);
        });
        return true;
    case kCmdLoopMode: {
        const int8_t mode = static_cast<int8_t>((p.seq->loopMode + 1) % 4);
        p.seq->loopMode = mode;
        caption(p, Button::LoopMode, kLoopModeNames[mode]);
        return true;
    }
    case kCmdAutoplay:
        if (f.autoplayActive)
            cancelAutoplay(p);
        else if (!f.commandBusy)
            startAutoplay(p);
        return true;
    case kCmdListToggle: toggleList(p); return true;
    case kCmdBreak: toggleBreak(p); return true;
    case kCmdSettings:
        if (p.view) p.view->showSettingsDialog();
        return true;
    case kCmdAbout:
        if (p.view) p.view->showAboutBox();
        return true;
    case kCmdExit:
        if (f.searchRunning)
            messageBox(p, kCannotExitText, true);
        else if (p.view)
            p.view->closeWindow();
        return true;
    case kCmdReadme: openReadme(p); return true;
    case kCmdSkin: chooseAndChangeSkin(p); return true;
    default: return false;
    }
}

void playbackEnded(Program& p, uint32_t playNumber) {
    if (playNumber != p.playback.playNumber) return;
    caption(p, Button::Play, "play");
    caption(p, Button::Autoplay, "autoplay");
}
