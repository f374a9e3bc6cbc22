// The message panel's layout of any text, onto a surface that records what is drawn: no
// byte is lost, doubled or drawn off the grid, and a two-byte character is never split.
#include <cstdlib>
#include <string>
#include <vector>

#include "display/message_panel.h"
#include "platform/drawing.h"

namespace {

class LayoutRecorder : public Surface {
public:
    struct Text {
        int x, y;
        std::string bytes;
    };
    void fillWhite(int x, int y, int w, int h) override { inside(x, y, w, h); }
    void textOut(int x, int y, FontId, const char* text, int len) override {
        if (len < 0) std::abort();
        texts.push_back({x, y, std::string(text, size_t(len))});
    }
    void copyFrom(int dx, int dy, int w, int h, const Surface&, int sx, int sy) override {
        inside(dx, dy, w, h);
        inside(sx, sy, w, h);
        if (dy == 0 && sy == kPanelLineHeight) ++scrolls;
    }
    void rectangle(int, int, int, int, BrushId) override { std::abort(); }

    std::vector<Text> texts;
    int scrolls = 0;

private:
    static void inside(int x, int y, int w, int h) {
        if (x < 0 || y < 0 || w < 0 || h < 0 || x + w > kPanelWidth || y + h > kPanelHeight) std::abort();
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string shown = text.substr(0, text.find('\0'));
    LayoutRecorder back, window;
    drawPanelMessage(back, &window, text.c_str());

    std::string drawn;
    for (size_t i = 0; i < back.texts.size(); ++i) {
        const LayoutRecorder::Text& t = back.texts[i];
        drawn += t.bytes;
        if (t.y != kPanelTextY) std::abort();
        const bool lastRun = i + 1 == back.texts.size() && t.x == kPanelTextX;
        if (lastRun) {
            if (t.bytes.empty() || t.bytes.size() > size_t(kPanelLineBytes)) std::abort();
            continue;
        }
        // One character on the grid: a pair only when the code page says so, starting
        // in one of the 33 cells.
        const bool pair = t.bytes.size() == 2 && isDoubleByte(uint8_t(t.bytes[0]), uint8_t(t.bytes[1]));
        if (!(t.bytes.size() == 1 || pair)) std::abort();
        if ((t.x - kPanelTextX) % kPanelCell != 0 || t.x >= kPanelLineEnd) std::abort();
    }
    if (drawn != shown) std::abort();
    // One scroll a line: 33 bytes a full line (34 with a pair in its last cell), the
    // rest on the last line.
    if (back.scrolls < int((shown.size() + 33) / 34) || back.scrolls > int(shown.size() / 33) + 1) std::abort();
    return 0;
}
