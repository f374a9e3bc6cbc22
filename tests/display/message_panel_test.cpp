#include "display/message_panel.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "display/display_surfaces.h"
#include "tests/support/recording_surface.h"

namespace {

// "あ" and "ア" in Shift_JIS.
const std::string kA = "\x82\xA0";
const std::string kKa = "\x83\x41";

std::string repeat(const std::string& s, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) out += s;
    return out;
}

class PanelTest : public ::testing::Test {
protected:
    PanelTest() : back(kClientWidth, kClientHeight), window(kClientWidth, kClientHeight) {
        back.fillWhite(0, 0, kClientWidth, kClientHeight);
        surfaces.backSurface = &back;
        surfaces.windowSurface = &window;
    }

    // The text of the line `up` lines above the newest, read along its top pixel row.
    std::string line(int up, const RecordingSurface& s) const {
        return s.inkedText(kPanelTextX, kPanelTextY - kPanelLineHeight * up, kPanelCell, 0);
    }
    std::string line(int up) const { return line(up, back); }

    bool panelWindowMatchesBack() const {
        for (int y = 0; y < kPanelHeight; ++y)
            for (int x = 0; x < kPanelWidth; ++x)
                if (window.pixel(x, y) != back.pixel(x, y)) return false;
        return true;
    }

    RecordingSurface back, window;
    DisplaySurfaces surfaces;
    Relaxed<bool> listViewShown{false};
    MessagePanel panel{surfaces, listViewShown};
};

TEST(DoubleByteTest, LeadAndTrailRangesAtTheirEdges) {
    // Each side of every edge of the code page's lead (81-9F, E0-FC) and trail (40-7E,
    // 80-FC) ranges; a pair is one character only when both bytes are in range.
    const struct { uint8_t byte; bool in; } leads[] = {
        {0x80, false}, {0x81, true}, {0x9F, true}, {0xA0, false}, {0xA1, false},
        {0xDF, false}, {0xE0, true}, {0xEF, true}, {0xFC, true}, {0xFD, false}};
    const struct { uint8_t byte; bool in; } trails[] = {
        {0x3F, false}, {0x40, true}, {0x7E, true}, {0x7F, false},
        {0x80, true}, {0xFC, true}, {0xFD, false}};
    for (const auto& l : leads)
        for (const auto& t : trails)
            EXPECT_EQ(isDoubleByte(l.byte, t.byte), l.in && t.in) << std::hex << int(l.byte) << " " << int(t.byte);
    EXPECT_FALSE(isDoubleByte('A', 0x82));
}

TEST_F(PanelTest, ShortMessageIsTheBottomLineAndReachesTheWindow) {
    panel.print("hello");
    EXPECT_EQ(line(0), "hello");
    ASSERT_EQ(back.texts.size(), 1u);
    EXPECT_EQ(back.texts[0].x, 2);
    EXPECT_EQ(back.texts[0].y, 237);
    EXPECT_EQ(back.texts[0].font, FontId::Panel);
    EXPECT_TRUE(panelWindowMatchesBack());
    EXPECT_EQ(line(0, window), "hello");
    // Nothing outside the panel area is touched in the window.
    EXPECT_TRUE(window.allPixels(kPanelWidth, 0, kClientWidth - kPanelWidth, kClientHeight, RecordingSurface::kBlack));
}

TEST_F(PanelTest, EmptyTextScrollsOneLineAndLeavesItBlank) {
    panel.print("first");
    panel.print("");
    EXPECT_EQ(line(1), "first");
    EXPECT_TRUE(back.allPixels(0, 236, kPanelWidth, 14, RecordingSurface::kWhite));
    EXPECT_EQ(back.texts.size(), 1u);
}

TEST_F(PanelTest, WrapsSingleByteTextAt33Cells) {
    panel.print(std::string(33, 'a').c_str());
    EXPECT_EQ(line(0), std::string(33, 'a'));

    panel.print((std::string(33, 'b') + "c").c_str());
    EXPECT_EQ(line(1), std::string(33, 'b'));
    EXPECT_EQ(line(0), "c");
    EXPECT_EQ(line(2), std::string(33, 'a'));

    panel.print(std::string(100, 'd').c_str());  // 33 + 33 + 33 + 1
    EXPECT_EQ(line(3), std::string(33, 'd'));
    EXPECT_EQ(line(2), std::string(33, 'd'));
    EXPECT_EQ(line(1), std::string(33, 'd'));
    EXPECT_EQ(line(0), "d");
}

TEST_F(PanelTest, SeventeenDoubleByteCharactersFillOneLineAndLeaveAnEmptyOne) {
    panel.print(repeat(kA, 17).c_str());
    EXPECT_EQ(line(1), repeat(kA, 17));
    EXPECT_TRUE(back.allPixels(0, 236, kPanelWidth, 14, RecordingSurface::kWhite));
}

TEST_F(PanelTest, DoubleByteCharacterInTheLastCellIsDrawnWhole) {
    panel.print((std::string(32, 'x') + kKa + "yz").c_str());
    EXPECT_EQ(line(1), std::string(32, 'x') + kKa);
    EXPECT_EQ(line(0), "yz");
    bool drawnAt194 = false;
    for (const auto& t : back.texts)
        if (t.x == 194 && t.y == 237) drawnAt194 = t.bytes == kKa;
    EXPECT_TRUE(drawnAt194);
}

TEST_F(PanelTest, DoubleByteCharactersAreNeverSplitAcrossLines) {
    // Odd alignment: after one single-byte character every pair straddles the byte grid.
    const std::string text = "a" + repeat(kA, 20);
    panel.print(text.c_str());
    EXPECT_EQ(line(1), "a" + repeat(kA, 16));
    EXPECT_EQ(line(0), repeat(kA, 4));
    for (const auto& t : back.texts) {
        ASSERT_FALSE(t.bytes.empty());
        // Every character drawn alone on the grid is a whole character.
        if (t.bytes.size() <= 2 && static_cast<uint8_t>(t.bytes[0]) >= 0x80) {
            EXPECT_EQ(t.bytes, kA);
        }
    }

    // Mixed widths: 31 single-byte cells, then pairs.
    panel.print((std::string(31, 'q') + repeat(kKa, 3)).c_str());
    EXPECT_EQ(line(1), std::string(31, 'q') + kKa);
    EXPECT_EQ(line(0), repeat(kKa, 2));
}

TEST_F(PanelTest, HalfWidthKatakanaAndHighLeadKanjiWrapWhole) {
    const std::string kana = "\xB1", kanji = "\x88\x9F", highKanji = "\xFB\xFC";  // ｱ 亜 髙
    const struct { const char* what; std::string text, firstLine; } cases[] = {
        // The katakana is one byte in cell 32; the kanji after it begins in cell 33.
        {"katakana then kanji", std::string(31, 'x') + kana + kanji + "yz", std::string(31, 'x') + kana + kanji},
        {"lead byte FB", std::string(32, 'x') + highKanji + "yz", std::string(32, 'x') + highKanji},
        {"lead byte FB after katakana", std::string(30, 'x') + kana + kana + highKanji + "yz",
         std::string(30, 'x') + kana + kana + highKanji},
    };
    for (const auto& c : cases) {
        back.texts.clear();
        panel.print(c.text.c_str());
        EXPECT_EQ(line(1), c.firstLine) << c.what;
        EXPECT_EQ(line(0), "yz") << c.what;
        ASSERT_GE(back.texts.size(), 2u) << c.what;
        const auto& last = back.texts[back.texts.size() - 2];  // the first line's last character
        EXPECT_EQ(last.x, 194) << c.what;
        EXPECT_EQ(last.bytes, c.firstLine.substr(c.firstLine.size() - 2)) << c.what;
    }
}

TEST_F(PanelTest, OldLinesScrollOffTheTopAndAreGone) {
    for (int i = 0; i < 18; ++i) panel.print(("msg" + std::to_string(100 + i)).c_str());
    // The first message now starts one pixel above the panel: its top pixel row is cut
    // off, and the panel's first row shows the cells' second row.
    EXPECT_EQ(back.inkedText(2, 0, 6, 1), "msg100");
    EXPECT_EQ(line(16), "msg101");
    EXPECT_EQ(line(0), "msg117");

    panel.print("msg118");
    for (int y = 0; y < kPanelHeight; ++y)
        EXPECT_NE(back.inkedText(2, y, 6).substr(0, 6), "msg100") << "at y " << y;
    EXPECT_EQ(back.inkedText(2, 0, 6, 1), "msg101");
}

TEST_F(PanelTest, WhileTheListIsShownMessagesStayInTheBackSurface) {
    listViewShown = true;
    panel.print("hidden one");
    panel.print("hidden two");
    EXPECT_TRUE(window.copies.empty());
    EXPECT_EQ(line(0), "hidden two");
    EXPECT_TRUE(window.allPixels(0, 0, kClientWidth, kClientHeight, RecordingSurface::kBlack));

    listViewShown = false;
    panel.print("shown");
    EXPECT_EQ(line(2, window), "hidden one");
    EXPECT_EQ(line(1, window), "hidden two");
    EXPECT_EQ(line(0, window), "shown");
}

TEST_F(PanelTest, DoesNothingBeforeTheSurfacesExist) {
    DisplaySurfaces none;
    MessagePanel early(none, listViewShown);
    early.print("too early");  // must not crash
    LineSink& sink = panel;
    sink.print("through the sink");
    EXPECT_EQ(line(0), "through the sink");
}

TEST_F(PanelTest, MessagesFromTwoThreadsNeverInterleave) {
    // Each message is two lines of one letter: 33 characters drawn one by one, then a run
    // of 7. Without serialisation the scrolls and character draws of the two threads mix.
    constexpr int kPerThread = 150;
    auto writer = [this](char letter) {
        const std::string text(40, letter);
        for (int i = 0; i < kPerThread; ++i) panel.print(text.c_str());
    };
    std::thread a(writer, 'A'), b(writer, 'B');
    a.join();
    b.join();

    // The drawing log holds each message's 34 text calls together, in grid order.
    ASSERT_EQ(back.texts.size(), size_t(2 * kPerThread * 34));
    for (size_t m = 0; m < back.texts.size(); m += 34) {
        const char letter = back.texts[m].bytes[0];
        for (int i = 0; i < 33; ++i) {
            const auto& t = back.texts[m + size_t(i)];
            ASSERT_EQ(t.bytes, std::string(1, letter)) << "message " << m / 34 << " cell " << i;
            ASSERT_EQ(t.x, 2 + 6 * i);
        }
        ASSERT_EQ(back.texts[m + 33].bytes, std::string(7, letter)) << "message " << m / 34;
    }
    for (int up = 0; up < 16; up += 2) {
        const std::string last = line(up);
        ASSERT_EQ(last.size(), 7u) << up;
        EXPECT_EQ(line(up + 1), std::string(33, last[0]));
    }
    EXPECT_TRUE(panelWindowMatchesBack());
}

TEST_F(PanelTest, ReadoutsDrawTheirBoxAndCopyOnlyIt) {
    back.fill(kReadoutX, kTempoBoxY, kReadoutWidth, kReadoutHeight, 0x123456);
    drawReadout(surfaces, kTempoBoxY, "tempo 120", 9);
    EXPECT_EQ(back.inkedText(kReadoutTextX, kTempoBoxY, 6, 0), "tempo 120");
    EXPECT_EQ(back.pixel(kReadoutX, kTempoBoxY), RecordingSurface::kWhite);
    EXPECT_EQ(back.pixel(kReadoutX + 79, kTempoBoxY + 12), RecordingSurface::kWhite);
    ASSERT_EQ(window.copies.size(), 1u);
    EXPECT_EQ(window.copies[0].dx, 210);
    EXPECT_EQ(window.copies[0].dy, kTempoBoxY);
    EXPECT_EQ(window.copies[0].w, 80);
    EXPECT_EQ(window.copies[0].h, 13);
    EXPECT_EQ(window.inkedText(kReadoutTextX, kTempoBoxY, 6, 0), "tempo 120");

    drawReadout(surfaces, kTimeBoxY, "00:01 / 03:20", 13);
    clearReadouts(surfaces);
    EXPECT_TRUE(back.allPixels(kReadoutX, kTempoBoxY, 80, 13, RecordingSurface::kWhite));
    EXPECT_TRUE(back.allPixels(kReadoutX, kTimeBoxY, 80, 13, RecordingSurface::kWhite));
    EXPECT_TRUE(window.allPixels(kReadoutX, kTimeBoxY, 80, 13, RecordingSurface::kWhite));
    EXPECT_EQ(window.copies.back().w, 80);
    EXPECT_EQ(window.copies.back().h, 108);
}

}  // namespace
