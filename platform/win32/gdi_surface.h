#pragma once
// A drawing surface over a GDI device context: the window's own context or a memory
// context with a bitmap. Selects the font or brush an operation names only when it
// changes. Not copyable: it owns nothing but must not be duplicated either.
#include <windows.h>

#include "platform/drawing.h"

class GdiSurface final : public Surface {
public:
    GdiSurface() = default;
    GdiSurface(const GdiSurface&) = delete;
    GdiSurface& operator=(const GdiSurface&) = delete;

    // The context drawn into, and the fonts and brushes the ids stand for (not owned).
    void attach(HDC dc, HFONT panelFont, HFONT smallFont, HBRUSH whiteBrush, HBRUSH greyBrush);
    void detach() { dc_ = nullptr; }
    HDC dc() const { return dc_; }
    // Marks font as the one selected, for contexts whose font was chosen directly.
    void fontSelected(FontId font) { font_ = font; fontKnown_ = true; }

    void fillWhite(int x, int y, int w, int h) override;
    void textOut(int x, int y, FontId font, const char* text, int len) override;
    void copyFrom(int dx, int dy, int w, int h, const Surface& src, int sx, int sy) override;
    void rectangle(int left, int top, int right, int bottom, BrushId brush) override;

private:
    HDC dc_ = nullptr;
    HFONT fonts_[2] = {};
    HBRUSH brushes_[2] = {};
    FontId font_ = FontId::Panel;
    bool fontKnown_ = false;
};
