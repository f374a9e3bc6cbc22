#include "autoplay/folder_search.h"

#include <cstring>
#include <functional>
#include <new>
#include <system_error>

#include "autoplay/play_list.h"
#include "core/control_flags.h"
#include "core/settings.h"

namespace {

constexpr char kEndText[] = "end";
// The longest ending that makes a song's name: "MIDI".
constexpr size_t kSongTailBytes = 4;

PlayListEntry* newEndMarker() { return newPlayListEntry(kEndText, sizeof kEndText - 1); }

// endMarker (may be null) goes after the last song listed.
void searchThread(FolderSearch& s, PlayListEntry* endMarker) {
    PlayList& list = *s.list;
    const bool keepsCase = s.folders->caseSensitive();
    // Each file's path is made here and only a song's is copied into an entry of its length.
    char path[kEntryPathSize];
    char match[kSongTailBytes + 1];
    int32_t count = 0;
    while (count < kPlayListMaxSongs) {
        uint32_t attributes = 0;
        if (!walkerNext(s.walker, path, attributes)) break;
        const size_t length = std::strlen(path);
        // Where names differ by case the path keeps its own for opening and only a copy of
        // its last letters, all a song's name is told by, is matched in upper case (such
        // platforms upper-case byte by byte); elsewhere the listed text is upper case.
        char* upper = path;
        if (keepsCase) {
            const size_t tail = length < kSongTailBytes ? length : kSongTailBytes;
            std::memcpy(match, path + length - tail, tail + 1);
            upper = match;
        }
        s.folders->upperCase(upper);
        if (!s.isSong(upper)) continue;
        PlayListEntry* entry = newPlayListEntry(path, length);
        if (entry == nullptr) break;
        entry->listed = 1;
        putEntry(list, count, entry);
        ++count;
        list.listCount.store(count, std::memory_order_release);
        if (s.view != nullptr) s.view->entryListed(count);
    }
    if (endMarker != nullptr) putEntry(list, count, endMarker);
    walkerClose(s.walker);
    if (s.settings->shuffleAfterSearch) {
        shuffleList(list, *s.randomSeed);
        // The rows in sight now hold other songs; shown before the list counts as whole.
        if (s.view != nullptr) s.view->listShuffled();
    }
    // Last: whoever sees false may read the whole list, or release it.
    s.flags->searchRunning = false;
}

}  // namespace

bool startFolderSearch(FolderSearch& s, const char* root) {
    if (s.flags->searchRunning) return false;
    if (s.thread.joinable()) s.thread.join();
    // The controller takes any slot that is filled, so none may be left from a list
    // that was not released.
    releasePlayListEntries(*s.list);
    s.list->playPos = 0;
    if (s.view != nullptr) s.view->searchStarting();
    s.stopRequested.store(false, std::memory_order_release);
    s.walker.folders = s.folders;
    s.walker.listener = s.walkListener;
    s.walker.stop = &s.stopRequested;
    walkerReset(s.walker, root);
    // Made before the walk, so that running out of memory for songs still ends the list.
    PlayListEntry* endMarker = newEndMarker();
    // Set before the thread exists, so no caller sees false before the walk has begun.
    s.flags->searchRunning = true;
    try {
        s.thread = std::thread(searchThread, std::ref(s), endMarker);
    } catch (const std::system_error&) {
        // No thread: the list is empty, and its end marker lets the run finish at once.
        walkerClose(s.walker);
        if (endMarker != nullptr) putEntry(*s.list, 0, endMarker);
        s.flags->searchRunning = false;
    }
    return true;
}

void stopFolderSearch(FolderSearch& s) {
    s.stopRequested.store(true, std::memory_order_release);
    if (s.thread.joinable()) s.thread.join();
}
