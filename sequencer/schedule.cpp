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

// Puts e in its place. A track's next event is nearly always due after every other
// track's: a few steps from the back find its place without a mispredicted branch
// per comparison, and a place further in costs one search and one move.
void insert(TrackSchedule& s, Entry e) {
    if (s.head + s.size == 2 * kScheduleSlots) {
        std::memmove(s.entries, s.entries + s.head, s.size * sizeof(Entry));
        s.head = 0;
    }
    Entry* q = s.entries + s.head;
    int32_t i = s.size;
    for (int32_t n = 0; n < kStepsFromBack && i > 0 && q[i - 1].due > e.due; ++n, --i) q[i] = q[i - 1];
    if (i > 0 && q[i - 1].due > e.due) {
        const int32_t at = static_cast<int32_t>(std::upper_bound(q, q + i, e, earlier) - q);
        std::memmove(q + at + 1, q + at, (i - at) * sizeof(Entry));
        i = at;
    }
    q[i] = e;
    ++s.size;
}

}  // namespace

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

void rescheduleTrack(Sequencer& seq, int32_t t, int64_t due) {
    if (seq.tracks[t].trackActive != 1) return;
    if (due == kDueUnknown) due = nextDueTick(seq, seq.tracks[t]);
    insert(seq.schedule, {due, t});
}

void takeDueTracks(TrackSchedule& s, int64_t tickNow, DueTracks& out) {
    std::memset(out.words, 0, sizeof out.words);
    while (s.size > 0 && s.entries[s.head].due < tickNow) {
        const int32_t t = s.entries[s.head].track;
        out.words[t / 64] |= uint64_t(1) << (t % 64);
        ++s.head;
        --s.size;
    }
}

int64_t earliestDue(const TrackSchedule& s) {
    return s.size > 0 ? s.entries[s.head].due : std::numeric_limits<int64_t>::max();
}
