#pragma once
// Which tracks a step must visit: per track the tick its next event falls due at, and the
// playing tracks in a queue sorted by it. A step takes the due tracks off the front,
// interprets them in track order and puts each back with its new due tick, which nearly
// always falls behind the others' and is placed from the back; so a step costs what its
// events cost, not what the song's track count costs.
#include <cstdint>
#include <limits>

struct Sequencer;

constexpr int kScheduleSlots = 256;
// The next call of the interpreter ends the track, whatever the tick (its read position
// is at or past its end).
constexpr int64_t kDueNow = std::numeric_limits<int64_t>::min();

struct TrackSchedule {
    // A track acts in the first step whose tick exceeds its due tick.
    struct Entry {
        int64_t due;
        int32_t track;
    };
    // The queue is entries[head, head + size), lowest due tick first. Taking moves head on;
    // the queue moves back to the middle of the array when it reaches either end.
    Entry entries[2 * kScheduleSlots];
    int32_t head = 0;
    int32_t size = 0;
};

// The tracks a step visits, as a bit set walked in track order.
struct DueTracks {
    uint64_t words[kScheduleSlots / 64];
};

// Puts every playing track of the song into the schedule, after anything that moves many
// cursors at once (load, rewind, return to the loop point).
void rebuildSchedule(Sequencer& seq);
// Puts track t back after the interpreter has read it, if it still plays, at due (the
// interpreter's answer; kDueUnknown to read it from the track).
void rescheduleTrack(Sequencer& seq, int32_t t, int64_t due);
// Takes off the schedule every track with something due at tickNow.
void takeDueTracks(TrackSchedule& schedule, int64_t tickNow, DueTracks& out);
// The lowest due tick of any playing track; the largest int64 when none plays.
int64_t earliestDue(const TrackSchedule& schedule);

// Calls visit(t) for each track in the set, lowest index first.
template <class Visit>
void forEachDueTrack(const DueTracks& tracks, Visit visit) {
    for (int w = 0; w < kScheduleSlots / 64; ++w) {
        for (uint64_t bits = tracks.words[w]; bits; bits &= bits - 1)
            visit(w * 64 + __builtin_ctzll(bits));
    }
}
