#include "display/indicators.h"

#include <cstdio>
#include <mutex>

#include "display/display_surfaces.h"
#include "display/list_view.h"
#include "display/message_panel.h"
#include "platform/drawing.h"
#include "sequencer/playback.h"

void drawSpeedIndicator(DisplaySurfaces& s, int32_t speedIndex) {
    if (speedIndex < 0) speedIndex = 0;
    if (speedIndex > 2) speedIndex = 2;
    char text[8];
    const int n = std::snprintf(text, sizeof text, "%03d%%", speedTable[speedIndex]);
    std::lock_guard<std::mutex> hold(s.drawLock);
    if (!s.backSurface) return;
    s.backSurface->textOut(169, 255, FontId::Panel, text, n);
    if (s.windowSurface) s.windowSurface->copyFrom(169, 252, 23, 20, *s.backSurface, 169, 252);
}

void drawKeyShiftIndicator(DisplaySurfaces& s, int32_t keyShift) {
    char text[8];
    const int n = std::snprintf(text, sizeof text, keyShift >= 0 ? "+%d" : "%d", keyShift);
    std::lock_guard<std::mutex> hold(s.drawLock);
    if (!s.backSurface) return;
    s.backSurface->textOut(134, 255, FontId::Panel, text, n);
    // Taken from x 132 and put at x 134, as the window has always shown it.
    if (s.windowSurface) s.windowSurface->copyFrom(134, 252, 16, 20, *s.backSurface, 132, 252);
}

bool showPanelOrList(DisplaySurfaces& s, bool listViewShown) {
    std::lock_guard<std::mutex> hold(s.drawLock);
    copyLeftPaneLocked(s, listViewShown);
    return listViewShown;
}

void copyLeftPaneLocked(DisplaySurfaces& s, bool listViewShown) {
    if (!s.windowSurface) return;
    if (listViewShown) {
        if (s.listSurface)
            s.windowSurface->copyFrom(0, 0, kListViewWidth, kListViewHeight, *s.listSurface, 0, 0);
    } else if (s.backSurface) {
        s.windowSurface->copyFrom(0, 0, kPanelWidth, kPanelHeight, *s.backSurface, 0, 0);
    }
}

void drawPauseBox(DisplaySurfaces& s) {
    std::lock_guard<std::mutex> hold(s.drawLock);
    if (!s.windowSurface) return;
    s.windowSurface->rectangle(50, 90, 150, 150, BrushId::White);
    s.windowSurface->textOut(86, 115, FontId::Panel, "BREAK", 5);
}

bool refreshIndicators(DisplaySurfaces& s, IndicatorMemory& memory, const IndicatorState& now,
                       bool& refreshForced) {
    if (now.paused == memory.paused && now.listViewShown == memory.listViewShown &&
        now.playPos == memory.playPos && now.topIndex == memory.topIndex && !refreshForced)
        return false;
    if (now.paused)
        drawPauseBox(s);
    else
        showPanelOrList(s, now.listViewShown);
    memory = {now.paused, now.listViewShown, now.playPos, now.topIndex};
    refreshForced = false;
    return true;
}
