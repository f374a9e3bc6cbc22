// orvanel-play as a running process: a signal ends it at once, in playback and between
// loads, and the key-shift keys silence the notes even at the limit (keys through a
// pseudo terminal).
#include <gtest/gtest.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "tests/support/player_fixture.h"
#include "tools/test_songs.h"

namespace {

using Clock = std::chrono::steady_clock;

// Starts ./orvanel-play with the arguments, its standard streams on the given files.
pid_t spawnPlayer(const std::vector<std::string>& args, int in, int out) {
    const pid_t pid = fork();
    if (pid != 0) return pid;
    setsid();  // out of the test run's session: its terminal's signals are not the child's
    dup2(in, 0);
    dup2(out, 1);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, 2);
    std::vector<char*> argv;
    static char program[] = "./orvanel-play";
    argv.push_back(program);
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
}

// Waits up to timeoutMs for the child's end; its exit code, or -1 when it did not end.
int exitCodeWithin(pid_t pid, int timeoutMs) {
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (Clock::now() > end) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<std::string> lastLines(const std::string& path, size_t n) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    if (lines.size() > n) lines.erase(lines.begin(), lines.end() - long(n));
    return lines;
}

// A minute of one held note, one tick a step.
std::string minuteSong() {
    Track t;
    t.tempo(0, 480000).ev(0, {0x90, 60, 100}).ev(6000, {0x80, 60, 0}).end(0);
    const std::string path = scratchPath("minute.mid");
    EXPECT_TRUE(writeBytes(path, buildSmf(48, {t})));
    return path;
}

TEST(CliProcess, ASignalInPlaybackEndsItAtOnceWithEveryChannelSilenced) {
    const std::string song = minuteSong(), log = scratchPath("signal.log");
    for (int sig : {SIGINT, SIGTERM}) {
        const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int in = open("/dev/null", O_RDONLY);
        const pid_t pid = spawnPlayer({"--device=log", song}, in, out);
        close(in);
        close(out);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        kill(pid, sig);
        EXPECT_EQ(exitCodeWithin(pid, 5000), 130) << strsignal(sig);  // a minute otherwise
        const std::vector<std::string> tail = lastLines(log, 17);
        ASSERT_EQ(tail.size(), 17u);
        EXPECT_NE(tail[15].find(" BF 7B 00"), std::string::npos) << tail[15];
        EXPECT_NE(tail[16].find(" F0 41 10 42 12 40 00 7F 00 41 F7"), std::string::npos) << tail[16];
    }
}

TEST(CliProcess, ASignalBetweenLoadsEndsTheRunAtOnce) {
    // A hundred loads of the slowest hostile song: seconds of loading in all.
    const std::string song = scratchPath("slow-load.mid");
    for (const NamedSong& s : hostileSongs(1048576 - 255 * 8)) {
        if (s.name == "loop-points-255-tracks.mid") {
            ASSERT_TRUE(writeBytes(song, s.bytes));
        }
    }
    std::vector<std::string> args = {"--device=log", "--fast", "--steps", "0"};
    args.insert(args.end(), 100, song);
    const int out = open("/dev/null", O_WRONLY);
    const pid_t pid = spawnPlayer(args, out, out);
    close(out);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const auto signalled = Clock::now();
    kill(pid, SIGTERM);
    EXPECT_EQ(exitCodeWithin(pid, 10000), 130);
    EXPECT_LT(Clock::now() - signalled, std::chrono::seconds(5));
}

// The pseudo terminal's master side: keys go in, the log device's lines come out.
class Terminal {
public:
    Terminal() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ >= 0 && grantpt(master_) == 0 && unlockpt(master_) == 0)
            slave_ = open(ptsname(master_), O_RDWR);
    }
    ~Terminal() {
        if (slave_ >= 0) close(slave_);
        if (master_ >= 0) close(master_);
    }
    int slave() const { return slave_; }
    void press(char key) { ASSERT_EQ(write(master_, &key, 1), 1); }
    // Reads output until `count` lines in all have ended in `suffix`, or 5 s have passed.
    bool waitForLines(const char* suffix, int count) {
        const auto end = Clock::now() + std::chrono::seconds(5);
        while (seen(suffix) < count && Clock::now() < end) {
            pollfd p{master_, POLLIN, 0};
            char buf[4096];
            if (poll(&p, 1, 50) > 0) {
                const ssize_t n = read(master_, buf, sizeof buf);
                if (n > 0) text_.append(buf, size_t(n));
            }
        }
        return seen(suffix) >= count;
    }

private:
    int seen(const char* suffix) const {
        int n = 0;
        for (size_t at = 0; (at = text_.find(suffix, at)) != std::string::npos; ++at) ++n;
        return n;
    }
    int master_ = -1, slave_ = -1;
    std::string text_;
};

TEST(CliProcess, KeyShiftKeysSilenceTheNotesAlsoAtTheLimit) {
    Terminal terminal;
    ASSERT_GE(terminal.slave(), 0);
    const pid_t pid = spawnPlayer({"--device=log", minuteSong()}, terminal.slave(), terminal.slave());
    const char* notesOff = " BF 7B 00";  // the last of each all notes off
    ASSERT_TRUE(terminal.waitForLines(notesOff, 1));  // the panic before the song
    // Six presses reach +6; the seventh, at the limit, silences the notes all the same.
    for (int press = 1; press <= 7; ++press) {
        terminal.press('+');
        ASSERT_TRUE(terminal.waitForLines(notesOff, 1 + press)) << "press " << press;
    }
    terminal.press('q');
    EXPECT_TRUE(terminal.waitForLines(notesOff, 9));  // the panic at the close
    EXPECT_EQ(exitCodeWithin(pid, 5000), 0);
}

}  // namespace
