#pragma once
// Where the player's status lines and song texts go: the message panel in the window,
// standard error in the terminal player, a recorder in tests; and the tempo line, to a
// readout box.

class LineSink {
public:
    virtual ~LineSink() = default;
    // line: zero-terminated Shift_JIS text.
    virtual void print(const char* line) = 0;
};
