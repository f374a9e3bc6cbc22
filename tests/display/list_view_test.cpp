// The play list view: row texts, the scroll bar's state, following the playing song,
// the scroll requests, the wheel and the click.
#include "display/list_view.h"

#include <gtest/gtest.h>

#include <string>

#include "autoplay/play_list.h"
#include "display/display_surfaces.h"
#include "shell/control_flags.h"
#include "tests/support/fake_folders.h"
#include "tests/support/recording_surface.h"

namespace {

struct Row {
    std::string line1, line2;
    int firstX = -1, lastX = -1;  // x of the first and last call of the first line
};

Row rowAt(const RecordingSurface& s, int y) {
    Row row;
    for (const auto& t : s.texts) {
        if (t.y == y + 4) {
            row.line1 += t.bytes;
            if (row.firstX < 0) row.firstX = t.x;
            row.lastX = t.x;
        } else if (t.y == y + 16) {
            row.line2 += t.bytes;
        }
    }
    return row;
}

TEST(ListRowTest, OneLineTwoLinesAndTheShortenedText) {
    const std::string a29(29, 'a'), c35(35, 'c');
    struct Case { int32_t index; std::string path, line1, line2; int lastX; };
    const Case cases[] = {
        {0, "C:\\X.MID", "0 C:\\X.MID", "", 4},                                    // 10 bytes
        {0, c35, "0 " + c35.substr(0, 34), "c", 180},                               // 37
        {0, a29 + c35 + "dddd", "0 " + a29 + "ccccc", std::string(30, 'c') + "dddd", 180},  // 70
        {0, a29 + "bbbbb" + c35, "0 " + a29 + " ....", " " + c35, 180},              // 71 -> 72
        // A double-byte character starting in the 36th column is drawn whole: 37 bytes.
        {0, std::string(33, 'e') + "\x83\x41XYZ", "0 " + std::string(33, 'e') + "\x83\x41", "XYZ", 180},
        {12345, "ABC", "12345 ABC", "", 4},
    };
    for (const Case& c : cases) {
        RecordingSurface s(kClientWidth, kClientHeight, RecordingSurface::kWhite);
        drawListRow(s, 70, c.index, c.path.c_str(), BrushId::Gray);
        const Row row = rowAt(s, 70);
        EXPECT_EQ(row.line1, c.line1) << c.path;
        EXPECT_EQ(row.line2, c.line2) << c.path;
        EXPECT_EQ(row.firstX, c.lastX == 4 ? 4 : 5) << c.path;
        EXPECT_EQ(row.lastX, c.lastX) << c.path;
        // The box: outlined from (1, 71) to (192, 101), grey inside, nothing beyond.
        EXPECT_EQ(s.pixel(1, 71), RecordingSurface::kBlack);
        EXPECT_EQ(s.pixel(192, 101), RecordingSurface::kBlack);
        EXPECT_EQ(s.pixel(2, 72), RecordingSurface::kGray);
        EXPECT_EQ(s.pixel(193, 80), RecordingSurface::kWhite);
        EXPECT_EQ(s.pixel(100, 102), RecordingSurface::kWhite);
    }
}

struct ListViewTest : ::testing::Test {
    ListViewTest() : window(kClientWidth, kClientHeight), surface(kClientWidth, kClientHeight) {
        surfaces.windowSurface = &window;
        surfaces.listSurface = &surface;
        v.surfaces = &surfaces;
        v.list = &list;
        v.flags = &flags;
        v.scrollBar = &bar;
        bar.mustBeFree = &surfaces.drawLock;
        flags.autoplayActive = true;
        flags.listViewShown = true;
    }
    ~ListViewTest() override { EXPECT_EQ(bar.callsUnderLock, 0); }

    void songs(int n) {
        for (int i = listCount(list); i < n; ++i) {
            auto* e = new PlayListEntry;
            std::snprintf(e->path, sizeof e->path, "s%d", i);
            e->listed = 1;
            putEntry(list, i, e);
            list.listCount = i + 1;
        }
    }

    RecordingSurface window, surface;
    DisplaySurfaces surfaces;
    PlayList list;
    ControlFlags flags;
    FakeScrollBar bar;
    ListView v;
};

TEST_F(ListViewTest, SevenRowsKeepTheScrollBarOffTheEighthTurnsItOn) {
    songs(7);
    list.playPos = 3;
    drawListView(v);
    EXPECT_FALSE(bar.enabled);
    EXPECT_EQ(rowAt(surface, 6 * kListRowHeight).line1, "6 S6");  // shown upper case
    EXPECT_EQ(surface.pixel(2, 2 * kListRowHeight + 2), RecordingSurface::kWhite);  // playing
    EXPECT_EQ(surface.pixel(2, 1 * kListRowHeight + 2), RecordingSurface::kGray);
    EXPECT_EQ(window.copies.back().w, kListViewWidth);
    songs(8);
    drawListView(v);
    EXPECT_TRUE(bar.enabled);
    EXPECT_EQ(bar.maximum, 7);
}

TEST_F(ListViewTest, FollowPagesBySevenRowsOnlyWhenThePlayingRowLeftTheView) {
    songs(100);
    const struct { int32_t playPos; bool follows; int32_t top; } steps[] = {
        {51, false, 0}, {51, true, 49}, {53, true, 49}, {1, true, 0}, {9, true, 7}};
    for (const auto& s : steps) {
        list.playPos = s.playPos;
        followPlayingSong(v, s.follows);
        EXPECT_EQ(v.topIndex, s.top) << s.playPos;
        EXPECT_EQ(bar.position, s.top) << s.playPos;
    }
    list.playPos = 51;
    followPlayingSong(v, true);
    EXPECT_EQ(surface.pixel(2, kListRowHeight + 2), RecordingSurface::kWhite);  // index 50
}

TEST_F(ListViewTest, ScrollRequestsStayWithinTheList) {
    songs(200);
    const struct { int32_t from; int code; int32_t thumb, to; } cases[] = {
        {0, kScrollLineUp, 0, 0},        {0, kScrollLineDown, 0, 1},      {10, kScrollPageUp, 0, 3},
        {190, kScrollPageDown, 0, 193},  {0, kScrollThumbPosition, 0x10005, 5},
        {0, kScrollThumbTrack, 50, 50},  {77, kScrollTop, 0, 0},         {77, kScrollEnd, 0, 77},
        {0, kScrollBottom, 0, 193},
    };
    for (const auto& c : cases) {
        v.scrollPos = c.from;
        listScroll(v, c.code, c.thumb);
        EXPECT_EQ(v.topIndex, c.to) << c.code;
        EXPECT_EQ(bar.position, c.to) << c.code;
    }
    surface.texts.clear();
    drawListView(v);
    EXPECT_EQ(rowAt(surface, 0).line1, "193 S193");
    EXPECT_EQ(rowAt(surface, 6 * kListRowHeight).line1, "199 S199");
}

TEST_F(ListViewTest, ClicksAndTheWheelOnlyWhereAndWhenTheyMayAct) {
    songs(10);
    v.topIndex = v.scrollPos = 3;
    const struct { int x, y; int32_t index; } clicks[] = {
        {10, 40, 4}, {193, 0, 3}, {194, 0, -1}, {10, 244, 9}, {10, 245, -1}, {-1, 10, -1}, {10, -1, -1}};
    for (const auto& c : clicks) EXPECT_EQ(listClick(v, c.x, c.y), c.index) << c.x << "," << c.y;
    v.topIndex = 5;
    EXPECT_EQ(listClick(v, 10, 6 * kListRowHeight), -1);  // an empty row

    const struct { Relaxed<bool>* flag; bool blocks; } guards[] = {
        {&flags.paused, true}, {&flags.dropListMode, true}, {&flags.listViewShown, false}, {&flags.autoplayActive, false}};
    for (const auto& g : guards) {
        *g.flag = g.blocks;
        EXPECT_EQ(listClick(v, 10, 10), -1);
        EXPECT_FALSE(listWheel(v, 120));
        EXPECT_EQ(v.topIndex, 5);
        *g.flag = !g.blocks;
    }
    v.scrollPos = 2;
    const struct { int32_t delta, to; } turns[] = {{120, 0}, {-120, 2}, {0, 3}, {0, 3}};
    for (const auto& t : turns) {
        EXPECT_TRUE(listWheel(v, t.delta));
        EXPECT_EQ(v.topIndex, t.to) << t.delta;
    }
    ListView small = v;
    PlayList seven;
    small.list = &seven;
    seven.listCount = 7;
    EXPECT_FALSE(listWheel(small, -120));
}

TEST_F(ListViewTest, ClearEmptiesListAndViewAndToggleSwapsPanes) {
    songs(20);
    listScroll(v, kScrollBottom, 0);
    clearPlayList(v);
    EXPECT_EQ(listCount(list), 0);
    EXPECT_EQ(slotEntry(list, 0), nullptr);
    EXPECT_FALSE(bar.enabled);
    EXPECT_EQ(v.topIndex, 0);
    EXPECT_TRUE(surface.allPixels(0, 0, kClientWidth, kClientHeight, RecordingSurface::kWhite));
    EXPECT_TRUE(window.allPixels(0, 0, kListViewWidth, kListViewHeight, RecordingSurface::kWhite));

    EXPECT_FALSE(toggleListView(v));
    EXPECT_FALSE(bar.shown);
    EXPECT_TRUE(toggleListView(v));
    EXPECT_TRUE(flags.listViewShown);
    EXPECT_TRUE(bar.shown);
}

}  // namespace
