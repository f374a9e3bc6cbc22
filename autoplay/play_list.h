#pragma once
// The autoplay play list: 65536 slots, each empty or holding one entry. The folder search
// fills the slots in order on its own thread while the controller and the list view read
// them on the user-interface thread. An entry never changes once published: a shuffle
// moves the entries between the slots, so readers need no lock.
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <utility>

#include "platform/relaxed.h"

constexpr int32_t kPlayListSlots = 65536;
// So that the end marker always has a slot.
constexpr int32_t kPlayListMaxSongs = 65535;
// The longest path an entry holds and the zero byte: MAX_PATH for the Windows program,
// PATH_MAX elsewhere, so that any path the system can open can be listed.
#ifdef _WIN32
constexpr int kEntryPathSize = 260;
#else
constexpr int kEntryPathSize = 4096;
#endif

struct PlayListEntry {
    // 1 for a listed song; 0 for the end marker ("end") and a fresh entry.
    int8_t listed = 0;
    // The path as it is opened and shown: upper case on Windows; on case-sensitive file
    // systems the file's own case, so that a path shown names a file that exists. An
    // entry made by newPlayListEntry holds only its path's bytes and the zero byte.
    char path[kEntryPathSize] = {};
};

// An entry just long enough for path (length bytes, shorter than kEntryPathSize), not
// listed yet; null when memory is short. Freed with freePlayListEntry, as every entry.
PlayListEntry* newPlayListEntry(const char* path, size_t length);
void freePlayListEntry(PlayListEntry* entry);

struct PlayList {
    PlayList();
    ~PlayList();
    PlayList(const PlayList&) = delete;
    PlayList& operator=(const PlayList&) = delete;

    // A slot is published with release once its entry is complete and read with acquire,
    // so a reader that finds a slot filled sees the whole text, also after a shuffle.
    // Zeroed memory from the system: a run that lists few songs touches few of its pages.
    std::unique_ptr<std::atomic<PlayListEntry*>[], void (*)(void*)> slots;
    // One past the highest slot ever filled: a release looks no further.
    std::atomic<int32_t> slotsUsed{0};
    // Songs listed; grows (release) after the slot it counts is filled.
    std::atomic<int32_t> listCount{0};
    // The slot the controller takes next; the song playing is playPos - 1.
    Relaxed<int32_t> playPos{0};
    // One shuffle at a time, with its seed: the search's at its end and the settings
    // dialog's "shuffle now" could otherwise both take one entry and lose another.
    std::mutex shuffleLock;
};

// The entry in slot index, or null when the slot is empty or index is outside the list.
PlayListEntry* slotEntry(const PlayList& list, int32_t index);
// Publishes entry in slot index (taken over by the list).
void putEntry(PlayList& list, int32_t index, PlayListEntry* entry);
int32_t listCount(const PlayList& list);
// The entry after the last song.
bool isEndMarker(const PlayListEntry& entry);
// Releases every entry the slots hold (the end marker too) and empties all slots;
// listCount becomes 0. Only while no search thread runs.
void releasePlayListEntries(PlayList& list);
// The entry's text as shown: its path as stored (the end marker's "end"), always ended.
void shownEntryText(const PlayListEntry& entry, char (&out)[kEntryPathSize]);

// The shuffle's random numbers: seed <- seed x 9 + 5 (mod 2^32); the value is the seed
// as a signed number shifted right by 16, sign copied in: -32768..32767.
int32_t nextRandom(uint32_t& seed);
// One pass of random exchanges over entries 0..listCount-1 (each position with one drawn
// from the whole list). All of them are listed songs, so exchanging the entries gives the
// order exchanging their texts would.
void shuffleList(PlayList& list, uint32_t& seed);
// shuffleList's exchanges on any sequence of items, of any length: the same seed gives a
// list of the same length the same order.
template <class Items>
void shuffleLikeList(Items& items, uint32_t& seed) {
    const uint32_t n = static_cast<uint32_t>(items.size());
    for (uint32_t i = 0; i < n; ++i) {
        const uint32_t j = static_cast<uint32_t>(nextRandom(seed)) % n;
        std::swap(items[i], items[j]);
    }
}
