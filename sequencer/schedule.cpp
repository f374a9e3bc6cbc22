#include "sequencer/schedule.h"

#include <cstring>

#include "midi/interpreter.h"
#include "sequencer/sequencer.h"

namespace {

using Entry = TrackSchedule::Entry;
constexpr int32_t kArity = 4;

// Moves the hole at i down until e fits there.
void siftDown(TrackSchedule& s, int32_t i, Entry e) {
    for (;;) {
        const int32_t first = kArity * i + 1;
        if (first >= s.size) break;
        const int32_t last = first + kArity < s.size ? first + kArity : s.size;
        int32_t least = first;
        for (int32_t c = first + 1; c < last; ++c)
            if (s.heap[c].due < s.heap[least].due) least = c;
        if (s.heap[least].due >= e.due) break;
        s.heap[i] = s.heap[least];
        i = least;
    }
    s.heap[i] = e;
}

void siftUp(TrackSchedule& s, int32_t i, Entry e) {
    while (i > 0) {
        const int32_t parent = (i - 1) / kArity;
        if (s.heap[parent].due <= e.due) break;
        s.heap[i] = s.heap[parent];
        i = parent;
    }
    s.heap[i] = e;
}

// Past this many tracks due in one step the rest are taken by a sweep.
constexpr int32_t kPopsBeforeSweep = 8;

void heapify(TrackSchedule& s) {
    for (int32_t i = (s.size - 2) / kArity; i >= 0; --i) siftDown(s, i, s.heap[i]);
}

// Takes every entry due before tickNow into out, keeps the others and rebuilds the heap.
void sweepDue(TrackSchedule& s, int64_t tickNow, DueTracks& out) {
    int32_t kept = 0;
    for (int32_t i = 0; i < s.size; ++i) {
        const Entry e = s.heap[i];
        if (e.due < tickNow)
            out.words[e.track / 64] |= uint64_t(1) << (e.track % 64);
        else
            s.heap[kept++] = e;
    }
    s.size = kept;
    heapify(s);
}

}  // namespace

void rebuildSchedule(Sequencer& seq) {
    TrackSchedule& s = seq.schedule;
    s.size = 0;
    const int32_t count = seq.trackCount < kScheduleSlots ? seq.trackCount : kScheduleSlots;
    for (int32_t t = 0; t < count; ++t) {
        if (seq.tracks[t].trackActive != 1) continue;
        s.heap[s.size++] = {nextDueTick(seq, seq.tracks[t]), t};
    }
    heapify(s);
}

void rescheduleTrack(Sequencer& seq, int32_t t, int64_t due) {
    if (seq.tracks[t].trackActive != 1) return;
    if (due == kDueUnknown) due = nextDueTick(seq, seq.tracks[t]);
    TrackSchedule& s = seq.schedule;
    siftUp(s, s.size++, {due, t});
}

void takeDueTracks(TrackSchedule& s, int64_t tickNow, DueTracks& out) {
    std::memset(out.words, 0, sizeof out.words);
    int32_t taken = 0;
    while (s.size > 0 && s.heap[0].due < tickNow) {
        if (++taken > kPopsBeforeSweep) {
            // Many tracks due at once (a dense song acts on most of them every step): one
            // pass over the heap and a rebuild cost less than a descent for each.
            sweepDue(s, tickNow, out);
            return;
        }
        const int32_t t = s.heap[0].track;
        out.words[t / 64] |= uint64_t(1) << (t % 64);
        const Entry last = s.heap[--s.size];
        if (s.size > 0) siftDown(s, 0, last);
    }
}

int64_t earliestDue(const TrackSchedule& s) {
    return s.size > 0 ? s.heap[0].due : std::numeric_limits<int64_t>::max();
}
