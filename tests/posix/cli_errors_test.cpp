// orvanel-play as a user meets it: every failure one line "orvanel-play: FILE: REASON"
// with its exit code, found before any device opens; paths shown as they are on disk;
// --timing counted from the loop; the terminal left clean at every way out.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <csignal>
#include <fstream>
#include <sstream>

#include "platform/posix/device_table.h"
#include "tests/posix/support/run_program.h"
#include "tests/support/smf_builder.h"

std::string scratchPath(const char* name);

namespace {

using Lines = std::vector<std::string>;

// A song of one note held for `steps` steps of 10 ms (one tick a step).
Bytes heldNote(uint32_t steps) {
    Track t;
    t.tempo(0, 480000).ev(0, {0x90, 60, 100}).ev(steps, {0x80, 60, 0}).end(0);
    return buildSmf(48, {t});
}

std::string write(const std::string& path, const Bytes& bytes) {
    EXPECT_TRUE(writeBytes(path, bytes)) << path;
    return path;
}

TEST(CliErrors, EachFailureNamesTheFileAndTheReasonWithItsExitCode) {
    const std::string dir = scratchPath("errors");
    mkdir(dir.c_str(), 0755);
    const std::string song = write(dir + "/good.mid", heldNote(2));
    const std::string locked = write(dir + "/locked.mid", heldNote(2));
    chmod(locked.c_str(), 0);
    const std::string text = write(dir + "/notes.mid", Bytes(200, 'x'));
    Bytes cutBytes = heldNote(2);
    cutBytes.resize(cutBytes.size() - 3);
    const std::string cut = write(dir + "/cut.mid", cutBytes);
    const std::string empty = dir + "/empty";
    mkdir(empty.c_str(), 0755);
    const std::string lockedDir = dir + "/locked";
    mkdir(lockedDir.c_str(), 0);
    write(empty + "/readme.txt", Bytes(10, 'x'));
    std::string devices = "devices: log";
    bool hasSynth = false;
    for (const DeviceRow& row : nativeDeviceRows()) {
        devices += std::string(" ") + row.name;
        hasSynth = hasSynth || std::string(row.name) == "synth";
    }

    // Without --device the default output would be tried: here there is none, so only a
    // check before it gives 1 and the file's reason.
    // errLines: all that standard error holds, when that is known (0: not checked).
    const struct { std::string args; int exit; bool onStdout; std::string line; size_t errLines; } cases[] = {
        {"/no/such.mid", 1, false, "orvanel-play: /no/such.mid: No such file or directory", 1},
        {locked, 1, false, "orvanel-play: " + locked + ": Permission denied", 1},
        {text, 1, false, "orvanel-play: " + text + ": not a MIDI file", 1},
        {cut, 1, false, "orvanel-play: " + cut + ": truncated MIDI file", 1},
        {empty, 1, false, "orvanel-play: " + empty + ": no songs found", 1},
        // A folder that cannot be listed is not one without songs.
        {lockedDir, 1, false, "orvanel-play: " + lockedDir + ": Permission denied", 1},
        // A read that fails: the system's reason, not what the bytes read so far look like.
        {"/proc/self/mem", 1, false, "orvanel-play: /proc/self/mem: Input/output error", 1},
        // A folder among files gives its songs in its place.
        {empty + " " + text, 1, false, "orvanel-play: " + empty + ": no songs found", 2},
        {"--device=log --fast " + song + " " + dir, 1, false, "orvanel-play: " + text + ": not a MIDI file", 0},
        {"--bogus " + song, 2, false, "orvanel-play: unknown option '--bogus'", 2},
        {"-x " + song, 2, false, "orvanel-play: unknown option '-x'", 2},
        {"--device=bogus " + song, 2, false, "orvanel-play: unknown device \"bogus\" (" + devices + ")", 1},
        // The live synth, chosen by the SoundFont, says why it cannot load it.
        {"--soundfont " + dir + " " + song, 3, false, "orvanel-play: cannot read SoundFont " + dir + ": Is a directory", 1},
        {"-h", 0, true, "usage: orvanel-play [options] FILE... | FOLDER", 0},
        {"--version", 0, true, "orvanel-play " + projectVersion(), 0},
        {"-V", 0, true, "orvanel-play " + projectVersion(), 0},
    };
    const bool canDeny = permissionsCanBeDenied();
    for (const auto& c : cases) {
        if (((c.args == locked || c.args == lockedDir) && !canDeny) || (c.args.find("--soundfont") == 0 && !hasSynth))
            continue;
        ProgramRun run;
        run.args = playerArgs(c.args);
        run.ownerPermissionsOnly = true;
        const ProgramResult r = runProgram(run);
        EXPECT_EQ(r.exitCode, c.exit) << c.args << "\n" << r.err;
        const Lines lines = c.onStdout ? r.outLines() : r.errLines();
        EXPECT_NE(std::find(lines.begin(), lines.end(), c.line), lines.end()) << c.args << "\n" << r.out << r.err;
        if (c.errLines) {
            EXPECT_EQ(r.errLines().size(), c.errLines) << c.args << "\n" << r.err;
        }
    }
    chmod(locked.c_str(), 0644);
    chmod(lockedDir.c_str(), 0755);
}

TEST(CliErrors, PathsAreShownAsTheyAreOnDisk) {
    const std::string root = scratchPath("Mixed");
    for (const char* folder : {"", "/Disc One", "/Disc One/Bonus"}) mkdir((root + folder).c_str(), 0755);
    for (const char* name : {"/Disc One/Track01.MID", "/Disc One/Bonus/Hidden.Midi", "/b.rmi",
                             "/Disc One/\xE3\x82\xB2\xE3\x83\xBC\xE3\x83\xA0.mid", "/bad\xFF.mid"})  // ゲーム
        write(root + name, heldNote(2));
    write(root + "/Disc One/Broken.mid", Bytes(20, 'x'));
    const ProgramResult r = runPlayer("--device=log --fast --full-path --verbose " + root);
    EXPECT_EQ(r.exitCode, 1);  // one song did not load
    int shown = 0, escaped = 0;
    for (std::string line : r.errLines()) {
        const size_t at = line.find(root);
        if (at == std::string::npos) continue;
        line = line.substr(at);
        line = line.substr(0, std::min(line.find(": "), line.rfind(" (")));  // a reason, a song's length
        struct stat st;
        if (line == root + "/bad\\xFF.mid")
            ++escaped;  // not UTF-8
        else
            EXPECT_EQ(stat(line.c_str(), &st), 0) << line << " does not exist";
        ++shown;
    }
    // Each song as it is taken and as it starts; the broken one as taken, skipped and why.
    EXPECT_EQ(shown, 5 * 2 + 3);
    EXPECT_EQ(escaped, 2);
}

TEST(CliErrors, TimingCountsFromTheLoopForEveryLine) {
    const std::string song = write(scratchPath("timing.mid"), heldNote(3));
    const ProgramResult r = runPlayer("--device=log --timing " + song);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const Lines lines = r.outLines();
    ASSERT_GT(lines.size(), 17u * 2);  // a panic before and after the song
    for (const std::string& line : lines) {
        std::istringstream in(line);
        long long step = -1, micros = -1;
        ASSERT_TRUE(in >> step >> micros) << line;
        // Not the system's clock: a few seconds at most, on the busiest machine.
        EXPECT_GE(micros, 0) << line;
        EXPECT_LT(micros, 20 * 1000 * 1000) << line;
    }
}

// On a pseudo terminal with its status line: whichever way the run ends, the status line
// is ended by a newline, the terminal is back in its normal modes, and the device got its
// panic, all of its lines written out.
TEST(CliErrors, EveryWayOutLeavesTheTerminalClean) {
    const std::string folder = scratchPath("wayout");
    mkdir(folder.c_str(), 0755);
    write(folder + "/minute.mid", heldNote(6000));
    const std::string minute = folder + "/minute.mid";
    const std::string shortSong = write(scratchPath("short.mid"), heldNote(100));
    const std::string log = scratchPath("wayout.log");
    const struct { const char* how; std::string target; std::string keys; int signal; int exit; } cases[] = {
        {"end", shortSong, "", 0, 0},          {"q in a folder", folder, "q", 0, 0},
        {"s in a folder", folder, "s", 0, 0},  {"Ctrl-C in a folder", folder, "\x03", 0, 130},
        {"q on a song", minute, "q", 0, 0},    {"Ctrl-\\ on a song", minute, "\x1c", 0, 128 + SIGQUIT},
        {"hang-up on a song", minute, "", SIGHUP, 128 + SIGHUP},
        {"hang-up in a folder", folder, "", SIGHUP, 128 + SIGHUP},
        {"TERM on a song", minute, "", SIGTERM, 130},
    };
    for (const auto& c : cases) {
        TerminalProgram player({builtProgram("orvanel-play"), "--device=log", c.target}, log);
        ASSERT_TRUE(player.waitFor("speed 100%")) << c.how << ": no status line\n" << player.shown();
        player.type(c.keys);
        if (c.signal) player.signal(c.signal);
        EXPECT_EQ(player.waitForExit(), c.exit) << c.how;
        const std::string& shown = player.shown();
        const size_t lastStatus = shown.rfind("speed 100%");
        EXPECT_NE(shown.find('\n', lastStatus), std::string::npos) << c.how << ": status line left open";
        EXPECT_TRUE(player.terminalLeftCooked()) << c.how;
        std::ifstream in(log);
        Lines lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        ASSERT_GE(lines.size(), 2u) << c.how;
        EXPECT_NE(lines[lines.size() - 2].find(" BF 7B 00"), std::string::npos) << c.how;
        EXPECT_NE(lines.back().find(" F0 41 10 42 12 40 00 7F 00 41 F7"), std::string::npos) << c.how;
    }
}

}  // namespace
