#pragma once
// The few drawing operations the display needs. GDI on Windows; a recording surface in
// tests; a text-capturing surface in the terminal player.
//
// Each operation stands for one GDI call on one device context. The font or brush an
// operation uses is named in the call; the GDI surface selects it into its context only
// when it differs from the one selected last, so no caller has to track selection state.
#include <cstdint>

// Panel is the window's large font (height 12: 6 pixels per single-byte character, 12 per
// double-byte one); Small is the play list's font (height 10: 5 and 10 pixels).
enum class FontId : uint8_t { Panel, Small };
// White 0xFFFFFF, Gray 0xC8C8C8 (the list rows), Black 0x000000.
enum class BrushId : uint8_t { White, Black, Gray };

class Surface {
public:
    Surface() = default;
    virtual ~Surface() = default;
    // A surface owns a device context; a copy would release it twice.
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    // Fills the rectangle (x, y, w, h) with white (BitBlt WHITENESS).
    virtual void fillWhite(int x, int y, int w, int h) = 0;
    // Draws len bytes of Shift_JIS text with its top-left corner at (x, y) (TextOutA).
    // The background is opaque white or transparent, as the surface was created.
    virtual void textOut(int x, int y, FontId font, const char* text, int len) = 0;
    // Copies the rectangle (sx, sy, w, h) of src to (dx, dy) of this surface (BitBlt
    // SRCCOPY). src may be this surface; overlapping rectangles copy correctly.
    virtual void copyFrom(int dx, int dy, int w, int h, const Surface& src, int sx, int sy) = 0;
    // Draws a box from (left, top) to (right, bottom), right and bottom exclusive: filled
    // with the brush and outlined with a one-pixel black pen (Rectangle).
    virtual void rectangle(int left, int top, int right, int bottom, BrushId brush) = 0;
};
