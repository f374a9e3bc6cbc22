// orvanel-play as a running process on a pseudo terminal: a signal ends it at once, in
// playback and between loads, and the key-shift keys silence the notes even at the limit.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

#include "tests/support/player_fixture.h"
#include "tools/test_songs.h"

namespace {

using Clock = std::chrono::steady_clock;
const char* const kNotesOff = " BF 7B 00";  // the last message of each all notes off

// ./orvanel-play with its input and output on a pseudo terminal: keys go in, the log
// device's lines come out as they are written.
class Player {
public:
    explicit Player(std::vector<std::string> args) {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return;
        args.insert(args.begin(), "./orvanel-play");
        pid_ = fork();
        if (pid_ != 0) return;
        setsid();  // out of the test run's session: its terminal's signals are not the child's
        const int terminal = open(ptsname(master_), O_RDWR);
        dup2(terminal, 0);
        dup2(terminal, 1);
        dup2(open("/dev/null", O_WRONLY), 2);
        close(master_);
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(&a[0]);
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    ~Player() {
        if (pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (master_ >= 0) close(master_);
    }
    void press(char key) { ASSERT_EQ(write(master_, &key, 1), 1); }
    void signal(int sig) { kill(pid_, sig); }
    // Reads output until `count` lines in all have ended in `suffix`, or 5 s have passed.
    bool waitForLines(const char* suffix, int count) {
        const auto end = Clock::now() + std::chrono::seconds(5);
        while (seen(suffix) < count && Clock::now() < end) readSome();
        return seen(suffix) >= count;
    }
    // The exit code once the program has ended, within timeoutMs (-1 otherwise), with all
    // it wrote read.
    int exitCode(int timeoutMs) {
        int status = 0;
        const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (waitpid(pid_, &status, WNOHANG) != pid_) {
            if (Clock::now() > end) return -1;
            readSome();  // so that the program never waits on its output
        }
        pid_ = -1;
        while (readSome() > 0) {
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    const std::string& output() const { return output_; }

private:
    ssize_t readSome() {
        pollfd p{master_, POLLIN, 0};
        char buf[4096];
        const ssize_t n = poll(&p, 1, 50) > 0 ? read(master_, buf, sizeof buf) : 0;
        if (n > 0) output_.append(buf, size_t(n));
        return n;
    }
    int seen(const char* suffix) const {
        int n = 0;
        for (size_t at = 0; (at = output_.find(suffix, at)) != std::string::npos; ++at) ++n;
        return n;
    }
    int master_ = -1;
    pid_t pid_ = -1;
    std::string output_;
};

// A minute of one held note, one tick a step.
std::string minuteSong() {
    Track t;
    t.tempo(0, 480000).ev(0, {0x90, 60, 100}).ev(6000, {0x80, 60, 0}).end(0);
    const std::string path = scratchPath("minute.mid");
    EXPECT_TRUE(writeBytes(path, buildSmf(48, {t})));
    return path;
}

TEST(CliProcess, ASignalInPlaybackEndsItAtOnceWithEveryChannelSilenced) {
    const std::string song = minuteSong();
    for (int sig : {SIGINT, SIGTERM}) {
        Player player({"--device=log", song});
        ASSERT_TRUE(player.waitForLines(" 90 3C 64", 1));  // playing
        player.signal(sig);
        EXPECT_EQ(player.exitCode(5000), 130) << strsignal(sig);  // a minute otherwise
        const std::string& out = player.output();
        const size_t reset = out.rfind(" F0 41 10 42 12 40 00 7F 00 41 F7");
        EXPECT_GT(reset, out.find(" 90 3C 64"));  // the panic at the close
        EXPECT_LT(out.rfind(kNotesOff), reset);
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
    Player player(args);
    ASSERT_TRUE(player.waitForLines(kNotesOff, 2));  // the second file is loading
    const auto signalled = Clock::now();
    player.signal(SIGTERM);
    EXPECT_EQ(player.exitCode(10000), 130);
    EXPECT_LT(Clock::now() - signalled, std::chrono::seconds(5));
}

TEST(CliProcess, KeyShiftKeysSilenceTheNotesAlsoAtTheLimit) {
    Player player({"--device=log", minuteSong()});
    ASSERT_TRUE(player.waitForLines(kNotesOff, 1));  // the panic before the song
    // Six presses reach +6; the seventh, at the limit, silences the notes all the same.
    for (int press = 1; press <= 7; ++press) {
        player.press('+');
        ASSERT_TRUE(player.waitForLines(kNotesOff, 1 + press)) << "press " << press;
    }
    player.press('q');
    EXPECT_EQ(player.exitCode(5000), 0);
    EXPECT_TRUE(player.waitForLines(kNotesOff, 9));  // the panic at the close
}

}  // namespace
