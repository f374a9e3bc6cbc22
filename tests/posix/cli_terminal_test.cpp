// orvanel-play in a terminal: keys typed early or arriving in pieces, keys beside a song
// piped in, a stop with Ctrl-Z and the continue, lines that fit the terminal's width as it
// changes, a hang-up during a render, the help's width and nothing of the ALSA library's
// own on standard error.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <thread>

#include "tests/posix/support/run_program.h"
#include "tests/support/smf_builder.h"

std::string scratchPath(const char* name);

namespace {

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

// A song on standard input leaves the keys to the terminal the player runs in.
TEST(CliTerminal, ASongOnStandardInputTakesItsKeysFromTheTerminal) {
    const std::string song = heldNoteSong("stdin.mid", 6000);
    TerminalProgram player({builtProgram("orvanel-play"), "--device=log", "-"}, scratchPath("stdin.log"), song);
    player.type("+");
    EXPECT_TRUE(player.waitFor("key +1")) << player.shown();
    player.type("q");
    EXPECT_EQ(player.waitForExit(), 0);
    EXPECT_TRUE(player.terminalLeftCooked());
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
    // running: shown that many times once under way (a fast render's progress leaps by several per cent).
    const struct { const char* how; std::string device; const char* running; int times; int exit; } cases[] = {
        {"playing", "--device=log", "speed 100%", 1, 0},
        {"rendering", "--device=wav:" + scratchPath("stop.wav"), " / 10:00", 2, 130},  // q stops a render
    };
    for (const auto& c : cases) {
        if (c.exit && !haveSoundFont()) continue;
        const std::string script = "set -m; \"$0\" $1 \"$2\" > \"$3\"; echo \"stopped $?\"; "
                                   "stty -a | grep -q ' icanon' && stty -a | grep -q ' echo ' && echo cooked; "
                                   "fg > /dev/null; echo \"ended $?\"";
        TerminalProgram shell({"bash", "-c", script, builtProgram("orvanel-play"), c.device, song, log});
        ASSERT_TRUE(shell.waitFor(c.running, c.times)) << c.how << "\n" << shell.shown();
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

// Drawn at 30 columns, the status line and the keys' lines keep within 29; widened,
// the whole status line is back.
TEST(CliTerminal, StatusAndKeyLinesFitTheTerminalAsItChanges) {
    const std::string song = heldNoteSong("wide.mid", 6000);
    TerminalProgram player({builtProgram("orvanel-play"), "--device=log", song}, scratchPath("wide.log"));
    player.resize(30);
    ASSERT_TRUE(player.waitFor("00:01 / 01:00")) << player.shown();
    player.type("?");  // the keys again, a second after the resize
    ASSERT_TRUE(player.waitFor("00:02 / 01:00")) << player.shown();
    const std::string narrow = player.shown();
    player.resize(100);
    EXPECT_TRUE(player.waitFor("normal")) << player.shown();
    player.type("q");
    EXPECT_EQ(player.waitForExit(), 0);
    size_t lines = 0, from = narrow.find("00:01 / ");
    for (size_t end; from < narrow.size() && (end = narrow.find_first_of("\r\n", from)) != std::string::npos;
         from = end + 1) {
        const std::string line = narrow.substr(from, end - from);
        if (line.find(" / ") == std::string::npos && line.find("keys:") == std::string::npos) continue;
        EXPECT_LT(line.substr(0, line.find("\x1b[K")).size(), 30u) << line;
        ++lines;
    }
    EXPECT_GT(lines, 3u) << narrow;
}

// The terminal of a render closed: the file in progress goes, as on Ctrl-C.
TEST(CliTerminal, AHangUpRemovesTheRendersFileInProgress) {
    if (!haveSoundFont()) GTEST_SKIP() << "no General MIDI SoundFont";
    const std::string song = heldNoteSong("hangup.mid", 60000);  // ten minutes
    const std::string out = scratchPath("hangup-out");
    mkdir(out.c_str(), 0755);
    TerminalProgram player({builtProgram("orvanel-play"), "--device=wav:" + out + "/", song});
    // Under way once its progress line has moved on: a fast render leaps by several per cent.
    ASSERT_TRUE(player.waitFor(" / 10:00", 2)) << player.shown();
    player.signal(SIGHUP);
    EXPECT_EQ(player.waitForExit(), 128 + SIGHUP);
    EXPECT_TRUE(player.terminalLeftCooked());
    EXPECT_EQ(rmdir(out.c_str()), 0) << "a file is left in " << out;
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
