#include "tests/support/recording_surface.h"

#include <algorithm>

RecordingSurface::RecordingSurface(int width, int height, uint32_t initial)
    : width_(width), height_(height), pixels_(size_t(width) * size_t(height), initial) {}

uint32_t RecordingSurface::pixel(int x, int y) const {
    return inside(x, y) ? pixels_[size_t(y) * size_t(width_) + size_t(x)] : kBlack;
}

void RecordingSurface::setPixel(int x, int y, uint32_t value) {
    if (inside(x, y)) pixels_[size_t(y) * size_t(width_) + size_t(x)] = value;
}

void RecordingSurface::fill(int x, int y, int w, int h, uint32_t value) {
    for (int j = y; j < y + h; ++j)
        for (int i = x; i < x + w; ++i) setPixel(i, j, value);
}

bool RecordingSurface::allPixels(int x, int y, int w, int h, uint32_t value) const {
    for (int j = std::max(y, 0); j < std::min(y + h, height_); ++j)
        for (int i = std::max(x, 0); i < std::min(x + w, width_); ++i)
            if (pixel(i, j) != value) return false;
    return true;
}

void RecordingSurface::fillWhite(int x, int y, int w, int h) {
    std::lock_guard<std::recursive_mutex> hold(opLock_);
    fill(x, y, w, h, kWhite);
}

void RecordingSurface::textOut(int x, int y, FontId font, const char* text, int len) {
    std::lock_guard<std::recursive_mutex> hold(opLock_);
    texts.push_back({x, y, font, std::string(text, text + (len > 0 ? len : 0))});
    const int adv = advance(font);
    const int h = fontHeight(font);
    for (int k = 0; k < len; ++k)
        for (int row = 0; row < h; ++row)
            for (int i = 0; i < adv; ++i)
                setPixel(x + k * adv + i, y + row, inkPixel(uint8_t(text[k]), row));
}

void RecordingSurface::copyFrom(int dx, int dy, int w, int h, const Surface& src, int sx, int sy) {
    const auto* from = dynamic_cast<const RecordingSurface*>(&src);
    // Both surfaces are locked for the copy; scoped_lock orders the two locks safely.
    std::scoped_lock hold(opLock_, from != nullptr ? from->opLock_ : opLock_);
    copies.push_back({dx, dy, w, h, &src, sx, sy});
    if (from == nullptr) return;
    // Clip to both surfaces, as the platform does.
    if (sx < 0) { dx -= sx; w += sx; sx = 0; }
    if (sy < 0) { dy -= sy; h += sy; sy = 0; }
    if (dx < 0) { sx -= dx; w += dx; dx = 0; }
    if (dy < 0) { sy -= dy; h += dy; dy = 0; }
    w = std::min({w, from->width_ - sx, width_ - dx});
    h = std::min({h, from->height_ - sy, height_ - dy});
    if (w <= 0 || h <= 0) return;
    // Read the whole source rectangle first: src may be this surface, overlapping.
    std::vector<uint32_t> block(size_t(w) * size_t(h));
    for (int j = 0; j < h; ++j) {
        const uint32_t* row = &from->pixels_[size_t(sy + j) * size_t(from->width_) + size_t(sx)];
        std::copy(row, row + w, &block[size_t(j) * size_t(w)]);
    }
    for (int j = 0; j < h; ++j) {
        const uint32_t* row = &block[size_t(j) * size_t(w)];
        std::copy(row, row + w, &pixels_[size_t(dy + j) * size_t(width_) + size_t(dx)]);
    }
}

void RecordingSurface::rectangle(int left, int top, int right, int bottom, BrushId brush) {
    std::lock_guard<std::recursive_mutex> hold(opLock_);
    const uint32_t inside = brush == BrushId::White ? kWhite : brush == BrushId::Gray ? kGray : kBlack;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) {
            const bool edge = x == left || y == top || x == right - 1 || y == bottom - 1;
            setPixel(x, y, edge ? kBlack : inside);
        }
}

std::string RecordingSurface::inkedText(int x, int y, int adv, int cellRow) const {
    std::string out;
    for (int cx = x; cx < width_; cx += adv) {
        const uint32_t p = pixel(cx, y);
        if (!isInk(p) || (cellRow >= 0 && inkRow(p) != cellRow)) break;
        out.push_back(char(inkByte(p)));
    }
    return out;
}
