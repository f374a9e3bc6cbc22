#include "display/readouts.h"

#include <cstdio>

#include "platform/drawing.h"

namespace {
void drawBox(Surface* window, Surface* back, int x, int y, const char* text, int len) {
    if (!back) return;
    back->fillWhite(x, y, kReadoutW, kReadoutH);
    back->textOut(x + 2, y, FontId::Panel, text, len);
    if (window) window->copyFrom(x, y, kReadoutW, kReadoutH, *back, x, y);
}
}  // namespace

void drawTempoReadout(Surface* windowSurface, Surface* backSurface, int32_t bpm) {
    char text[32];
    const int len = std::snprintf(text, sizeof text, "tempo %d", bpm);
    drawBox(windowSurface, backSurface, kTempoBoxX, kTempoBoxY, text, len);
}

void drawPlayTime(Surface* windowSurface, Surface* backSurface, int32_t shownSeconds,
                  int32_t totalSeconds) {
    char text[32];
    const int len = std::snprintf(text, sizeof text, "%02d:%02d / %02d:%02d", shownSeconds / 60,
                                  shownSeconds % 60, totalSeconds / 60, totalSeconds % 60);
    drawBox(windowSurface, backSurface, kTimeBoxX, kTimeBoxY, text, len);
}
