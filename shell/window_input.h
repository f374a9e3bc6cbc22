#pragma once
// The window's input besides the commands: the seek bar, the two spins, and the list's
// scroll bar, wheel and clicks. Codes are the platform's scroll-bar request codes.
#include <cstdint>

struct Program;

// Horizontal requests of the seek bar.
enum SeekCode : int {
    kSeekLineLeft = 0, kSeekLineRight = 1, kSeekPageLeft = 2, kSeekPageRight = 3,
    kSeekThumbPosition = 4, kSeekThumbTrack = 5,
};

// Dragging stops the thumb from following the song; the release seeks there; the left
// arrow seeks to the start; the right arrow resumes or moves on, during autoplay only.
void seekBarRequest(Program& p, int code, int32_t thumb);
// The complete seek to percent, as the seek bar makes it; while paused the thumb moves
// there at once.
void seekTo(Program& p, uint32_t percent);
// The speed spin: the upper arrow faster, the lower slower, within 50 to 200 %.
void speedSpinRequest(Program& p, int code);
// The key-shift spin: one semitone up or down within -6..+6; every message of it, the
// end-of-scroll one and those at a limit too, silences all notes.
void keyShiftSpinRequest(Program& p, int code);
void listScrollRequest(Program& p, int code, int32_t thumb);
void mouseWheel(Program& p, int32_t delta);
// The left button released at client (x, y): a click on a row of the list plays it next.
void leftButtonUp(Program& p, int x, int y);
