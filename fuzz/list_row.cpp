// A play-list row of any path and index, onto a surface that records what is drawn: the
// text is "%d %s", shortened from 71 bytes on to its head, " .... " and its tail; every
// byte is drawn once, inside the row's box, and a two-byte character is never split.
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "display/list_view.h"
#include "display/message_panel.h"
#include "platform/drawing.h"

namespace {

class RowRecorder : public Surface {
public:
    struct Text {
        int x, y;
        std::string bytes;
    };
    explicit RowRecorder(int top) : top_(top) {}
    void fillWhite(int, int, int, int) override { std::abort(); }
    void textOut(int x, int y, FontId font, const char* text, int len) override {
        if (len < 0 || font != FontId::Small) std::abort();
        if (x < 0 || y < top_ || y + 10 > top_ + kListRowHeight) std::abort();
        texts.push_back({x, y, std::string(text, size_t(len))});
    }
    void copyFrom(int, int, int, int, const Surface&, int, int) override { std::abort(); }
    void rectangle(int left, int top, int right, int bottom, BrushId) override {
        if (left < 0 || top < top_ || right > kListViewWidth || bottom > top_ + kListRowHeight) std::abort();
        ++boxes;
    }
    std::vector<Text> texts;
    int boxes = 0;

private:
    int top_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    // The first bytes choose the row and the index; the rest is the path (as a list
    // entry holds it: at most 259 bytes before its zero byte).
    const int row = data[0] % kListRows;
    const int32_t index = int32_t(uint32_t(data[1]) << 8 | data[2]) - 1;
    std::string path(reinterpret_cast<const char*>(data + 3), size - 3);
    path = path.substr(0, path.find('\0')).substr(0, 259);

    RowRecorder list(row * kListRowHeight);
    drawListRow(list, row * kListRowHeight, index, path.c_str(), BrushId::Gray);
    if (list.boxes != 1) std::abort();

    std::string expected = std::to_string(index) + " " + path;
    if (expected.size() >= 71) expected = expected.substr(0, 31) + " .... " + expected.substr(expected.size() - 35);
    std::string drawn;
    for (const RowRecorder::Text& t : list.texts) drawn += t.bytes;
    if (drawn != expected) std::abort();
    // Two lines at the most; the first, when drawn a character at a time, never splits a
    // pair that the code page would join.
    size_t firstLine = 0;
    const bool byCharacter = expected.size() > 36;
    for (const RowRecorder::Text& t : list.texts) {
        if (t.y != list.texts.front().y) continue;
        if (byCharacter) {
            const bool pairHere = firstLine + 1 < expected.size() &&
                                  isDoubleByte(uint8_t(expected[firstLine]), uint8_t(expected[firstLine + 1]));
            if (t.bytes.size() != (pairHere ? 2u : 1u)) std::abort();
        }
        firstLine += t.bytes.size();
    }
    if (expected.size() > 36 && (firstLine < 36 || firstLine > 37)) std::abort();
    if (firstLine == 37 && !isDoubleByte(uint8_t(expected[35]), uint8_t(expected[36]))) std::abort();
    return 0;
}
