#pragma once
// The terminal side of orvanel-play: keys in raw mode, and the status line with the
// play time, tempo, speed, key shift and loop mode, redrawn in place on a terminal.
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>

#include "platform/drawing.h"
#include "sequencer/playback.h"

enum class Key { None, Pause, Stop, Next, Help, SeekBack, SeekForward, SpeedUp, SpeedDown, KeyUp, KeyDown, Loop, Quit };

// Maps the bytes of one key press to a key. Arrow keys arrive as ESC [ A..D.
Key decodeKey(const char* bytes, size_t length);

// How long the rest of an arrow key's escape sequence may take to follow its ESC, over a
// slow link; an ESC alone is the quit key after that.
constexpr int kEscapeWaitMs = 100;

// Puts standard input into raw mode for its lifetime, when it is a terminal; when a song
// took standard input (standardInputTaken), the controlling terminal instead. Keys typed
// before are kept: the switch does not flush the input.
class RawKeyboard {
public:
    explicit RawKeyboard(bool standardInputTaken = false);
    ~RawKeyboard();
    RawKeyboard(const RawKeyboard&) = delete;
    RawKeyboard& operator=(const RawKeyboard&) = delete;
    bool active() const { return active_; }
    // The descriptor the keys are read from.
    int fd() const { return fd_; }
    // Waits up to timeoutMs for a key.
    Key poll(int timeoutMs);
    // Gives the terminal back as it was (before the program stops on Ctrl-Z) and takes
    // raw mode again (after it is continued), when the program is in the foreground then.
    void release();
    void resume();

private:
    bool enter();
    int fd_ = 0;             // standard input, or the terminal opened for the keys
    bool ownFd_ = false;     // fd_ was opened here
    bool terminal_ = false;  // fd_ is a terminal whose settings were saved
    bool active_ = false;
    char saved_[64] = {};  // struct termios, kept opaque here
};

// The columns of the terminal on fd, 0 when fd is no terminal or does not say.
int terminalColumns(int fd);

// A path as the terminal shows it: its bytes as they are where they are valid UTF-8;
// any other byte, and control characters, as \xNN escapes, so a name can neither garble
// the line nor move the cursor.
std::string displayPath(const char* path);

// The line that tells a song has started: "playing 2/5: path (03:10)". place is the
// song's place in the run ("2/5"), seconds its length.
std::string playingLine(const char* place, const char* path, int32_t seconds);

// The keys' help, wrapped into lines of at most `columns` columns (no limit: 0).
std::string keysText(int columns);

// Ends a status line drawn in place and puts the terminal back as it was before raw mode;
// async-signal-safe, for a handler that ends the program at once.
void restoreTerminalInSignal();
// Ctrl-Z where no loop can act on it (a render, the check of the arguments): gives the
// terminal back, stops the program, and takes raw mode again once it is continued in
// the foreground. Async-signal-safe, for the SIGTSTP handler itself.
void stopInSignal();

// The line cut to fit `columns` columns of a terminal (at most columns - 1 characters,
// so the cursor never wraps); UTF-8 characters count one column each and are never cut.
std::string fitColumns(const std::string& line, int columns);

// The texts the player draws beside the animation reach the status line through this
// surface: the tempo box and the time box.
class ReadoutSurface : public Surface {
public:
    void fillWhite(int, int, int, int) override {}
    void textOut(int x, int y, FontId font, const char* text, int len) override;
    void copyFrom(int, int, int, int, const Surface&, int, int) override {}
    void rectangle(int, int, int, int, BrushId) override {}
    std::string tempo() const;
    std::string time() const;
    void clear();

private:
    mutable std::mutex lock_;
    std::string tempo_, time_;
};

class StatusLine : public TransportView {
public:
    StatusLine(FILE* out, bool inPlace) : out_(out), inPlace_(inPlace) {}
    // When drawn in place, the line fits the terminal's width, read at each draw.
    void showSeekPosition(int32_t) override {}
    void enableSeekBar(bool) override {}
    void setTransportCaptions(const char*, const char*, uint32_t) override {}
    void showPlayTime(int32_t shown, int32_t total) override;
    void clearReadouts() override { readouts.clear(); }

    // Draws the line from the current state (in place on a terminal).
    void draw(const char* extra, int speedPercent, int keyShift, int loopMode, bool paused);
    // Moves off the status line before other output.
    void finish();
    // A line of its own (no newline in text), below the status line when that is drawn.
    void printLine(const char* text);

    ReadoutSurface readouts;

private:
    std::mutex lock_;
    FILE* out_;
    bool inPlace_;
    bool drawn_ = false;
};

