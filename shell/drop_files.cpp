// Files dropped on the window: one plays at once, several start an autoplay run over them.
#include <cstdio>
#include <cstring>

#include "shell/commands.h"
#include "shell/history.h"
#include "shell/messages.h"
#include "shell/program.h"
#include "shell/shell_view.h"

namespace {

void playDroppedFile(Program& p, DropSource& drop) {
    const size_t length = drop.path(0, p.dropPath, sizeof p.dropPath);
    drop.finish();
    printLine(p, p.dropPath);
    Sequencer& seq = *p.seq;
    stopSong(p);  // a song that ended by itself: its thread may still be leaving
    unloadSong(seq);
    // A path cut to the buffer would name another file.
    if (length >= sizeof p.dropPath || !loadWholeSong(seq, p.dropPath)) {
        ++p.skippedSongs;
        printLine(p, "open error.");
        p.flags.commandBusy = false;
        return;
    }
    p.flags.dropSongStarted = true;
    startPlayback(p.playback);
    if (p.view) {
        p.view->setCaption(Button::Play, "stop");
        p.view->setCaption(Button::Autoplay, " ");
    }
    showSongTitle(p, p.dropPath);
    if (p.settings.historyForDrops) rememberInHistory(p, p.dropPath);
    p.flags.commandBusy = false;
}

}  // namespace

void endDropRun(Program& p) {
    // A drop run holds its files from dropFiles to here, so there is always one to answer.
    p.drop.source->finish();
    p.drop.source.reset();
    p.flags.dropListMode = false;
}

void dropFiles(Program& p, std::unique_ptr<DropSource> drop) {
    if (!drop) return;
    ControlFlags& f = p.flags;
    // A refused drop is answered at once, so the platform can release it.
    if (f.searchRunning || f.commandBusy || f.autoplayActive) {
        drop->finish();
        return;
    }
    f.dropSongStarted = false;
    f.commandBusy = true;
    if (p.seq->playing) {
        printLine(p, kPlayBusyText);
        f.commandBusy = false;
        drop->finish();
        return;
    }
    const uint32_t count = drop->count();
    char line[48];
    std::snprintf(line, sizeof line, "drop %u file(s)", count);
    printLine(p, line);
    if (count == 1) {
        playDroppedFile(p, *drop);
        return;
    }
    if (p.view) {
        p.view->setCaption(Button::Open, " ");
        p.view->setCaption(Button::Play, "next");
        p.view->setCaption(Button::Close, " ");
        p.view->setCaption(Button::Autoplay, "cancel");
    }
    p.drop.source = std::move(drop);
    p.drop.dropCount = count;
    p.drop.dropIndex = 0;
    f.autoplayActive = true;
    f.dropListMode = true;  // commandBusy stays set for the whole run
}
