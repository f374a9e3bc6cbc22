#include "display/message_panel.h"

#include <cstring>
#include <mutex>

#include "display/display_surfaces.h"
#include "platform/drawing.h"

namespace {

void scrollOneLine(Surface& back) {
    back.copyFrom(0, 0, kPanelWidth, kPanelHeight - kPanelLineHeight, back, 0, kPanelLineHeight);
    back.fillWhite(0, kPanelHeight - kPanelLineHeight, kPanelWidth, kPanelLineHeight);
}

}  // namespace

void drawPanelMessage(Surface& back, Surface* window, const char* text) {
    if (text == nullptr) text = "";
    const char* p = text;
    size_t n = std::strlen(text);

    // Full lines are laid out a character at a time so that a double-byte character is
    // never split; one starting in the last cell is drawn whole, overhanging to x = 206.
    while (n > kPanelLineBytes) {
        scrollOneLine(back);
        int x = kPanelTextX;
        while (x < kPanelLineEnd) {
            // n > 1 always holds here (a line uses at most 34 of at least 34 bytes); the
            // check keeps a lone lead byte from pairing with the terminator regardless.
            const int len = (n > 1 && isDoubleByte(uint8_t(p[0]), uint8_t(p[1]))) ? 2 : 1;
            back.textOut(x, kPanelTextY, FontId::Panel, p, len);
            x += len * kPanelCell;
            p += len;
            n -= size_t(len);
        }
    }
    scrollOneLine(back);
    if (n > 0) back.textOut(kPanelTextX, kPanelTextY, FontId::Panel, p, int(n));

    if (window != nullptr) window->copyFrom(0, 0, kPanelWidth, kPanelHeight, back, 0, 0);
}

void MessagePanel::print(const char* line) {
    std::lock_guard<std::mutex> hold(surfaces_.drawLock);
    if (surfaces_.backSurface == nullptr) return;
    drawPanelMessage(*surfaces_.backSurface, listViewShown_ ? nullptr : surfaces_.windowSurface, line);
}
