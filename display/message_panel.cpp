#include "display/message_panel.h"

#include <cstring>
#include <mutex>

#include "display/display_surfaces.h"

namespace {

void scrollOneLine(Surface& back) {
    back.copyFrom(0, 0, kPanelWidth, kPanelHeight - kPanelLineHeight, back, 0, kPanelLineHeight);
    back.fillWhite(0, kPanelHeight - kPanelLineHeight, kPanelWidth, kPanelLineHeight);
}

}  // namespace

int drawCharacters(Surface& s, int x, int y, FontId font, int cellWidth, const char* text, int len,
                   int cells) {
    int used = 0;
    while (used < cells && used < len) {
        // A lead byte at the end of the text has no second byte to pair with.
        const int n =
            (used + 1 < len && isDoubleByte(uint8_t(text[used]), uint8_t(text[used + 1]))) ? 2 : 1;
        s.textOut(x + used * cellWidth, y, font, text + used, n);
        used += n;
    }
    return used;
}

void drawPanelMessage(Surface& back, Surface* window, const char* text) {
    if (text == nullptr) text = "";
    const char* p = text;
    size_t n = std::strlen(text);

    // Full lines a character at a time: one starting in the last cell overhangs to x = 206.
    while (n > kPanelLineBytes) {
        scrollOneLine(back);
        // A line takes 33 bytes, or 34 with a pair in its last cell: no more are looked at.
        const int available = n > kPanelLineBytes + 1 ? kPanelLineBytes + 1 : int(n);
        const int used = drawCharacters(back, kPanelTextX, kPanelTextY, FontId::Panel, kPanelCell, p,
                                        available, kPanelLineBytes);
        p += used;
        n -= size_t(used);
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
