// The play list view: row texts, the scroll bar's state, following the playing song,
// the scroll requests, the wheel and the click.
#include "display/list_view.h"

#include <gtest/gtest.h>

#include <string>

#include "autoplay/play_list.h"
#include "core/control_flags.h"
#include "display/display_surfaces.h"
#include "tests/support/fake_folders.h"
#include "tests/support/recording_surface.h"

namespace {

using RS = RecordingSurface;

// The two lines of the row at y, and the x of the last drawing of its first line.
std::string rowText(const RS& s, int y, int* lastX = nullptr) {
    std::string lines[2];
    for (const auto& t : s.texts) {
        if (t.y == y + 4 && lastX != nullptr) *lastX = t.x;
        if (t.y == y + 4 || t.y == y + 16) lines[t.y == y + 16] += t.bytes;
    }
    return lines[0] + "|" + lines[1];
}

TEST(ListRowTest, OneLineTwoLinesAndTheShortenedText) {
    const std::string a29(29, 'a'), c35(35, 'c');
    const struct { int32_t index; std::string path, text; int lastX; } cases[] = {
        {0, "C:\\X.MID", "0 C:\\X.MID|", 4},                                           // 10 bytes
        {0, c35, "0 " + c35.substr(1) + "|c", 180},                                   // 37
        {0, a29 + c35 + "dddd", "0 " + a29 + c35.substr(30) + "|" + c35.substr(5) + "dddd", 180},  // 70
        {0, a29 + "bbbbb" + c35, "0 " + a29 + " ....| " + c35, 180},                   // 71 -> 72
        // A double-byte character starting in the 36th column is drawn whole: 37 bytes.
        {0, std::string(33, 'e') + "\x83\x41XYZ", "0 " + std::string(33, 'e') + "\x83\x41|XYZ", 180},
    };
    for (const auto& c : cases) {
        RS s(kClientWidth, kClientHeight, RS::kWhite);
        drawListRow(s, 70, c.index, c.path.c_str(), BrushId::Gray);
        int lastX = -1;
        EXPECT_EQ(rowText(s, 70, &lastX), c.text);
        EXPECT_EQ(lastX, c.lastX) << c.text;
        // The box from (1, 71) to (192, 101): outlined, grey inside, nothing beyond.
        EXPECT_EQ(s.pixel(1, 71) | s.pixel(192, 101), RS::kBlack);
        EXPECT_EQ(s.pixel(2, 72), RS::kGray);
        EXPECT_EQ(s.pixel(193, 80) & s.pixel(100, 102), RS::kWhite);
    }
}

struct ListViewTest : ::testing::Test {
    ListViewTest() {
        surfaces.windowSurface = &window;
        surfaces.listSurface = &surface;
        bar.mustBeFree = &surfaces.drawLock;
        flags.autoplayActive = flags.listViewShown = true;
    }
    ~ListViewTest() override { EXPECT_EQ(bar.callsUnderLock, 0); }

    void songs(int n) {
        for (int i = listCount(list); i < n; ++i) {
            auto* e = new PlayListEntry{1, {}};
            std::snprintf(e->path, sizeof e->path, "s%d", i);
            putEntry(list, i, e);
            list.listCount = i + 1;
        }
    }

    RS window{kClientWidth, kClientHeight}, surface{kClientWidth, kClientHeight};
    DisplaySurfaces surfaces;
    PlayList list;
    ControlFlags flags;
    FakeScrollBar bar;
    ListView v{&surfaces, &list, &flags, &bar};
};

TEST_F(ListViewTest, SevenRowsKeepTheScrollBarOffTheEighthTurnsItOn) {
    songs(7);
    list.playPos = 3;
    drawListView(v);
    EXPECT_FALSE(bar.enabled);
    EXPECT_EQ(rowText(surface, 6 * kListRowHeight), "6 s6|");  // shown as listed
    EXPECT_EQ(surface.pixel(2, 2 * kListRowHeight + 2), RS::kWhite);  // the playing song
    EXPECT_EQ(surface.pixel(2, 1 * kListRowHeight + 2), RS::kGray);
    EXPECT_EQ(window.copies.back().w, kListViewWidth);
    songs(8);
    drawListView(v);
    EXPECT_TRUE(bar.enabled);
    EXPECT_EQ(bar.maximum, 7);
}

TEST_F(ListViewTest, ASongListedOutOfSightOnlyMovesTheScrollBarsRange) {
    songs(7);
    listGrew(v, 7);
    EXPECT_EQ(rowText(surface, 6 * kListRowHeight), "6 s6|");  // in sight: drawn at once
    EXPECT_FALSE(bar.enabled);
    const size_t copies = window.copies.size();
    surface.texts.clear();
    songs(8);
    listGrew(v, 8);
    EXPECT_TRUE(surface.texts.empty());
    EXPECT_EQ(window.copies.size(), copies);
    EXPECT_TRUE(bar.enabled);
    EXPECT_EQ(bar.maximum, 7);
    // The view moved down: the next song falls in its last row.
    v.topIndex = 5;
    songs(12);
    listGrew(v, 12);
    EXPECT_EQ(rowText(surface, 6 * kListRowHeight), "11 s11|");
    EXPECT_EQ(bar.maximum, 11);
}

TEST_F(ListViewTest, FollowPagesBySevenRowsAndScrollRequestsStayInTheList) {
    songs(200);
    const struct { int32_t playPos; bool follows; int32_t top; } steps[] = {
        {51, false, 0}, {51, true, 49}, {53, true, 49}, {1, true, 0}, {8, true, 7}, {9, true, 7}};
    for (const auto& s : steps) {
        list.playPos = s.playPos;
        followPlayingSong(v, s.follows);
        EXPECT_EQ(v.topIndex, s.top) << s.playPos;
        EXPECT_EQ(bar.position, s.top) << s.playPos;
    }
    const struct { int32_t from; int code; int32_t thumb, to; } cases[] = {
        {0, kScrollLineUp, 0, 0}, {0, kScrollLineDown, 0, 1}, {10, kScrollPageUp, 0, 3},
        {190, kScrollPageDown, 0, 193}, {0, kScrollThumbPosition, 0x10005, 5}, {0, kScrollThumbTrack, 50, 50},
        {77, kScrollTop, 0, 0}, {77, kScrollEnd, 0, 77}, {0, kScrollBottom, 0, 193}};
    for (const auto& c : cases) {
        v.topIndex = c.from;
        listScroll(v, c.code, c.thumb);
        EXPECT_EQ(v.topIndex, c.to) << c.code;
        EXPECT_EQ(bar.position, c.to) << c.code;
    }
    surface.texts.clear();
    drawListView(v);
    EXPECT_EQ(rowText(surface, 0) + rowText(surface, 6 * kListRowHeight), "193 s193|199 s199|");
}

TEST_F(ListViewTest, ClicksAndTheWheelOnlyWhereAndWhenTheyMayAct) {
    songs(10);
    v.topIndex = 3;
    const struct { int x, y; int32_t index; } clicks[] = {
        {10, 40, 4}, {193, 0, 3}, {194, 0, -1}, {10, 244, 9}, {10, 245, -1}, {-1, 10, -1}, {10, -1, -1}};
    for (const auto& c : clicks) EXPECT_EQ(listClick(v, c.x, c.y), c.index) << c.x << "," << c.y;
    const struct { Relaxed<bool>* flag; bool blocks; } guards[] = {{&flags.paused, true},
                                                                   {&flags.dropListMode, true},
                                                                   {&flags.listViewShown, false},
                                                                   {&flags.autoplayActive, false}};
    for (const auto& g : guards) {
        *g.flag = g.blocks;
        EXPECT_EQ(listClick(v, 10, 10), -1);
        EXPECT_FALSE(listWheel(v, 120));
        *g.flag = !g.blocks;
    }
    const struct { int32_t delta, to; } turns[] = {{120, 1}, {120, 0}, {-120, 2}, {0, 3}};
    for (const auto& t : turns) {
        EXPECT_TRUE(listWheel(v, t.delta));
        EXPECT_EQ(v.topIndex, t.to) << t.delta;
    }
    v.topIndex = 5;
    EXPECT_EQ(listClick(v, 10, 6 * kListRowHeight), -1);  // an empty row
    EXPECT_EQ(listClick(v, 10, 5 * kListRowHeight), -1);  // the row just below the last song
    list.listCount = 7;
    EXPECT_FALSE(listWheel(v, -120));
}

TEST_F(ListViewTest, ClearEmptiesListAndViewAndToggleSwapsPanes) {
    songs(20);
    listScroll(v, kScrollBottom, 0);
    clearPlayList(v);
    EXPECT_EQ(listCount(list), 0);
    EXPECT_EQ(slotEntry(list, 0), nullptr);
    EXPECT_EQ(v.topIndex, 0);
    EXPECT_FALSE(bar.enabled);
    EXPECT_TRUE(surface.allPixels(0, 0, kClientWidth, kClientHeight, RS::kWhite));
    EXPECT_TRUE(window.allPixels(0, 0, kListViewWidth, kListViewHeight, RS::kWhite));
    EXPECT_FALSE(toggleListView(v) || bar.shown);
    EXPECT_TRUE(toggleListView(v) && bar.shown && flags.listViewShown);
}

}  // namespace
