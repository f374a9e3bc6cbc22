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

// The tracks a step visits, in track order.
struct DueTracks {
    int32_t tracks[kScheduleSlots];
    int32_t count = 0;
};

// Puts every playing track of the song into the schedule, after anything that moves many
// cursors at once (load, rewind, return to the loop point).
void rebuildSchedule(Sequencer& seq);
// Takes off the schedule every track with something due at tickNow.
void takeDueTracks(TrackSchedule& schedule, int64_t tickNow, DueTracks& out);
// The lowest due tick of any playing track; the largest int64 when none plays.
int64_t earliestDue(const TrackSchedule& schedule);

// Puts an entry in its place: the slow way, for an entry due before the last one or a
// queue at an end of its array.
void insertEntry(TrackSchedule& schedule, TrackSchedule::Entry e);
// A track's next event is nearly always due at or after every other track's: it then
// goes at the back, with no call.
inline void scheduleEntry(TrackSchedule& s, TrackSchedule::Entry e) {
    const int32_t end = s.head + s.size;
    if (s.head > 0 && end < 2 * kScheduleSlots && (s.size == 0 || s.entries[end - 1].due <= e.due)) {
        s.entries[end] = e;
        ++s.size;
        return;
    }
    insertEntry(s, e);
}
