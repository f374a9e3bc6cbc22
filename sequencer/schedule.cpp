#include "sequencer/schedule.h"

#include <algorithm>
#include <cstring>

#include "midi/interpreter.h"
#include "sequencer/sequencer.h"

namespace {

using Entry = TrackSchedule::Entry;

// Past this many entries from the back a place is found by halving instead.
constexpr int32_t kStepsFromBack = 8;

bool earlier(const Entry& a, const Entry& b) {
    return a.due < b.due;
}

// Moves the queue to the middle of the array, so that either end has room to grow.
void recentre(TrackSchedule& s) {
    const int32_t to = (2 * kScheduleSlots - s.size) / 2;
    std::memmove(s.entries + to, s.entries + s.head, s.size * sizeof(Entry));
    s.head = to;
}

}  // namespace

// A few steps from the back find a place near it without a mispredicted branch per
// comparison; a place further in costs one search. The shorter side moves aside, so a
// track that comes back at the front, before many that wait, costs no more.
void insertEntry(TrackSchedule& s, Entry e) {
    if (s.head == 0 || s.head + s.size == 2 * kScheduleSlots) recentre(s);
    Entry* q = s.entries + s.head;
    int32_t at = s.size;
    for (int32_t n = 0; n < kStepsFromBack && at > 0 && q[at - 1].due > e.due; ++n) --at;
    if (at > 0 && q[at - 1].due > e.due)
        at = q[0].due > e.due ? 0 : static_cast<int32_t>(std::upper_bound(q, q + at, e, earlier) - q);
    if (at == s.size) {
        // Behind every other: nothing moves.
    } else if (s.size - at <= at) {
        std::memmove(q + at + 1, q + at, (s.size - at) * sizeof(Entry));
    } else {
        if (at > 0) std::memmove(q - 1, q, at * sizeof(Entry));
        --s.head;
        --q;
    }
    q[at] = e;
    ++s.size;
}

void rebuildSchedule(Sequencer& seq) {
    TrackSchedule& s = seq.schedule;
    s.head = 0;
    s.size = 0;
    const int32_t count = seq.trackCount < kScheduleSlots ? seq.trackCount : kScheduleSlots;
    for (int32_t t = 0; t < count; ++t) {
        if (seq.tracks[t].trackActive != 1) continue;
        s.entries[s.size++] = {nextDueTick(seq, seq.tracks[t]), t};
    }
    std::sort(s.entries, s.entries + s.size, earlier);
}

void takeDueTracks(TrackSchedule& s, int64_t tickNow, DueTracks& out) {
    // Entries of equal due tick are in the order they came back, nearly always track
    // order: the tracks are sorted only when they are not.
    int32_t n = 0;
    bool sorted = true;
    while (s.size > 0 && s.entries[s.head].due < tickNow) {
        const int32_t t = s.entries[s.head].track;
        if (n > 0 && out.tracks[n - 1] > t) sorted = false;
        out.tracks[n++] = t;
        ++s.head;
        --s.size;
    }
    if (!sorted) std::sort(out.tracks, out.tracks + n);
    out.count = n;
}

int64_t earliestDue(const TrackSchedule& s) {
    return s.size > 0 ? s.entries[s.head].due : std::numeric_limits<int64_t>::max();
}
