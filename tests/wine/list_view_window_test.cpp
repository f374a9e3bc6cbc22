// The play list view of the real Orvanel.exe under Wine during a folder autoplay, and the
// controls beside it: the list toggle, the rows with the playing one white, the speed and
// key-shift spins, the pause box, "next" and the cancel.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/smf_builder.h"
#include "tests/wine/gui_driver.h"

namespace {

using namespace gui;

constexpr int kNewestHistoryItem = 5972;
constexpr int kPlayButton = 1, kAutoplayButton = 5, kListToggle = 6, kBreakButton = 7;

bool acceptsDrops(HWND w) { return (GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_ACCEPTFILES) != 0; }

class ListViewWindow : public PlayerTest {};

TEST_F(ListViewWindow, TheListShowsARunAndTheSpinsPauseBoxNextAndCancelAnswer) {
    // Nine songs: more than the seven rows. Long enough to stay on one while the test looks.
    const std::string folder = work_ + "\\list";
    removeTree(folder);
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    for (int i = 1; i <= 9; ++i)
        ASSERT_TRUE(writeBytes(folder + "\\song" + std::to_string(i) + ".mid", songOfMs(60000)));
    std::vector<std::string> songs;
    songsBelow(folder, songs);
    ASSERT_EQ(songs.size(), 9u);
    ASSERT_TRUE(writeHistory({"*" + folder}));

    Process p;
    ASSERT_TRUE(startPlayer(p));
    HWND w = waitForPlayerWindow(p);
    ASSERT_NE(w, nullptr);
    HWND listBar = controlAt(w, "ScrollBar", 194, 0);
    HWND speedSpin = controlAt(w, "ScrollBar", 196, 252);
    HWND keyShiftSpin = controlAt(w, "ScrollBar", 152, 252);
    ASSERT_TRUE(listBar && speedSpin && keyShiftSpin);

    // The toggle puts the (empty) list in the panel's place with its scroll bar, and the
    // window takes no dropped files while the list shows.
    pressButton(w, kListToggle);
    EXPECT_TRUE(waitUntil(5000, [&] { return IsWindowVisible(listBar) != 0; }));
    EXPECT_TRUE(windowShows(w, 0, 0, expectedListView({}, 0, -1), work_ + "\\list-empty"));
    EXPECT_FALSE(acceptsDrops(w));

    // A folder run fills the list; the first song plays in the white row.
    PostMessageA(w, WM_COMMAND, kNewestHistoryItem, 0);
    EXPECT_TRUE(waitUntil(10000, [&] { return windowText(w) == "Orvanel[" + songs[0] + "]"; })) << windowText(w);
    EXPECT_TRUE(windowShows(w, 0, 0, expectedListView(songs, 0, 0), work_ + "\\list-first"));
    EXPECT_TRUE(waitUntil(5000, [&] { return IsWindowEnabled(listBar) != 0; })) << "nine entries, seven rows";

    // The spins: each request redraws its indicator, clamped at the ends.
    struct SpinStep {
        HWND spin;
        int code;  // -1: none, the indicator as it starts
        int times;
        const IndicatorPlace& place;
        const char* shows;
    } const steps[] = {
        {speedSpin, -1, 0, kSpeedIndicator, "100%"},        {speedSpin, SB_LINEUP, 1, kSpeedIndicator, "200%"},
        {speedSpin, SB_LINEUP, 1, kSpeedIndicator, "200%"}, {speedSpin, SB_LINEDOWN, 2, kSpeedIndicator, "050%"},
        {speedSpin, SB_LINEDOWN, 1, kSpeedIndicator, "050%"}, {speedSpin, SB_LINEUP, 1, kSpeedIndicator, "100%"},
        {keyShiftSpin, -1, 0, kKeyShiftIndicator, "+0"},    {keyShiftSpin, SB_LINEUP, 1, kKeyShiftIndicator, "+1"},
        {keyShiftSpin, SB_ENDSCROLL, 1, kKeyShiftIndicator, "+1"},
        {keyShiftSpin, SB_LINEDOWN, 8, kKeyShiftIndicator, "-6"},
        {keyShiftSpin, SB_LINEUP, 13, kKeyShiftIndicator, "+6"},
    };
    for (const SpinStep& s : steps) {
        for (int i = 0; i < s.times; ++i)
            SendMessageA(w, WM_VSCROLL, MAKEWPARAM(s.code, 0), reinterpret_cast<LPARAM>(s.spin));
        EXPECT_TRUE(windowShows(w, s.place.windowX, 252, expectedIndicator(s.place, s.shows),
                                work_ + "\\indicator-" + std::to_string(s.place.windowX), 5000))
            << "expected " << s.shows;
    }

    // The pause box shows at the next idle tick after the break button.
    const Pixels box = expectedPauseBox();
    DWORD pressed = GetTickCount();
    pressButton(w, kBreakButton);
    EXPECT_TRUE(windowShows(w, 50, 90, box, work_ + "\\pause-box", 5000));
    const DWORD boxMs = GetTickCount() - pressed;
    EXPECT_LT(boxMs, 1000u);
    EXPECT_EQ(buttonCaption(w, kBreakButton), "cont");

    // A repaint draws the list over it; it comes back at the next tick. (A tick may come
    // between the repaint and the look at the screen, so the repaint is tried a few times.)
    bool repaintCovered = false;
    DWORD backMs = 0;
    for (int attempt = 0; attempt < 5 && !repaintCovered; ++attempt) {
        InvalidateRect(w, nullptr, TRUE);
        UpdateWindow(w);
        const DWORD painted = GetTickCount();
        repaintCovered = shownPauseBoxPlace(w) != box;
        EXPECT_TRUE(windowShows(w, 50, 90, box, work_ + "\\pause-back", 5000));
        backMs = std::max(backMs, GetTickCount() - painted);
    }
    EXPECT_TRUE(repaintCovered) << "no repaint was seen to cover the box";
    EXPECT_LT(backMs, 1000u);

    // "cont": the box goes and the list is whole again.
    pressed = GetTickCount();
    pressButton(w, kBreakButton);
    EXPECT_TRUE(windowShows(w, 50, 90, crop(expectedListView(songs, 0, 0), 50, 90, 100, 60),
                            work_ + "\\pause-gone", 5000));
    const DWORD goneMs = GetTickCount() - pressed;
    EXPECT_EQ(buttonCaption(w, kBreakButton), "break");
    std::printf("[          ] pause box shown %lu ms after the break button, back %lu ms after a repaint, "
                "gone %lu ms after cont\n",
                static_cast<unsigned long>(boxMs), static_cast<unsigned long>(backMs),
                static_cast<unsigned long>(goneMs));

    // "next" skips to the second song, and the white row moves with it.
    pressed = GetTickCount();
    pressButton(w, kPlayButton);
    EXPECT_TRUE(waitUntil(5000, [&] { return windowText(w) == "Orvanel[" + songs[1] + "]"; })) << windowText(w);
    const DWORD nextMs = GetTickCount() - pressed;
    EXPECT_TRUE(windowShows(w, 0, 0, expectedListView(songs, 0, 1), work_ + "\\list-second"));
    EXPECT_EQ(runCaptions(w), kAutoplayCaptions);
    std::printf("[          ] next song %lu ms after \"next\"\n", static_cast<unsigned long>(nextMs));

    // The wheel moves the rows by two, the list scroll bar back to the top.
    PostMessageA(w, WM_MOUSEWHEEL, MAKEWPARAM(0, WORD(-WHEEL_DELTA)), 0);
    EXPECT_TRUE(windowShows(w, 0, 0, expectedListView(songs, 2, 1), work_ + "\\list-wheel"));
    PostMessageA(w, WM_VSCROLL, MAKEWPARAM(SB_TOP, 0), reinterpret_cast<LPARAM>(listBar));
    EXPECT_TRUE(windowShows(w, 0, 0, expectedListView(songs, 0, 1), work_ + "\\list-top"));
    // A click on the seventh row plays its song next. The song after it stands below the
    // seven rows: the idle tick pages the list along, to its last page.
    PostMessageA(w, WM_LBUTTONUP, 0, MAKELPARAM(20, 6 * 35 + 10));
    EXPECT_TRUE(waitUntil(5000, [&] { return windowText(w) == "Orvanel[" + songs[6] + "]"; })) << windowText(w);
    EXPECT_TRUE(windowShows(w, 0, 0, expectedListView(songs, 0, 6), work_ + "\\list-clicked"));
    pressButton(w, kPlayButton);
    EXPECT_TRUE(waitUntil(5000, [&] { return windowText(w) == "Orvanel[" + songs[7] + "]"; })) << windowText(w);
    EXPECT_TRUE(windowShows(w, 0, 0, expectedListView(songs, 2, 7), work_ + "\\list-followed"));

    // Cancel: idle again, the list empty and its scroll bar disabled.
    pressButton(w, kAutoplayButton);
    EXPECT_TRUE(waitUntil(5000, [&] { return windowText(w) == "Orvanel"; })) << windowText(w);
    EXPECT_TRUE(waitUntil(5000, [&] { return runCaptions(w) == kIdleCaptions; })) << runCaptions(w);
    EXPECT_TRUE(windowShows(w, 0, 0, expectedListView({}, 0, -1), work_ + "\\list-cleared"));
    EXPECT_TRUE(waitUntil(5000, [&] { return !IsWindowEnabled(listBar); }));

    // Back to the panel, which took the run's lines while the list was shown.
    pressButton(w, kListToggle);
    EXPECT_TRUE(panelShows(w, {"*" + folder, "autoplay history", songs[0], songs[1], songs[6], songs[7]},
                           work_ + "\\panel-after-list"));
    EXPECT_TRUE(waitUntil(5000, [&] { return !IsWindowVisible(listBar); }));
    EXPECT_TRUE(acceptsDrops(w));

    DWORD code = 1, ms = 0;
    ASSERT_TRUE(closePlayer(p, w, code, ms));
    EXPECT_EQ(code, 0u);
}

}  // namespace
