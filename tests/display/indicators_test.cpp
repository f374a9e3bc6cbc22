// The speed and key shift indicators, the panel-or-list copy and the 200 ms refresh.
#include <gtest/gtest.h>

#include "display/display_surfaces.h"
#include "display/indicators.h"
#include "tests/support/recording_surface.h"

namespace {

struct IndicatorTest : ::testing::Test {
    IndicatorTest() : window(290, 268), back(290, 268), list(290, 268) {
        s.windowSurface = &window;
        s.backSurface = &back;
        s.listSurface = &list;
    }
    RecordingSurface window, back, list;
    DisplaySurfaces s;
};

TEST_F(IndicatorTest, SpeedAndKeyShiftTexts) {
    drawSpeedIndicator(s, 0);
    drawSpeedIndicator(s, 2);
    drawKeyShiftIndicator(s, 0);
    drawKeyShiftIndicator(s, -6);
    drawKeyShiftIndicator(s, 6);
    ASSERT_EQ(back.texts.size(), 5u);
    EXPECT_EQ(back.texts[0].bytes, "050%");
    EXPECT_EQ(back.texts[1].bytes, "200%");
    EXPECT_EQ(back.texts[2].bytes, "+0");
    EXPECT_EQ(back.texts[3].bytes, "-6");
    EXPECT_EQ(back.texts[4].bytes, "+6");
    EXPECT_EQ(back.texts[0].x, 169);
    EXPECT_EQ(back.texts[2].x, 134);
    EXPECT_EQ(back.texts[2].y, 255);
    // The key shift box is taken from x 132 and put at x 134 of the window.
    ASSERT_EQ(window.copies.size(), 5u);
    EXPECT_EQ(window.copies[2].sx, 132);
    EXPECT_EQ(window.copies[2].dx, 134);
    EXPECT_EQ(window.copies[0].w, 23);
}

TEST_F(IndicatorTest, RefreshDrawsOnlyOnChangeOrWhenForced) {
    IndicatorMemory memory;
    bool forced = false;
    EXPECT_FALSE(refreshIndicators(s, memory, {false, false, 0, 0}, forced));
    EXPECT_TRUE(window.copies.empty());
    forced = true;  // a repaint happened
    EXPECT_TRUE(refreshIndicators(s, memory, {false, false, 0, 0}, forced));
    EXPECT_FALSE(forced);
    ASSERT_EQ(window.copies.size(), 1u);
    EXPECT_EQ(window.copies[0].src, &back);
    EXPECT_EQ(window.copies[0].w, 210);

    EXPECT_TRUE(refreshIndicators(s, memory, {true, false, 0, 0}, forced));  // paused
    ASSERT_EQ(window.texts.size(), 1u);
    EXPECT_EQ(window.texts[0].bytes, "BREAK");
    EXPECT_EQ(window.texts[0].x, 86);
    EXPECT_FALSE(refreshIndicators(s, memory, {true, false, 0, 0}, forced));

    EXPECT_TRUE(refreshIndicators(s, memory, {false, true, 0, 0}, forced));  // list shown
    EXPECT_EQ(window.copies.back().src, &list);
    EXPECT_EQ(window.copies.back().w, 194);
    EXPECT_TRUE(refreshIndicators(s, memory, {false, true, 3, 0}, forced));  // playPos moved
}

TEST(Indicators, NothingIsDrawnBeforeTheSurfacesExist) {
    DisplaySurfaces none;
    drawSpeedIndicator(none, 1);
    drawKeyShiftIndicator(none, 1);
    drawPauseBox(none);
    EXPECT_TRUE(showPanelOrList(none, true));
}

}  // namespace
