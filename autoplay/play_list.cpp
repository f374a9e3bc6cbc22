#include "autoplay/play_list.h"

#include <cstring>

PlayList::PlayList() : slots(new std::atomic<PlayListEntry*>[kPlayListSlots]()) {}

PlayList::~PlayList() { releasePlayListEntries(*this); }

PlayListEntry* slotEntry(const PlayList& list, int32_t index) {
    if (index < 0 || index >= kPlayListSlots) return nullptr;
    return list.slots[index].load(std::memory_order_acquire);
}

void putEntry(PlayList& list, int32_t index, PlayListEntry* entry) {
    if (index < 0 || index >= kPlayListSlots) {
        delete entry;
        return;
    }
    // A slot is filled once per list; an entry left over from a list that was not
    // released is replaced rather than lost.
    PlayListEntry* old = list.slots[index].exchange(entry, std::memory_order_acq_rel);
    if (old != entry) delete old;
}

int32_t listCount(const PlayList& list) { return list.listCount.load(std::memory_order_acquire); }

bool isEndMarker(const PlayListEntry& entry) {
    // The listed flag tells it apart even where a path keeps its own case and so may
    // begin with a lower-case "e" (a relative root on Linux).
    return entry.listed <= 0 && entry.path[0] == 'e';
}

void releasePlayListEntries(PlayList& list) {
    for (int32_t i = 0; i < kPlayListSlots; ++i) {
        PlayListEntry* entry = list.slots[i].exchange(nullptr, std::memory_order_acq_rel);
        delete entry;
    }
    list.listCount.store(0, std::memory_order_release);
}

void shownEntryText(const PlayListEntry& entry, char (&out)[kEntryPathSize]) {
    std::memcpy(out, entry.path, kEntryPathSize);
    out[kEntryPathSize - 1] = '\0';
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
