#pragma once
// One run of orvanel-play on the program's records: single songs one after the other, a
// folder run or a run over several files through the autoplay controller, the keys, and
// the waits between them (the main thread sleeps until a song ends, a key arrives or a
// signal comes).
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "cli/options.h"
#include "cli/terminal.h"
#include "shell/program.h"

class LogMidiDevice;

// Wakes the main thread: the end of a playback thread, a signal. One pipe; the write
// end is safe to use from a signal handler.
class Wakeup {
public:
    Wakeup();
    ~Wakeup();
    Wakeup(const Wakeup&) = delete;
    Wakeup& operator=(const Wakeup&) = delete;
    void signal();  // async-signal-safe
    // Sleeps until a wake-up, a key on fd keyFd (-1: none) or timeoutMs (-1: none); empties
    // the pipe. Returns true when the key fd is readable.
    bool wait(int keyFd, int timeoutMs);

private:
    int fds_[2] = {-1, -1};
};

struct Session {
    Program* program = nullptr;
    const PlayOptions* options = nullptr;
    LogMidiDevice* log = nullptr;        // the log device, when that is the output
    StatusLine* status = nullptr;        // a status line on a terminal, or null
    RawKeyboard* keyboard = nullptr;
    Wakeup* wakeup = nullptr;
    const std::atomic<bool>* interrupted = nullptr;
    // Set from signal handlers: Ctrl-Z asks for a stop, a continue for raw mode again.
    std::atomic<bool>* suspendRequested = nullptr;
    std::atomic<bool>* continued = nullptr;
    bool interactive = false;
    bool quiet = false;  // no line per song

    bool quit = false;
    int exitCode = 0;
};

// The place in the list of a run, "12/340" (the song playing and the songs listed so
// far); empty outside a run.
void runPlace(const Program& p, char* out, size_t size);

// Tells that a song has started: "playing 2/5: path (03:10)" on standard error, below the
// status line; nothing when quiet. A folder run names its songs below the folder unless
// the full path is asked for.
void announceSong(Session& s, const char* path);

// Plays the files of the command line (at least one): a folder alone is a folder run,
// several files are a run over the files, one file plays by itself.
void runSession(Session& s);
