// The clock: fixed steps of 10 ms of song time, each adding division x bpm / 6000 ticks,
// then the interpreter for every track with something due; the end-of-song rule; rewind,
// the loop point, the silent run and the seek by percent.
#include <algorithm>
#include <limits>
#include <vector>

#include "core/settings.h"
#include "midi/interpreter.h"
#include "platform/midi_device.h"
#include "sequencer/sequencer.h"

namespace {

// Far beyond any song: 2^62 ticks. Keeps every sum below it from overflowing.
constexpr int64_t kMaxTick = int64_t(1) << 62;
constexpr int64_t kNoLimit = std::numeric_limits<int64_t>::max();

// Advances the clock by n steps' worth of ticks, saturating far beyond any song.
void advanceClock(Sequencer& seq, int64_t n) {
    const int64_t inc = seq.stepIncrement;
    if (inc <= 0 || n <= 0) return;
    const int64_t room = std::numeric_limits<int64_t>::max() - seq.tickAccumulator;
    // A single step, every step of playback, needs no division to see that it fits.
    if (n == 1 ? inc > room : n > room / inc) {
        seq.tick = kMaxTick;
        return;
    }
    const int64_t total = seq.tickAccumulator + n * inc;
    const int64_t tick = int64_t(seq.tick) + total / kTickUnit;
    seq.tickAccumulator = total % kTickUnit;
    seq.tick = tick > kMaxTick ? kMaxTick : tick;
}

// floor(a / b) for b > 0.
int64_t floorDiv(int64_t a, int64_t b) {
    const int64_t q = a / b;
    return (a % b != 0 && a < 0) ? q - 1 : q;
}

// How many of the next steps leave the clock at or below due (the tick that must be
// passed before anything happens). 0 when the next step passes it.
int64_t idleStepsBefore(const Sequencer& seq, int64_t due) {
    if (due == kDueNow || due == kNoLimit) return 0;
    if (due >= kMaxTick) return kNoLimit;
    const int64_t inc = seq.stepIncrement;
    if (inc <= 0) return kNoLimit;
    // Largest k with tick + (acc + k*inc) / 6000 <= due, that is
    // k = floor((span * 6000 - 1 - acc) / inc) with span = due - tick + 1.
    const int64_t span = due - seq.tick + 1;
    if (span <= 0) return 0;
    if (span < (int64_t(1) << 40)) {
        // The usual case, without overflow; and no division when the next step acts.
        const int64_t units = span * kTickUnit - 1 - seq.tickAccumulator;
        return units < inc ? 0 : units / inc;
    }
    // Far ahead: span = q*inc + r, so that nothing overflows.
    const int64_t q = span / inc, r = span % inc;
    if (q > kNoLimit / kTickUnit / 2) return kNoLimit;
    const int64_t k = q * kTickUnit + floorDiv(r * kTickUnit - 1 - seq.tickAccumulator, inc);
    return k < 0 ? 0 : k;
}

// How many of the next steps would do nothing but advance the clock: every track's
// next event stays at or beyond the tick those steps reach. 0 when the next step acts.
int64_t idleStepsAhead(const Sequencer& seq) {
    if (seq.activeTracks == 0) return 0;
    return idleStepsBefore(seq, earliestDue(seq.schedule));
}

}  // namespace

void initSequencer(Sequencer& seq) {
    seq.bpm = 125;
    seq.division = 48;
    seq.stepIncrement = 6000;
    seq.tickAccumulator = 0;
    seq.tick = 0;
    seq.playing = false;
    seq.elapsedSteps = 0;
    seq.songLoaded = false;
    seq.songImage.reset();
    seq.trackCount = 0;
    seq.loadedTrackCount = 0;
    seq.activeTracks = 0;
    seq.songSteps = 0;
    seq.loopFound = false;
    seq.titleTaken = false;
    seq.lastMessage = 0;
    for (TrackCursor& cur : seq.tracks) {
        cur.position = 0;
        cur.eventTick = 0;
        cur.trackStart = 0;
    }
    seq.schedule.size = 0;
    seq.schedule.head = 0;
    resetChannels(seq.channels);
    if (!seq.seekReplay) seq.seekReplay.reset(new Sequencer);
}

void recomputeIncrement(Sequencer& seq) {
    seq.stepIncrement = int64_t(seq.division) * seq.bpm;
}

void step(Sequencer& seq, LineSink* tempo, bool live) {
    if (!seq.playing) return;
    seq.stepStartTick = seq.tick;
    seq.stepStartAccumulator = seq.tickAccumulator;
    seq.stepSpan = seq.stepIncrement;
    advanceClock(seq, 1);
    const int64_t tickNow = seq.tick;
    // Only the tracks with something due, in track order; each goes back on the schedule
    // with its next event.
    DueTracks due;
    takeDueTracks(seq.schedule, tickNow, due);
    interpretDueTracks(seq, tickNow, due, tempo, live);
    // What others send until the next step has no place in one.
    if (live) seq.port.setStepPlace(kOutsideStep);
    if (seq.activeTracks != 0) return;
    if (!live) {
        seq.playing = false;
        return;
    }
    switch (seq.loopMode) {
    case 1:
        rewind(seq);
        ++seq.loopsPlayed;
        break;
    case 2:
        if (seq.loopFound)
            restoreLoopPoint(seq);
        else
            rewind(seq);
        ++seq.loopsPlayed;
        break;
    default: seq.playing = false; break;
    }
}

uint32_t stepPlace(const Sequencer& seq, int64_t eventTick) {
    // An event is due once the clock has passed its tick, at eventTick + 1.
    const int64_t span = seq.stepSpan;
    const int64_t ticks = eventTick + 1 - seq.stepStartTick;
    if (span <= 0 || ticks <= 0) return 0;
    if (ticks > span / kTickUnit + 1) return kStepPlaceOne;
    const int64_t units = ticks * kTickUnit - seq.stepStartAccumulator;
    if (units <= 0) return 0;
    if (units >= span) return kStepPlaceOne;
    return static_cast<uint32_t>(units * kStepPlaceOne / span);
}

void rewind(Sequencer& seq) {
    for (int32_t t = 0; t < seq.trackCount; ++t) {
        TrackCursor& cur = seq.tracks[t];
        cur.position = 0;
        cur.eventTick = 0;
        cur.trackActive = 1;
        // trackStart never moves while a song is loaded.
    }
    seq.tick = 0;
    seq.tickAccumulator = 0;
    seq.lastMessage = 0;
    seq.loopFound = false;
    seq.elapsedSteps = 0;
    seq.titleTaken = false;
    seq.activeTracks = seq.loadedTrackCount;
    seq.bpm = 600000;
    rebuildSchedule(seq);
}

LoopPoint::Track loopPointTrack(const Sequencer& seq, int32_t t) {
    const LoopPoint& lp = seq.loopPoint;
    if (lp.saved[t] == lp.generation) return lp.tracks[t];
    const TrackCursor& cur = seq.tracks[t];
    LoopPoint::Track now;
    now.position = cur.position;
    now.eventTick = cur.eventTick;
    now.trackStart = cur.trackStart;
    now.trackActive = cur.trackActive;
    return now;
}

void restoreLoopPoint(Sequencer& seq) {
    const LoopPoint& lp = seq.loopPoint;
    // Tracks not saved since the capture are where it left them.
    for (int32_t t = 0; t < seq.trackCount; ++t) {
        if (lp.saved[t] != lp.generation) continue;
        TrackCursor& cur = seq.tracks[t];
        cur.position = lp.tracks[t].position;
        cur.eventTick = lp.tracks[t].eventTick;
        cur.trackActive = lp.tracks[t].trackActive;
        cur.trackStart = lp.tracks[t].trackStart;
    }
    seq.elapsedSteps = lp.elapsedSteps;
    seq.activeTracks = lp.activeTracks;
    seq.tick = lp.tick;
    seq.bpm = lp.bpm;
    rebuildSchedule(seq);
}

int64_t runSilent(Sequencer& seq, int64_t budget, bool countElapsed) {
    int64_t done = 0;
    while (done < budget && seq.playing) {
        int64_t idle = idleStepsAhead(seq);
        if (idle > budget - done) idle = budget - done;
        if (idle > 0) {
            advanceClock(seq, idle);
            done += idle;
            if (countElapsed) seq.elapsedSteps = static_cast<int32_t>(seq.elapsedSteps + idle);
            continue;
        }
        step(seq, nullptr, false);
        ++done;
        if (countElapsed) seq.elapsedSteps = seq.elapsedSteps + 1;
    }
    return done;
}

int64_t measureSteps(Sequencer& seq, SongSurvey& survey, int64_t budget) {
    // Changes by tick; those a step passes together take effect in the order read, so
    // the last one read wins.
    std::vector<SongSurvey::TempoChange>& changes = survey.changes;
    std::sort(changes.begin(), changes.end(), [](const SongSurvey::TempoChange& a, const SongSurvey::TempoChange& b) {
        return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
    });
    const int64_t end = survey.lastEnd;
    size_t next = 0;
    int64_t done = 0;
    for (;;) {
        // Steps that pass nothing, then the one that passes the next change or the end.
        const int64_t idle = idleStepsBefore(seq, next < changes.size() ? changes[next].tick : end);
        if (idle >= budget - done) return -1;
        advanceClock(seq, idle);
        advanceClock(seq, 1);
        done += idle + 1;
        const int64_t tickNow = seq.tick;
        const SongSurvey::TempoChange* last = nullptr;
        for (; next < changes.size() && changes[next].tick < tickNow; ++next) {
            if (!last || changes[next].order > last->order) last = &changes[next];
        }
        if (last) {
            seq.bpm = last->bpm;
            recomputeIncrement(seq);
        }
        if (end < tickNow) return done;
    }
}

void seekPercent(Sequencer& seq, uint32_t percent) {
    rewind(seq);
    // 64-bit so that a long song times 100 cannot wrap.
    const int64_t target = int64_t(seq.songSteps < 0 ? 0 : seq.songSteps) * percent / 100;
    seq.playing = true;
    const int64_t done = runSilent(seq, target, true);
    // Steps after the end of the song do nothing but count.
    seq.elapsedSteps = static_cast<int32_t>(seq.elapsedSteps + (target - done));
}
