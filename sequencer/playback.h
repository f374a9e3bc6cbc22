#pragma once
// Real-time playback: a thread that steps the sequencer on a fixed period (10 ms of song
// time a step; 20, 10 or 5 ms of wall time by the speed), keeps the play time and the
// seek bar up to date, and puts the transport back when the song stops.
#include <cstdint>
#include <thread>

#include "platform/playback_platform.h"

class LineSink;
struct ControlFlags;
struct Sequencer;
struct Settings;

extern const int32_t speedTable[3];  // percent
// Wall milliseconds per step at speedTable[index]: 10 x 100 / speed, rounded.
uint32_t stepPeriodMs(int32_t speedIndex);

// The play time as the window shows it, "%02d:%02d / %02d:%02d"; returns its length.
int formatPlayTime(char (&text)[32], int32_t shownSeconds, int32_t totalSeconds);

// The window's transport controls as the playback thread sees them.
class TransportView {
public:
    virtual ~TransportView() = default;
    virtual void showSeekPosition(int32_t percent) = 0;
    virtual void enableSeekBar(bool enabled) = 0;
    // At the thread's end: "play" and "autoplay". playNumber tells which playback ended, so
    // the captions of one that is no longer the current one can be dropped.
    virtual void setTransportCaptions(const char* playCaption, const char* autoplayCaption,
                                      uint32_t playNumber) = 0;
    // The readouts: "%02d:%02d / %02d:%02d" drawn, and the end of playback.
    virtual void showPlayTime(int32_t shownSeconds, int32_t totalSeconds) = 0;
    virtual void clearReadouts() = 0;
};

// Hooks around each live step, on the playback thread (the terminal player numbers the
// log device's lines and runs its scripted seeks here). Optional.
class StepObserver {
public:
    virtual ~StepObserver() = default;
    virtual void beforeStep(uint32_t stepNumber) = 0;
    virtual void afterStep(uint32_t stepNumber) = 0;
};

struct Playback {
    Sequencer* seq = nullptr;
    const Settings* settings = nullptr;
    ControlFlags* flags = nullptr;
    PlaybackPlatform* platform = nullptr;
    TransportView* view = nullptr;      // may be null
    StepObserver* observer = nullptr;   // may be null
    LineSink* tempoReadout = nullptr;   // where the interpreter writes the tempo line; may be null
    bool timeCritical = true;  // the priority the next thread asks for
    // Counts the playbacks started; the user-interface thread's alone.
    uint32_t playNumber = 0;
    std::thread thread;
};

// The thread's body: runs while seq->playing is set.
void playbackThread(Playback& pb, uint32_t playNumber = 0);

// Starts a loaded song: the reset message first when asked (then 50 ms), rewind, and the
// thread at time-critical priority. withReset false is the play button's way: no reset,
// highest priority. False when a thread still runs.
bool startPlayback(Playback& pb, bool withReset = true);

// Clears playing and waits until the thread has left (joined), so the caller may touch
// the song. Safe when no thread runs.
void stopPlayback(Playback& pb);

// Joins a thread that has ended by itself, so a new one may start.
void reapPlayback(Playback& pb);

// The port's panic (all notes off, reset message, shadow to its defaults) under the step
// lock, so it never rewrites the shadow while a step of a still running thread records
// into it.
void panicSong(Sequencer& seq, uint8_t resetType);
// All notes off on the 16 channels, apart from any step of the playback thread.
void allNotesOffSong(Sequencer& seq);
