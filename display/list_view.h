#pragma once
// The play list view: seven boxes of 35 pixels in the left pane, one song per box, the
// playing one white, drawn into the list surface; its scroll bar, wheel and click input,
// and the follow step that pages the view along with the playing song.
#include <cstdint>

#include "autoplay/search_listener.h"
#include "platform/drawing.h"
#include "platform/relaxed.h"

struct ControlFlags;
struct DisplaySurfaces;
struct PlayList;

constexpr int kListRows = 7;
constexpr int kListRowHeight = 35;
constexpr int kListViewWidth = 194;
constexpr int kListViewHeight = 250;

// Request codes of a scroll-bar message, as the platform numbers them.
enum ScrollCode : int {
    kScrollLineUp = 0, kScrollLineDown = 1, kScrollPageUp = 2, kScrollPageDown = 3,
    kScrollThumbPosition = 4, kScrollThumbTrack = 5, kScrollTop = 6, kScrollBottom = 7,
    kScrollEnd = 8,
};

// The list's vertical scroll-bar control. It belongs to the user-interface thread; the
// search thread changes it too, so an implementation must never wait for that thread
// (post the change instead), and callers never call it while holding the draw lock.
class ListScrollBar {
public:
    virtual ~ListScrollBar() = default;
    // Enabled, range 0..maximum, page 7.
    virtual void setRange(int32_t maximum) = 0;
    virtual void setPosition(int32_t position) = 0;
    // Disabled, position 0.
    virtual void disable() = 0;
    virtual void show(bool shown) = 0;
};

struct ListView : SearchListener {
    // The collaborators in their order below, as tests and owners name them.
    explicit ListView(DisplaySurfaces* surfaces = nullptr, PlayList* list = nullptr, ControlFlags* flags = nullptr,
                      ListScrollBar* scrollBar = nullptr)
        : surfaces(surfaces), list(list), flags(flags), scrollBar(scrollBar) {}

    // The search's progress: the first row back to the top at its start, each song listed
    // through listGrew, the shuffled order drawn.
    void searchStarting() override;
    void entryListed(int32_t count) override;
    void listShuffled() override;

    // Set by the owner once.
    DisplaySurfaces* surfaces = nullptr;
    PlayList* list = nullptr;
    ControlFlags* flags = nullptr;       // listViewShown, paused, dropListMode, autoplayActive
    ListScrollBar* scrollBar = nullptr;  // may be null

    Relaxed<int32_t> topIndex{0};        // the entry in the first row, the scroll bar's position
    int32_t followedIndex = 0;           // playPos at the last follow step
};

// Redraws the visible rows and, when the view is shown, copies it to the window.
void drawListView(ListView& v);
// The search has listed entry count - 1: its row is drawn when it falls in the visible
// rows; otherwise only the scroll bar's range follows the count. Search thread; the draw
// lock is not held here.
void listGrew(ListView& v, int32_t count);
// One box at row top y filled with brush, and its text: "%d %s" of index and text,
// shortened to 72 bytes from 71 on, on one line up to 36 bytes, else on two.
void drawListRow(Surface& list, int y, int32_t index, const char* text, BrushId brush);
// The idle tick's follow step: pages the view by 7 rows when the playing song left it.
void followPlayingSong(ListView& v, bool barFollowsSong);
// Releases every entry (the end marker too), empties the list and clears the view.
void clearPlayList(ListView& v);
// Swaps panel and list in the left pane (the scroll bar shown with the list). Returns
// whether the list is now shown; the caller refuses dropped files while it is.
bool toggleListView(ListView& v);

// Input passed on by the window. A request of the list scroll bar (a ScrollCode; thumb is
// the 16-bit position a thumb request carries): the view moves, clamped to the list.
void listScroll(ListView& v, int code, int32_t thumb);
// The wheel: a positive delta (turned away from the user) moves 2 rows up, any other 2
// down. Ignored while paused, hidden, in a drop run, outside autoplay or with 7 songs
// or fewer; returns whether the view moved.
bool listWheel(ListView& v, int32_t delta);
// A click at client (x, y): the index of the entry chosen, or -1 when none is (same guards
// as the wheel but for the list's length). The caller sets playPos to it and advances.
int32_t listClick(const ListView& v, int x, int y);
