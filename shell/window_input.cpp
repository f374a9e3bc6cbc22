#include "shell/window_input.h"

#include <mutex>

#include "display/list_view.h"
#include "shell/commands.h"
#include "shell/program.h"
#include "shell/shell_view.h"

void seekTo(Program& p, uint32_t percent) {
    seekSong(*p.seq, percent);
    if (p.flags.paused) {
        p.flags.seekPos = static_cast<int32_t>(percent);
        if (p.playback.view) p.playback.view->showSeekPosition(static_cast<int32_t>(percent));
    }
}

void seekBarRequest(Program& p, int code, int32_t thumb) {
    switch (code) {
    case kSeekThumbTrack: p.flags.seekFollows = false; break;
    case kSeekThumbPosition:
        p.flags.seekFollows = true;
        seekTo(p, static_cast<uint32_t>(thumb < 0 ? 0 : thumb > 100 ? 100 : thumb));
        break;
    case kSeekLineLeft: seekTo(p, 0); break;
    case kSeekLineRight:
        if (!p.flags.autoplayActive) break;
        if (p.flags.paused) {
            p.flags.paused = false;
            if (p.view) p.view->setCaption(Button::Break, "break");
        } else {
            advance(p);
        }
        break;
    default: break;
    }
}

void speedSpinRequest(Program& p, int code) {
    int32_t index = p.settings.speedIndex;
    if (code == kScrollLineUp) ++index;
    if (code == kScrollLineDown) --index;
    p.settings.speedIndex = index < 0 ? 0 : index > 2 ? 2 : index;
    drawSpeedIndicator(p.surfaces, p.settings.speedIndex);
}

void keyShiftSpinRequest(Program& p, int code) {
    int32_t shift = p.settings.keyShift;
    if (code == kScrollLineUp) ++shift;
    if (code == kScrollLineDown) --shift;
    p.settings.keyShift = shift < -6 ? -6 : shift > 6 ? 6 : shift;
    // No note may keep sounding at the pitch its note-off will no longer have.
    allNotesOffSong(*p.seq);
    drawKeyShiftIndicator(p.surfaces, p.settings.keyShift);
}

void listScrollRequest(Program& p, int code, int32_t thumb) { listScroll(p.listView, code, thumb); }

void mouseWheel(Program& p, int32_t delta) { listWheel(p.listView, delta); }

void leftButtonUp(Program& p, int x, int y) {
    const int32_t index = listClick(p.listView, x, y);
    if (index < 0) return;
    p.playList.playPos = index;
    advance(p);
}
