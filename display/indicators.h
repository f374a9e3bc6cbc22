#pragma once
// The small indicators under the panel: the speed in percent and the key shift, the copy
// that puts the panel (or the play list) on the window, the "BREAK" box, and the refresh
// the idle tick runs to redraw them when something they show has changed.
#include <cstdint>

struct DisplaySurfaces;

void drawSpeedIndicator(DisplaySurfaces& s, int32_t speedIndex);
void drawKeyShiftIndicator(DisplaySurfaces& s, int32_t keyShift);
// Copies the panel, or the play list when listViewShown, to the window. Returns whether
// the list is shown, so the caller shows or hides the list scroll bar.
bool showPanelOrList(DisplaySurfaces& s, bool listViewShown);
// The same copy for a caller that already holds the draw lock.
void copyLeftPaneLocked(DisplaySurfaces& s, bool listViewShown);
void drawPauseBox(DisplaySurfaces& s);

// What the refresh compares with what it last drew.
struct IndicatorMemory {
    bool paused = false;
    bool listViewShown = false;
    int32_t playPos = 0;
    int32_t topIndex = 0;
};

struct IndicatorState {
    bool paused;
    bool listViewShown;
    int32_t playPos;
    int32_t topIndex;
};

// The 200 ms refresh: when anything changed or refreshForced is set, draws the pause box
// (while paused) or the panel-or-list copy, remembers the state and clears
// refreshForced. Returns true when it drew.
bool refreshIndicators(DisplaySurfaces& s, IndicatorMemory& memory, const IndicatorState& now,
                       bool& refreshForced);
