// orvanel-play in a terminal and beside one: keys typed early or arriving in pieces, a
// stop with Ctrl-Z and the continue, lines that fit the terminal's width as it changes,
// the log device live through a pipe, and nothing of the ALSA library's own on standard
// error.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <thread>

#include "tests/posix/support/run_program.h"
#include "tests/support/smf_builder.h"

std::string scratchPath(const char* name);

namespace {

using Clock = std::chrono::steady_clock;

// A song of one note held for `steps` steps of 10 ms (one tick a step).
std::string heldNoteSong(const char* name, uint32_t steps) {
    Track t;
    t.tempo(0, 480000).ev(0, {0x90, 60, 100}).ev(steps, {0x80, 60, 0}).end(0);
    const std::string path = scratchPath(name);
    EXPECT_TRUE(writeBytes(path, buildSmf(48, {t})));
    return path;
}

// Keys in pieces, some pause between them: what the terminal must then show.
TEST(CliTerminal, KeysTypedEarlyOrInPiecesAreNotLost) {
    const std::string song = heldNoteSong("keys.mid", 6000);
    const struct { const char* how; std::vector<std::string> pieces; const char* shown; } cases[] = {
        // Typed before the program has even started: raw mode must not flush it.
        {"a key typed at the start", {"+"}, "key +1"},
        // ESC, then the rest of the arrow key 20 ms later: an arrow, not the quit key.
        {"an arrow key in two pieces", {"\x1b", "[A"}, "speed 200%"},
        {"an arrow key in three pieces", {"\x1b", "O", "B"}, "speed 50%"},
    };
    for (const auto& c : cases) {
        TerminalProgram player({builtProgram("orvanel-play"), "--device=log", song}, scratchPath("keys.log"));
        for (size_t i = 0; i < c.pieces.size(); ++i) {
            if (i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
            player.type(c.pieces[i]);
        }
        EXPECT_TRUE(player.waitFor(c.shown)) << c.how << "\n" << player.shown();
        player.type("q");
        EXPECT_EQ(player.waitForExit(), 0) << c.how;
    }
}

bool haveSoundFont() {
    return access("/usr/share/sounds/sf2/FluidR3_GM.sf2", R_OK) == 0 ||
           access("/usr/share/sounds/sf2/TimGM6mb.sf2", R_OK) == 0;
}

// Under a shell with job control: Ctrl-Z gives the terminal back (the notes silenced
// first); fg takes raw mode again, so a key acts without Enter. A render too.
TEST(CliTerminal, CtrlZStopsWithTheTerminalGivenBackAndFgTakesTheKeysAgain) {
    const std::string song = heldNoteSong("stop.mid", 60000);
    const std::string log = scratchPath("stop.log");
    const struct { const char* how; std::string device; const char* running; int exit; } cases[] = {
        {"playing", "--device=log", "speed 100%", 0},
        {"rendering", "--device=wav:" + scratchPath("stop.wav"), "1%", 130},  // q stops a render
    };
    for (const auto& c : cases) {
        if (c.exit && !haveSoundFont()) continue;
        const std::string script = "set -m; \"$0\" $1 \"$2\" > \"$3\"; echo \"stopped $?\"; "
                                   "stty -a | grep -q ' icanon' && stty -a | grep -q ' echo ' && echo cooked; "
                                   "fg > /dev/null; echo \"ended $?\"";
        TerminalProgram shell({"bash", "-c", script, builtProgram("orvanel-play"), c.device, song, log});
        ASSERT_TRUE(shell.waitFor(c.running)) << c.how << "\n" << shell.shown();
        shell.type("\x1a");
        ASSERT_TRUE(shell.waitFor("stopped 148")) << c.how << "\n" << shell.shown();
        EXPECT_TRUE(shell.waitFor("cooked")) << c.how << "\n" << shell.shown();
        if (!c.exit) {
            // The notes were silenced before the stop, and the log written out then.
            FILE* in = std::fopen(log.c_str(), "r");
            ASSERT_NE(in, nullptr);
            std::string last;
            for (char line[256]; std::fgets(line, sizeof line, in);) last = line;
            std::fclose(in);
            EXPECT_NE(last.find(" BF 7B 00"), std::string::npos) << last;
        }
        // Continued: one key, no Enter.
        shell.type("q");
        EXPECT_TRUE(shell.waitFor("ended " + std::to_string(c.exit))) << c.how << "\n" << shell.shown();
        EXPECT_EQ(shell.waitForExit(), 0) << c.how;
    }
}

// The width of the status and key lines: each segment between carriage returns and
// newlines that is one of them.
std::vector<std::string> statusAndKeyLines(const std::string& shown) {
    std::vector<std::string> lines;
    std::string segment;
    for (char c : shown + "\n") {
        if (c != '\r' && c != '\n') {
            segment += c;
            continue;
        }
        const size_t clear = segment.find("\x1b[K");
        if (clear != std::string::npos) segment.erase(clear);
        // The status line starts with the play time, the keys with "keys:" or their indent.
        if (segment.rfind("keys:", 0) == 0 || segment.rfind("     ", 0) == 0 ||
            (segment.size() > 3 && segment[2] == ':' && segment.find(" / ") == 5))
            lines.push_back(segment);
        segment.clear();
    }
    return lines;
}

TEST(CliTerminal, StatusAndKeyLinesFitTheTerminalAsItChanges) {
    const std::string song = heldNoteSong("wide.mid", 6000);
    TerminalProgram player({builtProgram("orvanel-play"), "--device=log", song}, scratchPath("wide.log"));
    player.resize(30);
    ASSERT_TRUE(player.waitFor("00:01 / 01:00")) << player.shown();
    const std::vector<std::string> narrow = statusAndKeyLines(player.shown());
    size_t wide = 0;
    for (size_t at = 0; (at = player.shown().find("normal", at)) != std::string::npos; ++at) ++wide;
    player.resize(100);
    // Widened: the whole status line again.
    EXPECT_TRUE(player.waitFor("normal", int(wide) + 1)) << player.shown();
    player.type("q");
    EXPECT_EQ(player.waitForExit(), 0);
    // Drawn at 30 columns, after what may have come before the new width reached it.
    size_t first = 0;
    while (first < narrow.size() && narrow[first].size() >= 30) ++first;
    EXPECT_LE(first, 1u) << player.shown();
    for (size_t i = first; i < narrow.size(); ++i) EXPECT_LT(narrow[i].size(), 30u) << narrow[i];
    EXPECT_GT(narrow.size() - first, 2u) << player.shown();
}

// A reader of the log device's lines on a pipe sees each as it is played: the first note
// of a ten-second song long before the song ends.
TEST(CliTerminal, TheLogDeviceIsLiveThroughAPipe) {
    const std::string song = heldNoteSong("live.mid", 1000);
    const std::string command = "timeout 60 " + builtProgram("orvanel-play") + " --device=log " + song + " 2>/dev/null";
    const auto start = Clock::now();
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    double firstNote = -1;
    for (char line[256]; std::fgets(line, sizeof line, pipe);) {
        if (firstNote < 0 && std::string(line).find(" 90 3C 64") != std::string::npos)
            firstNote = std::chrono::duration<double>(Clock::now() - start).count();
    }
    const double end = std::chrono::duration<double>(Clock::now() - start).count();
    EXPECT_EQ(pclose(pipe), 0);
    ASSERT_GE(firstNote, 0);
    // Held until the end, the first note would arrive with the last line, after 10 s.
    EXPECT_LT(firstNote, end - 5) << "first note after " << firstNote << " s of " << end;
}

// The terminal of a render closed: the file in progress goes, as on Ctrl-C.
TEST(CliTerminal, AHangUpRemovesTheRendersFileInProgress) {
    if (!haveSoundFont()) GTEST_SKIP() << "no General MIDI SoundFont";
    const std::string song = heldNoteSong("hangup.mid", 60000);  // ten minutes
    const std::string out = scratchPath("hangup-out");
    mkdir(out.c_str(), 0755);
    TerminalProgram player({builtProgram("orvanel-play"), "--device=wav:" + out + "/", song});
    // Under way once its progress line shows a share done.
    ASSERT_TRUE(player.waitFor("1%")) << player.shown();
    player.signal(SIGHUP);
    EXPECT_EQ(player.waitForExit(), 128 + SIGHUP);
    EXPECT_TRUE(player.terminalLeftCooked());
    DIR* dir = opendir(out.c_str());
    ASSERT_NE(dir, nullptr);
    std::vector<std::string> left;
    while (dirent* e = readdir(dir))
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) left.push_back(e->d_name);
    closedir(dir);
    EXPECT_TRUE(left.empty()) << left.front();
}

TEST(CliTerminal, TheHelpFitsEightyColumnsAndTheAlsaLibraryKeepsQuiet) {
    const ProgramResult help = runPlayer("--help");
    EXPECT_EQ(help.exitCode, 0);
    for (const std::string& line : help.outLines()) {
        size_t columns = 0;
        for (char c : line) columns += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
        EXPECT_LE(columns, 80u) << line;
    }
    // A broken ALSA configuration makes the library complain in its own words.
    const std::string song = heldNoteSong("alsa.mid", 2);
    for (const std::string& args : {std::string("--list"), "--device=alsa " + song, "--device=synth " + song}) {
        ProgramRun run;
        run.args = playerArgs(args);
        run.env = {"ALSA_CONFIG_PATH=/nonexistent/alsa.conf"};
        const ProgramResult r = runProgram(run);
        EXPECT_EQ(r.err.find("ALSA lib"), std::string::npos) << args << "\n" << r.err;
    }
}

}  // namespace
