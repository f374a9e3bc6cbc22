#pragma once
// Reads and acts on the due events of one track: channel messages, System Exclusive,
// meta events and the control change 111 loop point.
#include <cstddef>
#include <cstdint>

class LineSink;
struct Sequencer;
struct TrackCursor;

// What interpretTrack tells of the track's next due tick when it has not read it.
constexpr int64_t kDueUnknown = INT64_MIN + 1;

// Acts on the track's events due before tickNow. Returns the tick its next event falls
// due at when it read it on the way (as nextDueTick would give it), else kDueUnknown.
// tempo: where a live step writes the tempo line ("tempo 120"); may be null.
int64_t interpretTrack(Sequencer& seq, int64_t tickNow, int32_t track, LineSink* tempo, bool live);
// The tick after which interpretTrack next acts on the track: it does nothing at all
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
