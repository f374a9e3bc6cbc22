#pragma once
// What the folder search tells the one who shows its list (the list view implements it),
// so the search needs nothing of the display.
#include <cstdint>

class SearchListener {
public:
    virtual ~SearchListener() = default;
    // A search begins on the emptied list. User-interface thread, before the walk starts.
    virtual void searchStarting() = 0;
    // Entry count - 1 has been listed; listCount already says count. Search thread.
    virtual void entryListed(int32_t count) = 0;
    // The list has been shuffled: every row may hold another song. Search thread, while
    // searchRunning is still set.
    virtual void listShuffled() = 0;
};
