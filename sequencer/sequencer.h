#pragma once
// The one player record: song image, track cursors, clock, loop point, channel shadow
// and the output port. Functions take the record they work on.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

#include "midi/channel_state.h"
#include "midi/midi_out_port.h"
#include "platform/relaxed.h"
#include "sequencer/schedule.h"

class LineSink;
struct Settings;
struct SongSurvey;

constexpr int32_t kSongImageSize = 1048576;
constexpr int kMaxTracks = 256;
// The most of a song file the loader can use: a 128-byte prefix, the header chunk, and
// 255 track chunk headers around a full song image.
constexpr size_t kSongFileMax = 128 + 14 + 255 * 8 + kSongImageSize;
// Song ticks are 64-bit: a long song at a high division passes the int32 range and must
// still reach its end.
constexpr int64_t kEndedTick = 0x7FFFFFFFFFFFFFFF;
// Units of 1/6000 tick per step: 60 s x 100 steps per second.
constexpr int64_t kTickUnit = 6000;
// A silent run (length scan or seek) never takes more steps than this: 24 hours of song
// time. Idle stretches are skipped arithmetically, so reaching it stays cheap.
constexpr int32_t kMaxSilentSteps = 8640000;

struct SongImage {
    uint8_t bytes[kSongImageSize];
};

struct TrackCursor {
    int32_t trackLength = 0;
    int32_t trackStart = 0;
    int32_t position = 0;
    int64_t eventTick = 0;
    uint8_t runningStatus = 0;
    uint8_t trackActive = 0;  // 1 playing, 0 ended by End of Track, 2 ran out of data
};

// Taken copy on write, so that a capture costs the same whatever the track count: a
// track's entry holds its captured cursor only when saved[t] equals generation; any other
// track has not moved since the capture, and its cursor is the captured one.
struct LoopPoint {
    struct Track {
        int32_t position = 0;
        int64_t eventTick = 0;
        int32_t trackStart = 0;
        uint8_t trackActive = 0;
    } tracks[kMaxTracks];
    uint32_t saved[kMaxTracks] = {};
    uint32_t generation = 0;
    uint8_t activeTracks = 0;
    int64_t tick = 0;
    int32_t bpm = 0;
    int32_t elapsedSteps = 0;
};

// Everything a step changes, and the song's shape it reads: what a seek replays on a
// copy of its own and then puts in place of the playing song's.
struct SongState {
    // Song (loader).
    Relaxed<int32_t> division{48};  // read by the animation thread
    int32_t trackCount = 0;
    uint8_t loadedTrackCount = 0;
    uint8_t activeTracks = 0;
    TrackCursor tracks[kMaxTracks];
    TrackSchedule schedule;  // follows the cursors: rebuilt whenever they move together

    // Clock. The increment and accumulator are 64-bit so that division x bpm never
    // overflows (division up to 65535, bpm up to 60,000,000).
    Relaxed<int32_t> bpm{125};  // read by the animation thread
    int64_t stepIncrement = 6000;
    int64_t tickAccumulator = 0;
    Relaxed<int64_t> tick{0};  // read by the animation thread
    Relaxed<int32_t> elapsedSteps{0};
    // The clock before the current step advanced it, and what the step added: the tick
    // span each message's place within the step is measured in.
    int64_t stepStartTick = 0;
    int64_t stepStartAccumulator = 0;
    int64_t stepSpan = 0;
    bool loopFound = false;
    bool titleTaken = false;
    uint32_t lastMessage = 0;

    LoopPoint loopPoint;
    ChannelState channels[16];
};

// Why the last load refused a song; the caller words it.
enum class LoadProblem : uint8_t {
    None,
    System,      // the file could not be opened or read: systemError holds the errno value
    NotRegular,  // a FIFO, a device, a socket: never opened, as opening may block
    NotMidi,     // no header chunk at any of the places one is looked for
    Truncated,   // the file ends inside its header or a track it announces
    BadTrack,    // a track chunk is missing where the header says one is
    TooLarge,    // the tracks do not fit the song image
    NoMemory,
};

struct LoadFailure {
    LoadProblem problem = LoadProblem::None;
    int systemError = 0;
};

// Songs held in memory under the name they were given by (read from standard input or a
// pipe, which cannot be opened a second time): the loader takes their bytes instead of
// opening a file of that name.
class SongStore {
public:
    virtual ~SongStore() = default;
    // The bytes held under path; false when there are none.
    virtual bool find(const char* path, const uint8_t*& bytes, size_t& size) const = 0;
};

struct Sequencer : SongState {
    MidiOutPort port;

    // The song's bytes. Shared with a seek's replay while it runs.
    std::shared_ptr<SongImage> songImage;
    Relaxed<bool> songLoaded{false};  // read by the animation thread
    int32_t songSteps = 0;            // the length scan's count; read by the playback thread
    LoadFailure loadFailure;          // of the last load that returned false

    // Set by the commands, the end of the song and a seek that reaches it.
    Relaxed<bool> playing{false};
    Relaxed<int8_t> loopMode{0};
    // Live steps that reached the song's end and went on at its start or its loop point.
    // Kept outside the song state, so a seek's exchange of that state leaves it alone.
    uint32_t loopsPlayed = 0;

    uint8_t sysexBuffer[1024] = {};
    ChannelState channelSnapshot[16];

    // Collaborators, set by the owner. settings must be set; panel may be null.
    const Settings* settings = nullptr;
    LineSink* panel = nullptr;
    const SongStore* songStore = nullptr;  // may be null

    // Keeps a seek's exchange of the song state and the playback thread's steps apart.
    std::mutex stepLock;
    // One seek at a time: they share the replay's sequencer.
    std::mutex seekLock;
    // Where a seek replays the song, taken once by initSequencer.
    std::unique_ptr<Sequencer> seekReplay;
};

// Puts the clock, cursors and channel shadow into their start-up state.
void initSequencer(Sequencer& seq);

// Clock.
void recomputeIncrement(Sequencer& seq);
// tempo: where live steps write the tempo line; null writes nothing.
void step(Sequencer& seq, LineSink* tempo, bool live);
// The place within the current step (0 .. kStepPlaceOne) of an event at eventTick: where
// the clock passes the tick in the step's span, which is exact while the tempo holds.
uint32_t stepPlace(const Sequencer& seq, int64_t eventTick);
void rewind(Sequencer& seq);
void restoreLoopPoint(Sequencer& seq);
// The cursor fields captured for track t at the last loop point.
LoopPoint::Track loopPointTrack(const Sequencer& seq, int32_t t);
void seekPercent(Sequencer& seq, uint32_t percent);
// Silent steps until the song stops or budget steps have passed; returns the steps
// counted. Stretches where no event can fall due are crossed without stepping.
// countElapsed: also count them in elapsedSteps, as a seek does.
int64_t runSilent(Sequencer& seq, int64_t budget, bool countElapsed);

// The steps a silent run from the rewound song would take to its end, worked out from
// the survey of its tracks, with the clock left as that run would leave it. -1 when the
// run would not end within budget steps.
int64_t measureSteps(Sequencer& seq, SongSurvey& survey, int64_t budget);

// The seek as the seek bar performs it: all notes off, snapshot, silent run to the new
// position, resend. Does nothing unless the song plays (a paused song plays). The silent
// run goes on a copy of the song state without the step lock, so the playback thread
// keeps its schedule; the lock is held to take the copy and to put the result in place,
// with the all notes off and the resend, so nothing of the seek interleaves with a step.
void seekSong(Sequencer& seq, uint32_t percent);
// Its three phases, for tests that play live steps in between. beginSeek copies the song
// state (false when the song does not play); replaySeek runs the silent steps on the
// copy; finishSeek puts the result in place and resends, unless the song has stopped
// meanwhile. The caller holds seekLock throughout.
bool beginSeek(Sequencer& seq);
void replaySeek(Sequencer& seq, uint32_t percent);
void finishSeek(Sequencer& seq);

// Loader. A refused song leaves its reason in seq.loadFailure.
bool loadSong(Sequencer& seq, const char* path);
// The same for a file's bytes in memory; loadSong reads the file and calls it.
bool loadSongFromMemory(Sequencer& seq, const uint8_t* bytes, size_t size);
// loadSong for the player's commands: a song that fails part way is released too, so no
// half-read song stays loaded.
bool loadWholeSong(Sequencer& seq, const char* path);
bool unloadSong(Sequencer& seq);
