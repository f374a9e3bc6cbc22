#pragma once
// Reads and acts on the due events of one track: channel messages, System Exclusive,
// meta events and the control change 111 loop point.
#include <cstddef>
#include <cstdint>
#include <vector>

class LineSink;
struct DueTracks;
struct Sequencer;
struct TrackCursor;

// Acts, track by track in track order, on the events of each due track that fall before
// tickNow, and puts each track that still plays back on the schedule at the tick of its
// next event. tempo: where a live step writes the tempo line ("tempo 120"); may be null.
void interpretDueTracks(Sequencer& seq, int64_t tickNow, const DueTracks& due, LineSink* tempo, bool live);
// What the length of a song depends on, read off its tracks one by one: the tempo
// changes, and the tick each track ends after.
struct SongSurvey {
    struct TempoChange {
        int64_t tick;
        int32_t bpm;
        int32_t order;  // the order they were read in: by track, then within the track
    };
    std::vector<TempoChange> changes;
    // The highest tick a track ends after; kDueNow when every track ends in the first step.
    int64_t lastEnd = 0;
    int64_t trackEnd = 0;  // of the track being read
};

// Reads every track of a rewound song to its end as the steps would, changing nothing but
// the cursors and their running status, which the steps would leave the same way.
void surveyTracks(Sequencer& seq, SongSurvey& survey);

// The tick after which the interpreter next acts on the track: it does nothing at all
// while tickNow is at or below it. kDueNow when the next call ends the track whatever the
// tick. Only for a playing track (trackActive 1).
int64_t nextDueTick(const Sequencer& seq, const TrackCursor& cur);

// A quantity is at most four bytes (28 bits). A longer one is malformed: were it read
// whole, a run of continuation bytes would be read again at every event and every step.
constexpr int kMaxVarLenBytes = 4;

// Decodes a variable-length quantity starting at p without reading at or past end.
// False when the quantity runs into end or does not end within four bytes.
bool decodeVarLen(const uint8_t* p, const uint8_t* end, uint32_t& value);
// Bytes the reader steps over after a quantity: the size of its shortest encoding.
inline int32_t varLenSize(uint32_t value) {
    return value <= 127 ? 1 : value <= 16383 ? 2 : value <= 2097151 ? 3 : 4;
}

// Appends count bytes (zeros included) to the zero-terminated line of capacity bytes,
// cutting what does not fit and keeping it terminated.
void appendBytes(char* line, size_t capacity, const uint8_t* source, size_t count);
