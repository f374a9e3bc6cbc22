#pragma once
// An in-memory surface for tests: 32-bit pixels that copies and fills really change, and
// logs of the text and copy calls.
//
// Text leaves "ink" in the pixels so that scrolling can be followed: every byte drawn
// covers one character cell (6 x 12 pixels in the panel font, 5 x 10 in the small one),
// and each pixel of the cell holds inkPixel(byte, row of the cell). A double-byte
// character thus covers two cells, the same grid a real Shift_JIS font uses.
//
// Each operation is atomic on its own (an internal lock), so a test that draws from two
// threads sees how whole operations interleave rather than a torn log.
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "platform/drawing.h"

class RecordingSurface : public Surface {
public:
    static constexpr uint32_t kWhite = 0xFFFFFF;
    static constexpr uint32_t kGray = 0xC8C8C8;
    static constexpr uint32_t kBlack = 0x000000;
    static constexpr uint32_t kInkTag = 0x01000000;

    struct TextCall {
        int x, y;
        FontId font;
        std::string bytes;
    };
    struct CopyCall {
        int dx, dy, w, h;
        const Surface* src;
        int sx, sy;
    };

    // Pixels start black, as a freshly created bitmap does.
    RecordingSurface(int width, int height, uint32_t initial = kBlack);

    void fillWhite(int x, int y, int w, int h) override;
    void textOut(int x, int y, FontId font, const char* text, int len) override;
    void copyFrom(int dx, int dy, int w, int h, const Surface& src, int sx, int sy) override;
    void rectangle(int left, int top, int right, int bottom, BrushId brush) override;

    int width() const { return width_; }
    int height() const { return height_; }
    // Outside the surface: kBlack.
    uint32_t pixel(int x, int y) const;
    void setPixel(int x, int y, uint32_t value);
    void fill(int x, int y, int w, int h, uint32_t value);
    // True when every pixel of the rectangle (clipped) equals value.
    bool allPixels(int x, int y, int w, int h, uint32_t value) const;

    static uint32_t inkPixel(uint8_t byte, int row) { return kInkTag | (uint32_t(byte) << 8) | uint32_t(row); }
    static bool isInk(uint32_t p) { return (p & 0xFF000000u) == kInkTag; }
    static uint8_t inkByte(uint32_t p) { return uint8_t(p >> 8); }
    static int inkRow(uint32_t p) { return int(p & 0xFF); }
    static int advance(FontId font) { return font == FontId::Small ? 5 : 6; }
    static int fontHeight(FontId font) { return font == FontId::Small ? 10 : 12; }

    // Reads the bytes inked along row y, one per cell of the given advance from x, up to
    // the first cell without ink. With cellRow it also requires that y is that row of the
    // character cells (so a line that lost its top pixel row reads differently).
    std::string inkedText(int x, int y, int advance = 6, int cellRow = -1) const;

    std::vector<TextCall> texts;
    std::vector<CopyCall> copies;

private:
    bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
    int width_, height_;
    std::vector<uint32_t> pixels_;
    mutable std::recursive_mutex opLock_;
};
