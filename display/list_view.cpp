#include "display/list_view.h"

#include <cstdio>
#include <cstring>
#include <mutex>

#include "autoplay/play_list.h"
#include "core/control_flags.h"
#include "display/display_surfaces.h"
#include "display/indicators.h"
#include "display/message_panel.h"

namespace {

// A row's box, from (1, y + 1) to (193, y + 32), right and bottom exclusive.
constexpr int kBoxLeft = 1;
constexpr int kBoxRight = 193;
constexpr int kBoxHeight = 31;
// Text in the small font: a one-line text or the second line starts at x 4, the
// character-by-character first line at x 5.
constexpr int kTextX = 4;
constexpr int kFirstLineX = 5;
constexpr int kFirstLineDy = 4;
constexpr int kSecondLineDy = 16;
constexpr int kSmallCell = 5;
constexpr int kLineBytes = 36;
// From 71 bytes on a text keeps its head and tail around " .... ": 31 + 6 + 35 bytes.
constexpr int kShortenFrom = 71;
constexpr int kHeadBytes = 31;
constexpr int kTailBytes = 35;
constexpr char kEllipsis[] = " .... ";
constexpr int kEllipsisBytes = sizeof kEllipsis - 1;
constexpr int kWheelRows = 2;

int32_t lastTopIndex(const PlayList& list) {
    const int32_t last = listCount(list) - kListRows;
    return last > 0 ? last : 0;
}

// Moves the view so that entry p is in the first row (clamped to the list), tells the
// scroll bar and redraws. User-interface thread; the draw lock is not held here.
void moveView(ListView& v, int32_t p) {
    const int32_t last = lastTopIndex(*v.list);
    if (p > last) p = last;
    if (p < 0) p = 0;
    v.topIndex = p;
    if (v.scrollBar != nullptr) v.scrollBar->setPosition(p);
    drawListView(v);
}

bool takesInput(const ControlFlags& f) {
    return !f.paused && f.listViewShown && !f.dropListMode && f.autoplayActive;
}

}  // namespace

void drawListRow(Surface& list, int y, int32_t index, const char* text, BrushId brush) {
    list.rectangle(kBoxLeft, y + 1, kBoxRight, y + 1 + kBoxHeight, brush);
    // An index of 11 bytes, a space and a path of at most 259 bytes.
    char line[320];
    int len = std::snprintf(line, sizeof line, "%d %s", static_cast<int>(index), text);
    if (len < 0) return;
    if (len >= static_cast<int>(sizeof line)) len = sizeof line - 1;
    if (len >= kShortenFrom) {
        // The tail first: for 71 bytes it starts where the ellipsis ends.
        std::memmove(line + kHeadBytes + kEllipsisBytes, line + len - kTailBytes, kTailBytes);
        std::memcpy(line + kHeadBytes, kEllipsis, kEllipsisBytes);
        len = kHeadBytes + kEllipsisBytes + kTailBytes;
    }
    if (len <= kLineBytes) {
        list.textOut(kTextX, y + kFirstLineDy, FontId::Small, line, len);
        return;
    }
    // The first line a character at a time: a double-byte character that starts in the
    // 36th column is drawn whole and the line holds 37 bytes.
    const int used =
        drawCharacters(list, kFirstLineX, y + kFirstLineDy, FontId::Small, kSmallCell, line, len, kLineBytes);
    if (len > used) list.textOut(kTextX, y + kSecondLineDy, FontId::Small, line + used, len - used);
}

void drawListView(ListView& v) {
    if (v.surfaces == nullptr || v.list == nullptr) return;
    PlayList& list = *v.list;
    int32_t count = 0;
    {
        std::lock_guard<std::mutex> hold(v.surfaces->drawLock);
        count = listCount(list);
        Surface* surface = v.surfaces->listSurface;
        if (surface != nullptr) {
            const int32_t rows = count < kListRows ? count : kListRows;
            const int32_t top = v.topIndex;
            const int32_t playing = list.playPos - 1;
            char text[kEntryPathSize];
            for (int32_t r = 0; r < rows; ++r) {
                const int32_t index = top + r;
                const PlayListEntry* entry = slotEntry(list, index);
                if (entry == nullptr || entry->listed <= 0) continue;
                shownEntryText(*entry, text);
                drawListRow(*surface, kListRowHeight * r, index, text,
                            index == playing ? BrushId::White : BrushId::Gray);
            }
            if (v.flags != nullptr && v.flags->listViewShown) copyLeftPaneLocked(*v.surfaces, true);
        }
    }
    // Only now: the scroll bar may wait for the user-interface thread, which may itself be
    // waiting for the draw lock.
    if (count > kListRows && v.scrollBar != nullptr) v.scrollBar->setRange(count - 1);
}

void listGrew(ListView& v, int32_t count) {
    // Rows out of sight are drawn when the view moves to them: drawing the same seven
    // again for each of up to 65,535 songs would only keep the window from the draw lock.
    if (count - 1 < v.topIndex + kListRows) {
        drawListView(v);
        return;
    }
    if (count > kListRows && v.scrollBar != nullptr) v.scrollBar->setRange(count - 1);
}

void ListView::searchStarting() { topIndex = 0; }

void ListView::entryListed(int32_t count) { listGrew(*this, count); }

void ListView::listShuffled() { drawListView(*this); }

void followPlayingSong(ListView& v, bool barFollowsSong) {
    if (!barFollowsSong || v.list == nullptr) return;
    const int32_t playPos = v.list->playPos;
    if (playPos == v.followedIndex) return;
    v.followedIndex = playPos;
    const int32_t target = playPos > 0 ? playPos - 1 : 0;
    int32_t pos = v.topIndex;
    if (pos > target) {
        while (pos > target) pos -= kListRows;
    } else if (pos + kListRows - 1 >= target) {
        return;  // the playing row is in sight
    } else {
        while (pos + kListRows - 1 < target) pos += kListRows;
    }
    moveView(v, pos);
}

void clearPlayList(ListView& v) {
    if (v.list == nullptr) return;
    releasePlayListEntries(*v.list);
    v.topIndex = 0;
    if (v.scrollBar != nullptr) v.scrollBar->disable();
    if (v.surfaces == nullptr) return;
    std::lock_guard<std::mutex> hold(v.surfaces->drawLock);
    Surface* surface = v.surfaces->listSurface;
    if (surface == nullptr) return;
    surface->fillWhite(0, 0, v.surfaces->clientWidth, v.surfaces->clientHeight);
    if (v.flags != nullptr && v.flags->listViewShown) copyLeftPaneLocked(*v.surfaces, true);
}

bool toggleListView(ListView& v) {
    const bool shown = !v.flags->listViewShown;
    v.flags->listViewShown = shown;
    if (v.surfaces != nullptr) showPanelOrList(*v.surfaces, shown);
    if (v.scrollBar != nullptr) v.scrollBar->show(shown);
    return shown;
}

void listScroll(ListView& v, int code, int32_t thumb) {
    if (v.list == nullptr) return;
    int32_t p = v.topIndex;
    switch (code) {
    case kScrollLineUp: p -= 1; break;
    case kScrollLineDown: p += 1; break;
    case kScrollPageUp: p -= kListRows; break;
    case kScrollPageDown: p += kListRows; break;
    case kScrollThumbPosition:
    case kScrollThumbTrack: p = thumb & 0xFFFF; break;
    case kScrollTop: p = 0; break;
    case kScrollBottom: p = lastTopIndex(*v.list); break;
    default: break;
    }
    moveView(v, p);
}

bool listWheel(ListView& v, int32_t delta) {
    if (v.list == nullptr || !takesInput(*v.flags) || listCount(*v.list) <= kListRows) return false;
    moveView(v, v.topIndex + (delta > 0 ? -kWheelRows : kWheelRows));
    return true;
}

int32_t listClick(const ListView& v, int x, int y) {
    if (v.list == nullptr || !takesInput(*v.flags)) return -1;
    if (x < 0 || y < 0 || x > kBoxRight) return -1;
    const int row = y / kListRowHeight;
    if (row >= kListRows) return -1;
    const int32_t index = (v.topIndex + row) & 0xFFFF;
    if (index > listCount(*v.list) - 1) return -1;
    return index;
}
