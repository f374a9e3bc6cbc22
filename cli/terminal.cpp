#include "cli/terminal.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <pthread.h>

#include <atomic>
#include <csignal>
#include <cstring>

#include "shell/messages.h"

static_assert(sizeof(termios) <= 64, "termios must fit the saved state");

Key decodeKey(const char* b, size_t n) {
    if (n == 0) return Key::None;
    // ESC [ A, or ESC O A from a terminal in application cursor mode.
    if (n >= 3 && b[0] == 27 && (b[1] == '[' || b[1] == 'O')) {
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
termios rawForSignal;  // raw mode as entered, for a handler that takes it again
// Lock-free atomics: a handler may run on any thread, while the main thread writes them.
std::atomic<bool> rawModeOn{false};
// Where the keys come from: standard input, or the controlling terminal when a song took
// standard input. Set before raw mode is entered, like the settings above.
std::atomic<int> keyFd{STDIN_FILENO};
// A status line drawn in place and not yet ended: a program ended from a signal handler
// ends it, so the shell's prompt starts on a line of its own.
std::atomic<bool> statusDrawnForSignal{false};
}  // namespace

RawKeyboard::RawKeyboard(bool standardInputTaken) {
    int fd = STDIN_FILENO;
    if (!isatty(fd)) {
        // A song piped in leaves the keys to the terminal the program runs in, if any.
        if (!standardInputTaken) return;
        fd = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) return;
        if (!isatty(fd)) {
            close(fd);
            return;
        }
        ownFd_ = true;
    }
    fd_ = fd;
    keyFd = fd;
    termios t;
    if (tcgetattr(fd_, &t) != 0) return;
    std::memcpy(saved_, &t, sizeof t);
    savedForSignal = t;
    terminal_ = true;
    enter();
}

bool RawKeyboard::enter() {
    // A program in the background may neither change the terminal nor read from it.
    if (!terminal_ || tcgetpgrp(fd_) != getpgrp()) return false;
    termios t;
    std::memcpy(&t, saved_, sizeof t);
    t.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    rawForSignal = t;
    // TCSANOW, not TCSAFLUSH: a key typed while the program started is still to be read.
    active_ = tcsetattr(fd_, TCSANOW, &t) == 0;
    rawModeOn = active_;
    return active_;
}

void restoreTerminalInSignal() {
    if (statusDrawnForSignal) {
        const ssize_t ignored = write(STDERR_FILENO, "\n", 1);
        (void)ignored;
    }
    if (rawModeOn) tcsetattr(keyFd, TCSANOW, &savedForSignal);
}

void stopInSignal() {
    const bool raw = rawModeOn;
    restoreTerminalInSignal();
    statusDrawnForSignal = false;
    struct sigaction stop = {}, ours = {};
    sigemptyset(&stop.sa_mask);
    stop.sa_handler = SIG_DFL;
    sigaction(SIGTSTP, &stop, &ours);
    sigset_t tstp;
    sigemptyset(&tstp);
    sigaddset(&tstp, SIGTSTP);
    pthread_sigmask(SIG_UNBLOCK, &tstp, nullptr);
    raise(SIGTSTP);  // returns once continued
    sigaction(SIGTSTP, &ours, nullptr);
    if (raw && tcgetpgrp(keyFd) == getpgrp()) tcsetattr(keyFd, TCSANOW, &rawForSignal);
}

void RawKeyboard::release() {
    if (!active_) return;
    active_ = false;
    rawModeOn = false;
    termios t;
    std::memcpy(&t, saved_, sizeof t);
    tcsetattr(fd_, TCSANOW, &t);
}

void RawKeyboard::resume() {
    if (!active_) enter();
}

RawKeyboard::~RawKeyboard() {
    release();
    if (ownFd_) {
        keyFd = STDIN_FILENO;
        close(fd_);
    }
}

namespace {
// One more byte of a key on fd within waitMs, or -1.
int nextByte(int fd, int waitMs) {
    pollfd p{fd, POLLIN, 0};
    unsigned char c;
    if (::poll(&p, 1, waitMs) <= 0 || read(fd, &c, 1) != 1) return -1;
    return c;
}
}  // namespace

Key RawKeyboard::poll(int timeoutMs) {
    if (!active_) {
        ::poll(nullptr, 0, timeoutMs);
        return Key::None;
    }
    // One key a call, so keys typed quickly are all taken in turn. The rest of an arrow
    // key's escape sequence may arrive apart from its ESC (a slow link, a loaded machine).
    const int first = nextByte(fd_, timeoutMs);
    if (first < 0) return Key::None;
    char buf[3] = {static_cast<char>(first)};
    size_t n = 1;
    if (first == 27) {
        const int second = nextByte(fd_, kEscapeWaitMs);
        if (second == '[' || second == 'O') {
            buf[n++] = static_cast<char>(second);
            const int third = nextByte(fd_, kEscapeWaitMs);
            if (third >= 0) buf[n++] = static_cast<char>(third);
        } else if (second >= 0) {
            // ESC then another key: the quit key; what follows no longer matters.
            return Key::Quit;
        }
    }
    return decodeKey(buf, n);
}

int terminalColumns(int fd) {
    winsize size{};
    if (ioctl(fd, TIOCGWINSZ, &size) != 0) return 0;
    return size.ws_col;
}

namespace {
// The length of the valid UTF-8 character at s (n bytes left), 0 when it is not one.
size_t utf8Length(const unsigned char* s, size_t n) {
    const unsigned char c = s[0];
    size_t length;
    unsigned char lo = 0x80, hi = 0xBF;  // the second byte's range
    if (c < 0x80) return 1;
    if (c >= 0xC2 && c <= 0xDF) length = 2;
    else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        if (c == 0xE0) lo = 0xA0;
        if (c == 0xED) hi = 0x9F;  // no surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        if (c == 0xF0) lo = 0x90;
        if (c == 0xF4) hi = 0x8F;
    } else {
        return 0;
    }
    if (n < length || s[1] < lo || s[1] > hi) return 0;
    for (size_t i = 2; i < length; ++i)
        if ((s[i] & 0xC0) != 0x80) return 0;
    return length;
}
}  // namespace

std::string displayPath(const char* path) {
    std::string out;
    const unsigned char* s = reinterpret_cast<const unsigned char*>(path);
    size_t left = std::strlen(path);
    while (left > 0) {
        const size_t length = utf8Length(s, left);
        // C0 and C1 controls and DEL would act on the terminal.
        const bool control = length == 1 ? (s[0] < 0x20 || s[0] == 0x7F) : length == 2 && s[0] == 0xC2 && s[1] < 0xA0;
        if (length == 0 || control) {
            const size_t escaped = length ? length : 1;
            for (size_t i = 0; i < escaped; ++i) {
                char hex[8];
                std::snprintf(hex, sizeof hex, "\\x%02X", s[i]);
                out += hex;
            }
            s += escaped;
            left -= escaped;
            continue;
        }
        out.append(reinterpret_cast<const char*>(s), length);
        s += length;
        left -= length;
    }
    return out;
}

std::string playingLine(const char* place, const char* path, int32_t seconds) {
    if (seconds > 5999) seconds = 5999;  // 99:59, as the play time shows it
    if (seconds < 0) seconds = 0;
    char length[16];
    std::snprintf(length, sizeof length, "%02d:%02d", int(seconds / 60), int(seconds % 60));
    return std::string("playing ") + place + ": " + displayPath(path) + " (" + length + ")";
}

std::string keysText(int columns) {
    static const char* const keys[] = {"space pause", "n next", "s stop", "q quit", "<- -> seek 5%",
                                       "up/down speed", "+/- key shift", "l loop mode", "? keys"};
    const size_t indent = 5;  // "keys:", and as many spaces on the lines after
    std::string text, line = "keys:";
    for (const char* key : keys) {
        const size_t width = std::strlen(key);
        // A key that fits no line starts its own all the same.
        if (columns > 0 && line.size() > indent && line.size() + 2 + width > size_t(columns - 1)) {
            text += line + "\n";
            line.assign(indent, ' ');
        }
        line += std::string("  ") + key;
    }
    return text + line + "\n";
}

std::string fitColumns(const std::string& line, int columns) {
    if (columns <= 1) return line;
    size_t characters = 0;
    for (size_t i = 0; i < line.size(); ++i) {
        if ((static_cast<unsigned char>(line[i]) & 0xC0) == 0x80) continue;
        if (++characters == size_t(columns)) return line.substr(0, i);
    }
    return line;
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
    char line[256];
    std::snprintf(line, sizeof line, "%s  %s  speed %d%%  key %+d  %s%s%s%s",
                  time.empty() ? "--:-- / --:--" : time.c_str(), tempo.empty() ? "tempo -" : tempo.c_str(),
                  speedPercent, keyShift, kLoopModeNames[loopMode & 3], paused ? "  [break]" : "",
                  extra && *extra ? "  " : "", extra ? extra : "");
    // A line longer than the terminal would wrap, and every redraw would add a line.
    const std::string shown = inPlace_ ? fitColumns(line, terminalColumns(fileno(out_))) : line;
    std::fprintf(out_, "%s%s%s", inPlace_ ? "\r" : "", shown.c_str(), inPlace_ ? "\x1b[K" : "\n");
    std::fflush(out_);
    drawn_ = inPlace_;
    statusDrawnForSignal = drawn_;
}

void StatusLine::finish() {
    std::lock_guard<std::mutex> hold(lock_);
    if (drawn_) std::fputs("\n", out_);
    drawn_ = false;
    statusDrawnForSignal = false;
    std::fflush(out_);
}

void StatusLine::printLine(const char* text) {
    std::lock_guard<std::mutex> hold(lock_);
    std::fprintf(out_, "%s%s\n", drawn_ ? "\n" : "", text);
    drawn_ = false;
    statusDrawnForSignal = false;
    std::fflush(out_);
}
