#pragma once
// The drawing surfaces of the main window and the one lock that serialises drawing into
// them. The platform layer creates the surfaces (with their fonts, brushes and bitmaps)
// and fills in the pointers; portable code only draws through them.
#include <cstdint>
#include <mutex>

#include "core/line_sink.h"

class Surface;

constexpr int kClientWidth = 290;
constexpr int kClientHeight = 268;

// The right column's readouts: the tempo line (written by the interpreter) and the play time.
constexpr int kReadoutX = 210;
constexpr int kReadoutTextX = 212;
constexpr int kReadoutWidth = 80;
constexpr int kReadoutHeight = 13;
constexpr int kTempoBoxY = 145;
constexpr int kTimeBoxY = 159;

struct DisplaySurfaces {
    // Null until the surfaces exist (the window repaints once before that) and after
    // they are released; drawing is then skipped.
    Surface* windowSurface = nullptr;
    Surface* backSurface = nullptr;
    Surface* listSurface = nullptr;
    Surface* skinSurface = nullptr;
    int32_t clientWidth = kClientWidth;
    int32_t clientHeight = kClientHeight;

    // Taken by everything that draws into the shared surfaces (message panel, skin
    // animation, readouts, list view, indicators, repaint), on whatever thread, so that
    // a scroll, a frame copy and a text line never interleave. Held only for the few
    // copies of one drawing; never take the sequencer's step lock while holding it.
    std::mutex drawLock;
};

// True when all of window, back and skin surfaces exist.
bool surfacesReady(const DisplaySurfaces& s);

// One readout line in the right column: fills the 80 x 13 box at (210, boxY) of the back
// surface white, draws len bytes of text at (212, boxY) in the panel font and copies the
// box to the window. Takes the draw lock.
void drawReadout(DisplaySurfaces& s, int boxY, const char* text, int len);

// A readout box as a line sink: each line printed replaces the box's text (drawReadout).
// The interpreter writes the tempo line through one, on the playback thread.
class ReadoutLine : public LineSink {
public:
    ReadoutLine(DisplaySurfaces& surfaces, int boxY) : surfaces_(surfaces), boxY_(boxY) {}
    void print(const char* line) override;

private:
    DisplaySurfaces& surfaces_;
    int boxY_;
};

// At the end of playback: both readout boxes white, then the right column from (210, 144)
// down to the bottom of the skin frame copied to the window. Takes the draw lock.
void clearReadouts(DisplaySurfaces& s);
