#include "sequencer/schedule.h"

#include <cstring>

#include "midi/interpreter.h"
#include "sequencer/sequencer.h"

namespace {

bool before(const TrackSchedule& s, int32_t a, int32_t b) {
    return s.due[s.heap[a]] < s.due[s.heap[b]];
}

void siftDown(TrackSchedule& s, int32_t i) {
    for (;;) {
        const int32_t left = 2 * i + 1;
        if (left >= s.size) return;
        int32_t least = left;
        if (left + 1 < s.size && before(s, left + 1, left)) least = left + 1;
        if (!before(s, least, i)) return;
        const uint8_t t = s.heap[i];
        s.heap[i] = s.heap[least];
        s.heap[least] = t;
        i = least;
    }
}

void siftUp(TrackSchedule& s, int32_t i) {
    while (i > 0) {
        const int32_t parent = (i - 1) / 2;
        if (!before(s, i, parent)) return;
        const uint8_t t = s.heap[i];
        s.heap[i] = s.heap[parent];
        s.heap[parent] = t;
        i = parent;
    }
}

}  // namespace

void rebuildSchedule(Sequencer& seq) {
    TrackSchedule& s = seq.schedule;
    s.size = 0;
    const int32_t count = seq.trackCount < kScheduleSlots ? seq.trackCount : kScheduleSlots;
    for (int32_t t = 0; t < count; ++t) {
        if (seq.tracks[t].trackActive != 1) continue;
        s.due[t] = nextDueTick(seq, seq.tracks[t]);
        s.heap[s.size++] = static_cast<uint8_t>(t);
    }
    for (int32_t i = s.size / 2 - 1; i >= 0; --i) siftDown(s, i);
}

void rescheduleTrack(Sequencer& seq, int32_t t) {
    if (seq.tracks[t].trackActive != 1) return;
    TrackSchedule& s = seq.schedule;
    s.due[t] = nextDueTick(seq, seq.tracks[t]);
    s.heap[s.size] = static_cast<uint8_t>(t);
    siftUp(s, s.size++);
}

void takeDueTracks(TrackSchedule& s, int64_t tickNow, DueTracks& out) {
    std::memset(out.words, 0, sizeof out.words);
    while (s.size > 0 && s.due[s.heap[0]] < tickNow) {
        const uint8_t t = s.heap[0];
        out.words[t / 64] |= uint64_t(1) << (t % 64);
        s.heap[0] = s.heap[--s.size];
        siftDown(s, 0);
    }
}

int64_t earliestDue(const TrackSchedule& s) {
    return s.size > 0 ? s.due[s.heap[0]] : std::numeric_limits<int64_t>::max();
}
