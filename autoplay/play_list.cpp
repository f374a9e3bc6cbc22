#include "autoplay/play_list.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>

PlayListEntry* newPlayListEntry(const char* path, size_t length) {
    if (length >= size_t(kEntryPathSize)) return nullptr;
    // A list of tens of thousands of songs costs their paths, not a PATH_MAX each.
    void* memory = ::operator new(offsetof(PlayListEntry, path) + length + 1, std::nothrow);
    if (memory == nullptr) return nullptr;
    PlayListEntry* entry = static_cast<PlayListEntry*>(memory);
    entry->listed = 0;
    std::memcpy(entry->path, path, length);
    entry->path[length] = '\0';
    return entry;
}

// Entries are plain bytes: whether made whole (new PlayListEntry) or to their path's
// length, the unsized delete gives their memory back.
void freePlayListEntry(PlayListEntry* entry) { ::operator delete(entry); }

namespace {

std::atomic<PlayListEntry*>* zeroedSlots() {
    // All bits zero is a null pointer in every atomic slot; calloc's fresh pages are not
    // written until a song is listed in them.
    void* memory = std::calloc(kPlayListSlots, sizeof(std::atomic<PlayListEntry*>));
    if (memory == nullptr) throw std::bad_alloc();
    return static_cast<std::atomic<PlayListEntry*>*>(memory);
}

}  // namespace

PlayList::PlayList() : slots(zeroedSlots(), std::free) {}

PlayList::~PlayList() { releasePlayListEntries(*this); }

PlayListEntry* slotEntry(const PlayList& list, int32_t index) {
    if (index < 0 || index >= kPlayListSlots) return nullptr;
    return list.slots[index].load(std::memory_order_acquire);
}

void putEntry(PlayList& list, int32_t index, PlayListEntry* entry) {
    if (index < 0 || index >= kPlayListSlots) {
        freePlayListEntry(entry);
        return;
    }
    // A slot is filled once per list; an entry left over from a list that was not
    // released is replaced rather than lost.
    PlayListEntry* old = list.slots[index].exchange(entry, std::memory_order_acq_rel);
    if (old != entry) freePlayListEntry(old);
    int32_t used = list.slotsUsed.load(std::memory_order_relaxed);
    while (used <= index && !list.slotsUsed.compare_exchange_weak(used, index + 1, std::memory_order_relaxed)) {
    }
}

int32_t listCount(const PlayList& list) { return list.listCount.load(std::memory_order_acquire); }

bool isEndMarker(const PlayListEntry& entry) {
    // The listed flag tells it apart even where a path keeps its own case and so may
    // begin with a lower-case "e" (a relative root on Linux).
    return entry.listed <= 0 && entry.path[0] == 'e';
}

void releasePlayListEntries(PlayList& list) {
    const int32_t used = list.slotsUsed.load(std::memory_order_relaxed);
    for (int32_t i = 0; i < used; ++i) freePlayListEntry(list.slots[i].exchange(nullptr, std::memory_order_acq_rel));
    list.slotsUsed.store(0, std::memory_order_relaxed);
    list.listCount.store(0, std::memory_order_release);
}

void shownEntryText(const PlayListEntry& entry, char (&out)[kEntryPathSize]) {
    // Only the entry's own bytes: it may be as short as its path.
    const void* end = std::memchr(entry.path, '\0', kEntryPathSize - 1);
    const size_t length = end ? size_t(static_cast<const char*>(end) - entry.path) : kEntryPathSize - 1;
    std::memcpy(out, entry.path, length);
    out[length] = '\0';
}

int32_t nextRandom(uint32_t& seed) {
    seed = seed * 9u + 5u;
    // The top 16 bits as a signed number: an arithmetic shift, spelled out portably.
    const int32_t high = static_cast<int32_t>(seed >> 16);
    return high >= 0x8000 ? high - 0x10000 : high;
}

void shuffleList(PlayList& list, uint32_t& seed) {
    std::lock_guard<std::mutex> hold(list.shuffleLock);
    const int32_t n = listCount(list);
    if (n <= 0) return;
    for (int32_t i = 0; i < n; ++i) {
        const uint32_t j = static_cast<uint32_t>(nextRandom(seed)) % static_cast<uint32_t>(n);
        PlayListEntry* a = slotEntry(list, i);
        PlayListEntry* b = slotEntry(list, static_cast<int32_t>(j));
        if (a == nullptr || b == nullptr || a == b) continue;
        // Between the two stores a reader may find b in both slots: a row drawn twice for
        // a moment, never an entry half written.
        list.slots[i].store(b, std::memory_order_release);
        list.slots[j].store(a, std::memory_order_release);
    }
}
