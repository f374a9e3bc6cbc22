// orvanel-play end to end: the log device's lines, the panel lines on standard error,
// the exit codes, and the WAV rendering.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/posix/fluid_engine.h"
#include "tests/posix/support/run_program.h"
#include "tests/support/player_fixture.h"
#include "tools/test_songs.h"

namespace {

using Lines = std::vector<std::string>;

struct CliRun {
    int status = -1;
    Lines out, err;
};

// Runs the build's orvanel-play with the given arguments, through a wrapper when given.
CliRun play(const std::string& args, const std::vector<std::string>& through = {}) {
    const ProgramResult r = runPlayer(args, through);
    return {r.exitCode, r.outLines(), r.errLines()};
}

std::string songFile(const Bytes& bytes, const char* name = "cli.mid") {
    const std::string path = scratchPath(name);
    EXPECT_TRUE(writeBytes(path, bytes));
    return path;
}

const char* const kGsReset = "F0 41 10 42 12 40 00 7F 00 41 F7";

// The panic sent before each file and at the close: the 16 all notes off, then the reset
// message, in the log device's step `step` (the last step of the song before, or 0).
Lines panicAt(int step, const char* reset = kGsReset) {
    Lines out;
    char line[48];
    for (int ch = 0; ch < 16; ++ch) {
        std::snprintf(line, sizeof line, "%d B%X 7B 00", step, ch);
        out.push_back(line);
    }
    out.push_back(std::to_string(step) + " " + reset);
    return out;
}

Lines join(std::initializer_list<Lines> parts) {
    Lines out;
    for (const Lines& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

// One tick a step from the song's first step on.
Track steady() {
    Track t;
    t.tempo(0, 480000);
    return t;
}

TEST(Cli, LogLinesGiveTheStepAndTheBytes) {
    Track t = steady();
    t.meta(0, 0x03, "\x83\x65\x83\x58\x83\x67")  // "テスト" in Shift_JIS
        .ev(0, {0x90, 60, 100})
        .sysex(2, {0x41, 0x10, 0xF7})
        .ev(3, {0x80, 60, 0})
        .ev(0, {0xB0, 111, 0})
        .end(1);
    const std::string song = songFile(buildSmf(48, {t}));
    const CliRun r = play("--device=log --fast -v " + song);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, join({panicAt(0), {"1 90 3C 64", "3 F0 41 10 F7", "6 80 3C 00"}, panicAt(7)}));
    EXPECT_EQ(r.err, (Lines{"playing 1/1: " + song + " (00:00)", "テスト", "found : cc111 - 50 ms"}));
}

TEST(Cli, RewritesChosenOnTheCommandLine) {
    Track t = steady();
    t.ev(0, {0xB0, 0, 127}).ev(0, {0xC0, 48}).ev(0, {0x90, 60, 1}).ev(0, {0x91, 60, 1}).end(1);
    const std::string song = songFile(buildSmf(48, {t}));
    const CliRun r = play("--device=log --fast -q --verbose --bank-mode 2 --key-shift=-3 --key-shift-channels 2 "
                       "--reset-at-start --reset-type 1 " + song);
    EXPECT_EQ(r.status, 0);
    const char* gm = "F0 7E 7F 09 01 F7";
    EXPECT_EQ(r.out, join({panicAt(0, gm), {"0 F0 7E 7F 09 01 F7", "1 C0 30", "1 90 3C 01", "1 91 39 01"},
                           panicAt(2, gm)}));
    EXPECT_EQ(r.err, (Lines{"playing 1/1: " + song + " (00:00)", "cancel MIDI msg 007F00B0", "conv CM-32L to SC"}));
}

TEST(Cli, ScriptedSeeksAndTheStepLimit) {
    Track t = steady();
    t.ev(10, {0xB0, 7, 80}).ev(90, {0xB0, 7, 20}).end(100);
    const std::string song = songFile(buildSmf(48, {t}));
    const CliRun r = play("--device=log --fast --verbose --loop-mode 1 --steps 30 --seek 20:50 " + song);
    EXPECT_EQ(r.status, 0);
    ASSERT_EQ(r.out.size(), 17 + 18 + 17u);
    EXPECT_EQ(r.out[17], "11 B0 07 50");
    EXPECT_EQ(r.out[18], "20 B0 7B 00");
    EXPECT_EQ(r.out[33], "20 BF 7B 00");
    EXPECT_EQ(r.out[34], "20 B0 07 14");  // the module had 80; the seek passed 20
    EXPECT_EQ(Lines(r.out.begin() + 35, r.out.end()), panicAt(30));
    EXPECT_EQ(r.err, (Lines{"playing 1/1: " + song + " (00:02)", "SET SeekBar= 50%", "1ch CC7 = 20"}));
}

TEST(Cli, BadOptionsGiveTheirReasonAndWhereTheUsageIs) {
    for (const char* bad : {"--bogus x.mid", "--key-shift 7 x.mid", "--bank-mode 5 x.mid",
                            "--seek 10 x.mid", "--seek 1:101 x.mid", "--seek 0:50 x.mid", "--key-shift-channels 0 x.mid",
                            "--steps -1 x.mid", "--device=log", "--speed 150 x.mid", "-x x.mid"}) {
        const CliRun r = play(bad);
        EXPECT_EQ(r.status, 2) << bad;
        ASSERT_EQ(r.err.size(), 2u) << bad;
        EXPECT_EQ(r.err[0].rfind("orvanel-play: ", 0), 0u) << bad;
        EXPECT_EQ(r.err[1], "Try 'orvanel-play --help'.") << bad;
    }
}

TEST(Cli, StepsZeroPlaysNothing) {
    Track t = steady();
    t.ev(0, {0x90, 1, 1}).end(1);
    const CliRun r = play("--device=log --fast --steps 0 " + songFile(buildSmf(48, {t})));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, join({panicAt(0), panicAt(0)}));  // before the file, at the close
}

TEST(Cli, AFileThatFailsDoesNotStopTheOthers) {
    Track t = steady();
    t.ev(0, {0x90, 1, 1}).end(1);
    const std::string song = songFile(buildSmf(48, {t}));
    const CliRun r = play("--device=log --fast /no/such.mid " + song + " " + song);
    EXPECT_EQ(r.status, 1);
    // A panic before each song that starts (between songs, outside any step), and one at
    // the close.
    EXPECT_EQ(r.out, join({panicAt(0), {"1 90 01 01"}, panicAt(0), {"1 90 01 01"}, panicAt(0)}));
}

TEST(Cli, ASignalEndsTheRunAtOnceWithEveryChannelSilenced) {
    Track minute = steady();  // a minute of one held note
    minute.ev(0, {0x90, 60, 100}).ev(6000, {0x80, 60, 0}).end(0);
    const std::string song = songFile(buildSmf(48, {minute}));
    std::string loads = " --fast --steps 0";  // a hundred loads of the slowest hostile song
    for (const NamedSong& s : hostileSongs(1048576 - 255 * 8)) {
        if (s.name != "loop-points-255-tracks.mid") continue;
        const std::string slow = songFile(s.bytes, "slow-load.mid");
        for (int i = 0; i < 100; ++i) loads += " " + slow;
    }
    // timeout signals the player and its process group: it gets the signal twice. It waits
    // long enough for a sanitizer build to have started on a loaded machine.
    const struct { const char* signal; std::string args; bool playing; } cases[] = {
        {"INT", " " + song, true}, {"TERM", " " + song, true}, {"TERM", loads, false}};
    for (const auto& c : cases) {
        const auto start = std::chrono::steady_clock::now();
        const CliRun r = play("--device=log" + c.args, {"timeout", "--preserve-status", "-s", c.signal, "1.5"});
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)) << c.signal << c.args.size();
        EXPECT_EQ(r.status, 130) << c.signal;
        // In playback the device closes with its panic. (A load that outlasts the
        // watchdog, in a sanitizer build, ends the program where it is.)
        if (!c.playing) continue;
        ASSERT_GE(r.out.size(), 17u) << c.signal;
        EXPECT_NE(r.out[r.out.size() - 2].find(" BF 7B 00"), std::string::npos);
        EXPECT_NE(r.out.back().find(std::string(" ") + kGsReset), std::string::npos);
    }
}

uint32_t le32(const std::string& s, size_t at) {
    return uint8_t(s[at]) | uint8_t(s[at + 1]) << 8 | uint8_t(s[at + 2]) << 16 |
           uint32_t(uint8_t(s[at + 3])) << 24;
}

TEST(Cli, WavRenderingLastsTheSongAndLetsItsLastNoteDieAway) {
    Track t;
    t.tempo(0, 500000).ev(0, {0xC0, 0}).ev(0, {0x90, 60, 110}).ev(192, {0x80, 60, 0}).end(96);
    const Bytes bytes = buildSmf(96, {t});
    const std::string song = songFile(bytes, "wav.mid");
    const std::string wav = scratchPath("cli.wav");
#ifndef ORVANEL_HAVE_FLUIDSYNTH
    GTEST_SKIP() << "this build has no FluidSynth";
#else
    if (!findDefaultSoundFont()) GTEST_SKIP() << "no General MIDI SoundFont";
#endif
    // Here a render that cannot start is a fault of the render, not of the machine.
    const CliRun r = play("--device=wav:" + wav + " " + song);
    ASSERT_EQ(r.status, 0) << (r.err.empty() ? "" : r.err[0]);

    PlayerFixture f;
    ASSERT_TRUE(f.load(bytes));
    std::ifstream in(wav, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    const std::string data = buffer.str();
    ASSERT_GT(data.size(), 44u);
    const uint32_t frames = le32(data, 40) / 4;
    ASSERT_EQ(data.size(), 44 + size_t(frames) * 4);
    EXPECT_EQ(frames % 441, 0u);
    // The song's steps, then the release until 100 ms of quiet, within 10 s.
    EXPECT_GT(frames / 441, uint32_t(f.seq->songSteps + 10));
    EXPECT_LT(frames / 441, uint32_t(f.seq->songSteps + 1000));
    const auto peakOf = [&](size_t fromFrame, size_t toFrame) {
        int peak = 0;
        for (size_t i = 44 + fromFrame * 4; i + 1 < 44 + toFrame * 4; i += 2)
            peak = std::max(peak, std::abs(int(int16_t(uint8_t(data[i]) | uint8_t(data[i + 1]) << 8))));
        return peak;
    };
    EXPECT_GT(peakOf(0, frames), 1000);
    EXPECT_LE(peakOf(frames - 4410, frames), 1);
    // Speed changes the wall period only: the rendering is the same.
    const std::string wav2 = scratchPath("cli2.wav");
    ASSERT_EQ(play("--speed 200 --device=wav:" + wav2 + " " + song).status, 0);
    std::ifstream in2(wav2, std::ios::binary);
    std::stringstream buffer2;
    buffer2 << in2.rdbuf();
    EXPECT_TRUE(buffer2.str() == data);
}

}  // namespace
