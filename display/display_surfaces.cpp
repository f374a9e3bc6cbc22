#include "display/display_surfaces.h"

#include <cstring>

#include "platform/drawing.h"

bool surfacesReady(const DisplaySurfaces& s) {
    return s.windowSurface != nullptr && s.backSurface != nullptr && s.skinSurface != nullptr;
}

void drawReadout(DisplaySurfaces& s, int boxY, const char* text, int len) {
    std::lock_guard<std::mutex> hold(s.drawLock);
    if (s.backSurface == nullptr) return;
    s.backSurface->fillWhite(kReadoutX, boxY, kReadoutWidth, kReadoutHeight);
    if (len > 0) s.backSurface->textOut(kReadoutTextX, boxY, FontId::Panel, text, len);
    if (s.windowSurface != nullptr)
        s.windowSurface->copyFrom(kReadoutX, boxY, kReadoutWidth, kReadoutHeight, *s.backSurface, kReadoutX,
                                  boxY);
}

void clearReadouts(DisplaySurfaces& s) {
    std::lock_guard<std::mutex> hold(s.drawLock);
    if (s.backSurface == nullptr) return;
    s.backSurface->fillWhite(kReadoutX, kTempoBoxY, kReadoutWidth, kReadoutHeight);
    s.backSurface->fillWhite(kReadoutX, kTimeBoxY, kReadoutWidth, kReadoutHeight);
    if (s.windowSurface != nullptr)
        s.windowSurface->copyFrom(kReadoutX, 144, s.clientWidth - kReadoutX, s.clientHeight - 160, *s.backSurface,
                                  kReadoutX, 144);
}

void ReadoutLine::print(const char* line) {
    drawReadout(surfaces_, boxY_, line, static_cast<int>(std::strlen(line)));
}
