#include "platform/win32/gdi_surface.h"

void GdiSurface::attach(HDC dc, HFONT panelFont, HFONT smallFont, HBRUSH whiteBrush, HBRUSH greyBrush) {
    dc_ = dc;
    fonts_[0] = panelFont;
    fonts_[1] = smallFont;
    brushes_[0] = whiteBrush;
    brushes_[1] = greyBrush;
    fontKnown_ = false;
}

void GdiSurface::fillWhite(int x, int y, int w, int h) {
    if (dc_) BitBlt(dc_, x, y, w, h, nullptr, 0, 0, WHITENESS);
}

void GdiSurface::textOut(int x, int y, FontId font, const char* text, int len) {
    if (!dc_) return;
    if (!fontKnown_ || font != font_) {
        HFONT f = fonts_[font == FontId::Panel ? 0 : 1];
        if (f) SelectObject(dc_, f);
        font_ = font;
        fontKnown_ = true;
    }
    TextOutA(dc_, x, y, text, len);
}

void GdiSurface::copyFrom(int dx, int dy, int w, int h, const Surface& src, int sx, int sy) {
    const GdiSurface* from = dynamic_cast<const GdiSurface*>(&src);
    if (dc_ && from && from->dc_) BitBlt(dc_, dx, dy, w, h, from->dc_, sx, sy, SRCCOPY);
}

void GdiSurface::rectangle(int left, int top, int right, int bottom, BrushId brush) {
    if (!dc_) return;
    HBRUSH b = brush == BrushId::Gray ? brushes_[1] : brush == BrushId::White ? brushes_[0]
                                                                             : static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    HGDIOBJ old = SelectObject(dc_, b ? static_cast<HGDIOBJ>(b) : GetStockObject(WHITE_BRUSH));
    Rectangle(dc_, left, top, right, bottom);
    SelectObject(dc_, old);
}
