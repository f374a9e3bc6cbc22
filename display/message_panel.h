#pragma once
// The scrolling message panel in the left part of the window. It keeps no text: each
// message is drawn straight into the back surface, the lines above move up one line
// height, and what leaves the top is gone.
#include <cstdint>

#include "core/line_sink.h"
#include "platform/drawing.h"
#include "platform/relaxed.h"
#include "platform/shift_jis.h"

struct DisplaySurfaces;

// Geometry of the panel area (0, 0, 210, 250) on its 33-cell grid.
constexpr int kPanelWidth = 210;
constexpr int kPanelHeight = 250;
constexpr int kPanelLineHeight = 14;
constexpr int kPanelTextX = 2;
constexpr int kPanelTextY = 237;
constexpr int kPanelCell = 6;
constexpr int kPanelLineEnd = 200;  // x after 33 cells
constexpr int kPanelLineBytes = 33;

// Draws up to cells cells of text (len bytes) from (x, y), one character at a time so
// that a double-byte character is never split: one that starts in the last cell is drawn
// whole, overhanging it. Returns the bytes drawn. The panel's full lines and the list
// rows' first lines are laid out so.
int drawCharacters(Surface& s, int x, int y, FontId font, int cellWidth, const char* text, int len,
                   int cells);

// Draws one message into back (scrolling one line per line of text) and, when window is
// not null, copies the panel area to it. No locking; MessagePanel adds that.
void drawPanelMessage(Surface& back, Surface* window, const char* text);

class MessagePanel : public LineSink {
public:
    // Both records live for the whole run. While listViewShown is set, messages are drawn
    // but not copied to the window.
    MessagePanel(DisplaySurfaces& surfaces, const Relaxed<bool>& listViewShown)
        : surfaces_(surfaces), listViewShown_(listViewShown) {}

    // Adds the zero-terminated Shift_JIS text at the bottom as one or more lines.
    // Called from the user-interface and playback threads; takes the draw lock for the
    // whole message. Does nothing before the surfaces exist.
    void print(const char* line) override;

private:
    DisplaySurfaces& surfaces_;
    const Relaxed<bool>& listViewShown_;
};
