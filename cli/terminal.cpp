#include "cli/terminal.h"

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <csignal>
#include <cstring>

#include "shell/messages.h"

static_assert(sizeof(termios) <= 64, "termios must fit the saved state");

Key decodeKey(const char* b, size_t n) {
    if (n == 0) return Key::None;
    if (n >= 3 && b[0] == 27 && b[1] == '[') {
        switch (b[2]) {
        case 'A': return Key::SpeedUp;
        case 'B': return Key::SpeedDown;
        case 'C': return Key::SeekForward;
        case 'D': return Key::SeekBack;
        default: return Key::None;
        }
    }
    switch (b[0]) {
    case ' ': case 'p': return Key::Pause;
    case 's': return Key::Stop;
    case 'n': return Key::Next;
    case '?': return Key::Help;
    case 'q': case 27: return Key::Quit;
    case ',': return Key::SeekBack;
    case '.': return Key::SeekForward;
    case ']': return Key::SpeedUp;
    case '[': return Key::SpeedDown;
    case '+': case '=': return Key::KeyUp;
    case '-': return Key::KeyDown;
    case 'l': return Key::Loop;
    default: return Key::None;
    }
}

namespace {
// The terminal's settings before raw mode, for a signal handler that must put them back
// without the keyboard object. Written before raw mode is entered, read only after.
termios savedForSignal;
volatile sig_atomic_t rawModeOn = 0;
// A status line drawn in place and not yet ended: a program ended from a signal handler
// ends it, so the shell's prompt starts on a line of its own.
volatile sig_atomic_t statusDrawnForSignal = 0;
}  // namespace

RawKeyboard::RawKeyboard() {
    if (!isatty(STDIN_FILENO)) return;
    termios t;
    if (tcgetattr(STDIN_FILENO, &t) != 0) return;
    std::memcpy(saved_, &t, sizeof t);
    savedForSignal = t;
    t.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    active_ = tcsetattr(STDIN_FILENO, TCSANOW, &t) == 0;
    rawModeOn = active_;
}

void restoreTerminalInSignal() {
    if (statusDrawnForSignal) {
        const ssize_t ignored = write(STDERR_FILENO, "\n", 1);
        (void)ignored;
    }
    if (rawModeOn) tcsetattr(STDIN_FILENO, TCSANOW, &savedForSignal);
}

RawKeyboard::~RawKeyboard() {
    if (!active_) return;
    rawModeOn = 0;
    termios t;
    std::memcpy(&t, saved_, sizeof t);
    tcsetattr(STDIN_FILENO, TCSANOW, &t);
}

Key RawKeyboard::poll(int timeoutMs) {
    if (!active_) {
        ::poll(nullptr, 0, timeoutMs);
        return Key::None;
    }
    pollfd p{STDIN_FILENO, POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) <= 0) return Key::None;
    // One key a call, so keys typed quickly are all taken in turn; an arrow key's escape
    // sequence arrives whole.
    char buf[3];
    if (read(STDIN_FILENO, buf, 1) != 1) return Key::None;
    size_t n = 1;
    if (buf[0] == 27 && ::poll(&p, 1, 0) > 0) {
        const ssize_t more = read(STDIN_FILENO, buf + 1, 2);
        if (more > 0) n += static_cast<size_t>(more);
    }
    return decodeKey(buf, n);
}

void ReadoutSurface::textOut(int, int y, FontId, const char* text, int len) {
    std::lock_guard<std::mutex> hold(lock_);
    (y < 159 ? tempo_ : time_).assign(text, static_cast<size_t>(len));
}

std::string ReadoutSurface::tempo() const {
    std::lock_guard<std::mutex> hold(lock_);
    return tempo_;
}

std::string ReadoutSurface::time() const {
    std::lock_guard<std::mutex> hold(lock_);
    return time_;
}

void ReadoutSurface::clear() {
    std::lock_guard<std::mutex> hold(lock_);
    tempo_.clear();
    time_.clear();
}

void StatusLine::showPlayTime(int32_t shown, int32_t total) {
    char text[32];
    const int len = formatPlayTime(text, shown, total);
    readouts.textOut(212, 159, FontId::Panel, text, len);
}

void StatusLine::draw(const char* extra, int speedPercent, int keyShift, int loopMode, bool paused) {
    std::lock_guard<std::mutex> hold(lock_);
    const std::string time = readouts.time(), tempo = readouts.tempo();
    std::fprintf(out_, "%s%s  %s  speed %d%%  key %+d  %s%s%s%s", inPlace_ ? "\r" : "",
                 time.empty() ? "--:-- / --:--" : time.c_str(), tempo.empty() ? "tempo -" : tempo.c_str(),
                 speedPercent, keyShift, kLoopModeNames[loopMode & 3], paused ? "  [break]" : "",
                 extra && *extra ? "  " : "", extra ? extra : "");
    std::fputs(inPlace_ ? "\x1b[K" : "\n", out_);
    std::fflush(out_);
    drawn_ = inPlace_;
    statusDrawnForSignal = drawn_;
}

void StatusLine::finish() {
    std::lock_guard<std::mutex> hold(lock_);
    if (drawn_) std::fputs("\n", out_);
    drawn_ = false;
    statusDrawnForSignal = 0;
    std::fflush(out_);
}

void StatusLine::printLine(const char* text) {
    std::lock_guard<std::mutex> hold(lock_);
    std::fprintf(out_, "%s%s\n", drawn_ ? "\n" : "", text);
    drawn_ = false;
    statusDrawnForSignal = 0;
    std::fflush(out_);
}
