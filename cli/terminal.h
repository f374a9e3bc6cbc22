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

// Puts standard input into raw mode for its lifetime, when it is a terminal.
class RawKeyboard {
public:
    RawKeyboard();
    ~RawKeyboard();
    RawKeyboard(const RawKeyboard&) = delete;
    RawKeyboard& operator=(const RawKeyboard&) = delete;
    bool active() const { return active_; }
    // Waits up to timeoutMs for a key.
    Key poll(int timeoutMs);

private:
    bool active_ = false;
    char saved_[64] = {};  // struct termios, kept opaque here
};

// Ends a status line drawn in place and puts the terminal back as it was before raw mode;
// async-signal-safe, for a handler that ends the program at once.
void restoreTerminalInSignal();

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

