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

class LineSink;
struct DisplaySurfaces;
struct Settings;

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

struct LoopPoint {
    struct Track {
        int32_t position = 0;
        int64_t eventTick = 0;
        int32_t trackStart = 0;
        uint8_t trackActive = 0;
    } tracks[kMaxTracks];
    uint8_t activeTracks = 0;
    int64_t tick = 0;
    int32_t bpm = 0;
    int32_t elapsedSteps = 0;
};

struct Sequencer {
    MidiOutPort port;

    // Song (loader).
    std::unique_ptr<SongImage> songImage;
    Relaxed<bool> songLoaded{false};  // read by the animation thread
    Relaxed<int32_t> division{48};    // read by the animation thread
    int32_t trackCount = 0;
    uint8_t loadedTrackCount = 0;
    uint8_t activeTracks = 0;
    int32_t songSteps = 0;
    TrackCursor tracks[kMaxTracks];

    // Clock. The increment and accumulator are 64-bit so that division x bpm never
    // overflows (division up to 65535, bpm up to 60,000,000).
    Relaxed<int32_t> bpm{125};  // read by the animation thread
    int64_t stepIncrement = 6000;
    int64_t tickAccumulator = 0;
    Relaxed<int64_t> tick{0};   // read by the animation thread
    Relaxed<bool> playing{false};
    Relaxed<int32_t> elapsedSteps{0};
    Relaxed<int8_t> loopMode{0};
    bool loopFound = false;
    bool titleTaken = false;
    uint32_t lastMessage = 0;

    uint8_t sysexBuffer[1024] = {};
    LoopPoint loopPoint;

    ChannelState channels[16];
    ChannelState channelSnapshot[16];

    // Collaborators, set by the owner. settings must be set; panel may be null.
    const Settings* settings = nullptr;
    LineSink* panel = nullptr;

    // Keeps a seek and the playback thread's steps apart.
    std::mutex stepLock;
};

// Puts the clock, cursors and channel shadow into their start-up state.
void initSequencer(Sequencer& seq);

// Clock.
void recomputeIncrement(Sequencer& seq);
// display: where the tempo readout is drawn in live steps; null draws nothing.
void step(Sequencer& seq, DisplaySurfaces* display, bool live);
void rewind(Sequencer& seq);
void restoreLoopPoint(Sequencer& seq);
void seekPercent(Sequencer& seq, uint32_t percent);
// Silent steps until the song stops or budget steps have passed; returns the steps
// counted. Stretches where no event can fall due are crossed without stepping.
// countElapsed: also count them in elapsedSteps, as a seek does.
int64_t runSilent(Sequencer& seq, int64_t budget, bool countElapsed);

// The seek as the seek bar performs it: all notes off, snapshot, silent run, resend.
// Takes the step lock, so it may run while the playback thread plays. Does nothing once
// the song has stopped playing (a paused song still plays).
void seekSong(Sequencer& seq, uint32_t percent);

// Loader.
bool loadSong(Sequencer& seq, const char* path);
// The same for a file's bytes in memory; loadSong reads the file and calls it.
bool loadSongFromMemory(Sequencer& seq, const uint8_t* bytes, size_t size);
bool unloadSong(Sequencer& seq);
