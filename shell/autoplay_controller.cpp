#include "shell/autoplay_controller.h"

#include <cstdio>

#include "shell/commands.h"
#include "shell/program.h"
#include "shell/shell_view.h"

namespace {

constexpr int8_t kBigLoop = 3;

// After a successful load: the module reset, the song started with the reset message
// when asked, the captions and title of a run.
void startSong(Program& p, const char* shownPath) {
    waitMs(p, 10);
    panicNow(p);
    waitMs(p, 10);
    startPlayback(p.playback);
    caption(p, Button::Play, "next");
    caption(p, Button::Autoplay, "cancel");
    showSongTitle(p, shownPath);
    p.flags.advanceRequested = false;
}

void finishRun(Program& p) {
    p.flags.autoplayActive = false;
    runAnimationStep(p);
    showIdleCaptions(p);
    showIdleTitle(p);
    printLine(p, "autoplay finished.");
    p.flags.advanceRequested = false;
    p.flags.commandBusy = false;
}

void dropTick(Program& p) {
    DropList& d = p.drop;
    if (d.dropIndex >= d.dropCount) {
        if (p.seq->loopMode == kBigLoop && p.flags.dropSongStarted) {
            d.dropIndex = 0;
            return;
        }
        finishRun(p);
        endDropRun(p);
        return;
    }
    const size_t length = d.source->path(d.dropIndex, p.dropPath, sizeof p.dropPath);
    d.dropIndex = d.dropIndex + 1;
    char line[48];
    std::snprintf(line, sizeof line, "%u / %u", d.dropIndex, d.dropCount);
    printLine(p, line);
    printLine(p, p.dropPath);
    // A path cut to the buffer would name another file.
    if (length >= sizeof p.dropPath || !loadWholeSong(*p.seq, p.dropPath)) {
        ++p.skippedSongs;
        printLine(p, "skip");
        return;
    }
    startSong(p, p.dropPath);
    p.flags.dropSongStarted = true;
}

void folderTick(Program& p) {
    PlayList& list = p.playList;
    const int32_t pos = list.playPos;
    const PlayListEntry* entry = slotEntry(list, pos);
    // The end marker is listed before the search thread is done with the list (it may
    // still shuffle it): until searchRunning is clear the run must not end and release it.
    if (!entry || (isEndMarker(*entry) && p.flags.searchRunning)) {
        // Not listed yet. One wait per tick, then back to the message loop, so the window
        // keeps answering however long the search takes.
        waitMs(p, 100);
        printLine(p, "search waiting...");
        return;
    }
    p.flags.tickRestart = true;
    char shown[kEntryPathSize];
    shownEntryText(*entry, shown);
    const bool endMarker = isEndMarker(*entry);
    // The end marker shows as it is, "end": it is told from the upper-case paths by its case.
    if (p.settings.showFullPath) printLine(p, shown);
    list.playPos = pos + 1;

    if (endMarker) {
        if (p.seq->loopMode == kBigLoop && pos + 1 > 1) {
            list.playPos = 0;
            waitMs(p, 100);
        } else if (p.settings.keepListAfterEnd && pos + 1 > 1) {
            list.playPos = 0;
            p.flags.paused = true;
            caption(p, Button::Break, "cont");
            waitMs(p, 100);
        } else {
            finishRun(p);
            clearPlayList(p.listView);
        }
        return;
    }
    drawListView(p.listView);
    // Opened from the list itself: a listed entry never changes, and only this thread
    // releases it.
    if (!loadWholeSong(*p.seq, entry->path)) {
        ++p.skippedSongs;
        printLine(p, shown);
        printLine(p, "open error skip...");
        return;
    }
    startSong(p, shown);
    caption(p, Button::Open, " ");
    caption(p, Button::Close, " ");
}

}  // namespace

void autoplayTick(Program& p) {
    const Sequencer& seq = *p.seq;
    if (seq.playing || p.flags.playbackThreadRunning ||
        (p.settings.waitForSearchEnd && p.flags.searchRunning))
        return;
    reapPlayback(p.playback);  // the ended thread is joined before the next starts
    unloadSong(*p.seq);
    if (p.flags.dropListMode)
        dropTick(p);
    else
        folderTick(p);
}
