// orvanel-play with its keyboard on a pseudo terminal: the key-shift keys silence the
// notes even at the limit of the key shift.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

#include "tests/support/player_fixture.h"

namespace {

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
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (master_ >= 0) close(master_);
    }
    void press(char key) { ASSERT_EQ(write(master_, &key, 1), 1); }
    // Reads output until `count` lines in all have ended in `suffix`, or 5 s have passed.
    bool waitForLines(const char* suffix, int count) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (seen(suffix) < count && std::chrono::steady_clock::now() < end) {
            pollfd p{master_, POLLIN, 0};
            char buf[4096];
            const ssize_t n = poll(&p, 1, 50) > 0 ? read(master_, buf, sizeof buf) : 0;
            if (n > 0) output_.append(buf, size_t(n));
        }
        return seen(suffix) >= count;
    }

private:
    int seen(const char* suffix) const {
        int n = 0;
        for (size_t at = 0; (at = output_.find(suffix, at)) != std::string::npos; ++at) ++n;
        return n;
    }
    int master_ = -1;
    pid_t pid_ = -1;
    std::string output_;
};

TEST(CliKeys, KeyShiftKeysSilenceTheNotesAlsoAtTheLimit) {
    Track t;  // a minute of one held note, one tick a step
    t.tempo(0, 480000).ev(0, {0x90, 60, 100}).ev(6000, {0x80, 60, 0}).end(0);
    const std::string song = scratchPath("minute.mid");
    ASSERT_TRUE(writeBytes(song, buildSmf(48, {t})));
    Player player({"--device=log", song});
    const char* notesOff = " BF 7B 00";  // the last message of each all notes off
    ASSERT_TRUE(player.waitForLines(notesOff, 1));  // the panic before the song
    // Six presses reach +6; the seventh, at the limit, silences the notes all the same.
    for (int press = 1; press <= 7; ++press) {
        player.press('+');
        ASSERT_TRUE(player.waitForLines(notesOff, 1 + press)) << "press " << press;
    }
    player.press('q');
    EXPECT_TRUE(player.waitForLines(notesOff, 9));  // the panic at the close
}

}  // namespace
