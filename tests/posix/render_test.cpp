// orvanel-play rendering to audio files end to end: note starts off the step grid, a
// looping song's length and fade, a folder into one file per song (kept, forced,
// interrupted), and the same bytes every time.
#include <dirent.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

#include "tests/posix/support/run_program.h"
#include "tests/support/capture.h"
#include "tests/support/onsets.h"

namespace {

using Lines = std::vector<std::string>;

struct RenderRun {
    int status = -1;
    Lines err;
};

// ./orvanel-play (the tests run in the build folder), given at most five minutes.
RenderRun render(const std::string& args) {
    const std::string err = scratchPath("render.err");
    const std::string cmd =
        "LANG=C.UTF-8 timeout -k 5 300 ./orvanel-play " + args + " >/dev/null 2>" + err + " </dev/null";
    RenderRun r;
    const int raw = std::system(cmd.c_str());
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    std::ifstream in(err);
    for (std::string line; std::getline(in, line);) r.err.push_back(line);
    return r;
}

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Every name below dir, hidden ones too, "sub/x" for those in folders.
Lines listTree(const std::string& dir, const std::string& prefix = "") {
    Lines out;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d)) {
            const std::string name = e->d_name;
            if (name == "." || name == "..") continue;
            struct stat st;
            if (stat((dir + "/" + name).c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
                for (const std::string& inner : listTree(dir + "/" + name, prefix + name + "/")) out.push_back(inner);
            } else {
                out.push_back(prefix + name);
            }
        }
        closedir(d);
    }
    std::sort(out.begin(), out.end());
    return out;
}

class Render : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::ifstream("/usr/share/sounds/sf2/FluidR3_GM.sf2") && !std::ifstream("/usr/share/sounds/sf2/TimGM6mb.sf2"))
            GTEST_SKIP() << "no General MIDI SoundFont";
    }
    std::string song(const Bytes& bytes, const char* name) {
        const std::string path = scratchPath(name);
        EXPECT_TRUE(writeBytes(path, bytes));
        return path;
    }
    Audio audioOf(const std::string& wav) {
        Audio a;
        EXPECT_TRUE(readWav(wav, a)) << wav;
        return a;
    }
};

// The largest sample between two times (s).
int peakBetween(const Audio& a, double from, double to) {
    int peak = 0;
    for (size_t i = size_t(from * a.rate) * a.channels; i < size_t(to * a.rate) * a.channels && i < a.samples.size(); ++i)
        peak = std::max(peak, std::abs(int(a.samples[i])));
    return peak;
}

TEST_F(Render, NotesOffTheStepGridStartWithinOneSynthBlock) {
    const OnsetSong notes = offGridSong();
    const std::string wav = scratchPath("onsets.wav");
    const RenderRun r = render("--device=wav:" + wav + " " + song(notes.smf, "onsets.mid"));
    ASSERT_EQ(r.status, 0) << (r.err.empty() ? "" : r.err[0]);
    const Audio a = audioOf(wav);
    const std::vector<double> found = findOnsets(a, notes.times);
    for (size_t i = 0; i < found.size(); ++i) ASSERT_FALSE(std::isnan(found[i])) << "note " << i;
    // A block of 64 frames, and one frame for where the level is crossed.
    EXPECT_LE(onsetSpread(found, notes.times), 65.0 / 44100) << "the notes' places within their steps are lost";
}

// One tick a step (division 100 at 60 bpm): an intro of 1 s, a loop point, and a loop of
// 1.75 s holding one organ note.
Bytes loopSong(bool withLoopPoint) {
    Track t;
    t.tempo(0, 1000000).ev(0, {0xC0, 19}).ev(0, {0x90, 67, 100}).ev(100, {0x80, 67, 0});
    if (withLoopPoint) t.ev(0, {0xB0, 111, 0});
    t.ev(0, {0x90, 60, 100}).ev(175, {0x80, 60, 0}).end(0);
    return buildSmf(100, {t});
}

TEST_F(Render, ALoopingSongPlaysItsLoopTwiceThenFadesToSilence) {
    const std::string looping = song(loopSong(true), "loop.mid"), plain = song(loopSong(false), "plain.mid");
    const std::string wav = scratchPath("loop.wav");
    const auto seconds = [&](const std::string& args) {
        const RenderRun r = render(args + " --device=wav:" + wav);
        EXPECT_EQ(r.status, 0) << args;
        const Audio a = audioOf(wav);
        return double(a.samples.size() / 2) / a.rate;
    };
    // The intro, the loop twice, the fade.
    EXPECT_NEAR(seconds("--loop-mode 2 --loops 2 --fade 4 " + looping), 1 + 2 * 1.75 + 4, 0.02);
    const Audio a = audioOf(wav);
    const int full = peakBetween(a, 4.5, 5.0);
    ASSERT_GT(full, 1000);
    int before = full;
    for (double t = 5.0; t < 8.5; t += 0.5) {
        const int level = peakBetween(a, t, t + 0.5);
        EXPECT_LT(level, before) << "at " << t << " s";
        before = level;
    }
    const double end = double(a.samples.size() / 2) / a.rate;
    EXPECT_LT(peakBetween(a, end - 0.1, end), full / 30);
    EXPECT_LE(peakBetween(a, end - 0.001, end), 1);
    // Ending at the first loop's end; the whole song looped; no loop point: as it is.
    EXPECT_NEAR(seconds("--loop-mode 2 --loops 1 --fade 0 " + looping), 2.75, 0.02);
    EXPECT_NEAR(seconds("--loop-mode 1 --loops 2 --fade 1 " + looping), 2 * 2.75 + 1, 0.02);
    // Two songs in one file: the second is not silenced by the first one's fade.
    EXPECT_NEAR(seconds("--loop-mode 2 --loops 1 --fade 1 " + looping + " " + looping), 2 * (2.75 + 1), 0.04);
    EXPECT_GT(peakBetween(audioOf(wav), 3.75 + 1.2, 3.75 + 2.5), 1000);
    const double once = seconds("--loop-mode 2 " + plain);
    EXPECT_GT(once, 2.8) << "the last note dies away";
    EXPECT_LT(once, 2.75 + 10);
    EXPECT_NEAR(seconds(looping), once, 0.5) << "the normal mode does not loop";
}

TEST_F(Render, AFolderBecomesOneFilePerSongKeptUnlessForced) {
    const std::string root = scratchPath("songs"), out = scratchPath("rendered");
    for (const char* d : {"", "/sub", "/sub/deeper"}) mkdir((root + d).c_str(), 0755);
    const Bytes short1 = offGridSong(2).smf;
    for (const char* f : {"/a.mid", "/sub/b.MID", "/sub/deeper/c.rmi"}) ASSERT_TRUE(writeBytes(root + f, short1));
    writeBytes(root + "/notes.txt", {'x'});

    const RenderRun first = render("--device=wav:" + out + "/ --format flac " + root);
    ASSERT_EQ(first.status, 0);
    EXPECT_EQ(listTree(out), (Lines{"a.flac", "sub/b.flac", "sub/deeper/c.flac"}));
    ASSERT_EQ(first.err.size(), 3u) << "one line per finished song";
    const std::regex line(R"(\[[1-3]/3\] (a\.mid|sub/b\.MID|sub/deeper/c\.rmi)  100%  00:01 / 00:01  [0-9.]+x)");
    for (const std::string& l : first.err) EXPECT_TRUE(std::regex_match(l, line)) << l;
    const std::string a = slurp(out + "/a.flac");
    EXPECT_EQ(a.compare(0, 4, "fLaC"), 0);
    EXPECT_EQ(slurp(out + "/sub/b.flac"), a) << "the same song, the same bytes";

    std::ofstream(out + "/sub/b.flac") << "mine";
    const RenderRun again = render("--device=wav:" + out + " --format flac " + root);
    EXPECT_EQ(again.status, 0);
    EXPECT_EQ(slurp(out + "/sub/b.flac"), "mine");
    ASSERT_EQ(again.err.size(), 3u);
    for (const std::string& l : again.err) EXPECT_NE(l.find("kept"), std::string::npos) << l;
    EXPECT_EQ(render("--force --device=wav:" + out + " --format flac " + root).status, 0);
    EXPECT_EQ(slurp(out + "/sub/b.flac"), a);
    EXPECT_EQ(listTree(out).size(), 3u);
}

// A WAV file whose header agrees with its size.
bool wholeWav(const std::string& path) {
    const std::string b = slurp(path);
    const auto le32 = [&](size_t at) {
        return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 | uint32_t(uint8_t(b[at + 2])) << 16 |
               uint32_t(uint8_t(b[at + 3])) << 24;
    };
    return b.size() > 44 && b.compare(0, 4, "RIFF") == 0 && le32(4) == b.size() - 8 && le32(40) == b.size() - 44;
}

TEST_F(Render, AnInterruptLeavesOnlyWholeFiles) {
    // Three songs of a minute: each takes a while to render.
    Track t;
    t.tempo(0, 500000).ev(0, {0xC0, 19});
    for (int i = 0; i < 60; ++i) t.ev(0, {0x90, uint8_t(48 + i % 24), 90}).ev(96, {0x80, uint8_t(48 + i % 24), 0});
    t.end(0);
    const std::string root = scratchPath("long");
    mkdir(root.c_str(), 0755);
    for (const char* f : {"/1.mid", "/2.mid", "/3.mid"}) ASSERT_TRUE(writeBytes(root + f, buildSmf(48, {t})));
    // Whole files, and the file in progress once it holds a second of audio.
    const auto count = [](const std::string& out, const Lines& names, bool inProgress) {
        return std::count_if(names.begin(), names.end(), [&](const std::string& n) {
            struct stat st;
            return n[0] != '.' ? !inProgress : inProgress && stat((out + "/" + n).c_str(), &st) == 0 && st.st_size > 176400;
        });
    };
    // Ctrl-C, and the watchdog's alarm that ends the program from its signal handler.
    for (int signal : {SIGINT, SIGALRM}) {
        const std::string out = scratchPath(("long-out-" + std::to_string(signal)).c_str());
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            if (!freopen("/dev/null", "w", stderr)) _exit(127);
            execl("./orvanel-play", "orvanel-play", ("--device=wav:" + out + "/").c_str(), root.c_str(), (char*)nullptr);
            _exit(127);
        }
        // Once the first song is whole and the next is being written, stop the render.
        const auto give = std::chrono::steady_clock::now() + std::chrono::seconds(120);
        int status = 0;
        bool ended = false;
        while (!ended && std::chrono::steady_clock::now() < give) {
            const Lines now = listTree(out);
            if (count(out, now, false) > 0 && count(out, now, true) > 0) break;
            ended = waitpid(pid, &status, WNOHANG) == pid;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        ASSERT_FALSE(ended) << "the render ended before the interrupt";
        kill(pid, signal);
        while (!ended && std::chrono::steady_clock::now() < give + std::chrono::seconds(10)) {
            ended = waitpid(pid, &status, WNOHANG) == pid;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        if (!ended) kill(pid, SIGKILL), waitpid(pid, &status, 0);
        ASSERT_TRUE(ended) << "the render did not stop";
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 130);
        const Lines left = listTree(out);
        EXPECT_GE(left.size(), 1u);
        EXPECT_LT(left.size(), 3u) << "stopped before the end";
        for (const std::string& name : left) {
            EXPECT_NE(name[0], '.') << "a half-written file is left: " << name << " after signal " << signal;
            EXPECT_TRUE(wholeWav(out + "/" + name)) << name;
            // The whole song is in it: 60 s, then its last note dying away.
            const Audio a = audioOf(out + "/" + name);
            const double seconds = a.rate ? double(a.samples.size() / 2) / a.rate : 0;
            EXPECT_GE(seconds, 60.0) << name;
            EXPECT_LE(seconds, 60.0 + 10.1) << name;
        }
    }
}

TEST_F(Render, WavAndFlacAreTheSameBytesEveryTime) {
    const std::string midi = song(offGridSong(8).smf, "same.mid");
    for (const char* ext : {".wav", ".flac"}) {
        const std::string one = scratchPath((std::string("one") + ext).c_str());
        const std::string two = scratchPath((std::string("two") + ext).c_str());
        ASSERT_EQ(render("--device=wav:" + one + " " + midi).status, 0);
        ASSERT_EQ(render("--device=file:" + two + " " + midi).status, 0);
        const std::string a = slurp(one);
        EXPECT_GT(a.size(), 10000u) << ext;
        EXPECT_TRUE(a == slurp(two)) << ext;
    }
}

// The loop's second half is at half the speed of its first, and a pass that comes back to
// the loop point keeps the tempo it ended in: the intro (1 s), a first pass of 1 + 2 s,
// then passes of 2 + 2 s.
TEST_F(Render, ALoopThatEndsSlowerPlaysEveryPassThenItsFade) {
    Track t;
    t.tempo(0, 1000000).ev(0, {0xC0, 19}).ev(0, {0x90, 67, 100}).ev(100, {0x80, 67, 0}).ev(0, {0xB0, 111, 0});
    t.ev(0, {0x90, 60, 100}).tempo(100, 2000000).ev(100, {0x80, 60, 0}).end(0);
    const std::string looping = song(buildSmf(100, {t}), "slower.mid"), wav = scratchPath("slower.wav");
    const RenderRun r = render("--loop-mode 2 --loops 5 --fade 1 --device=wav:" + wav + " " + looping);
    ASSERT_EQ(r.status, 0);
    const Audio a = audioOf(wav);
    const double end = double(a.samples.size() / 2) / a.rate;
    EXPECT_NEAR(end, 1 + 3 + 4 * 4 + 1, 0.05) << "five passes and the fade";
    EXPECT_GT(peakBetween(a, end - 1.0, end - 0.9), 1000) << "the fade begins at full level";
    EXPECT_LE(peakBetween(a, end - 0.001, end), 1);
}

// A song that does not load leaves the file that was there as it was, and says why as
// playing would; nothing else is left in its folder.
TEST_F(Render, ASongThatDoesNotLoadLeavesTheOutputAsItWasAndSaysWhy) {
    const std::string dir = scratchPath("unloadable"), kept = scratchPath("kept");
    mkdir(dir.c_str(), 0755);
    mkdir(kept.c_str(), 0755);
    Bytes cut = offGridSong(2).smf;
    cut.resize(cut.size() - 3);
    writeBytes(dir + "/notes.mid", Bytes(200, 'x'));
    writeBytes(dir + "/cut.mid", cut);
    writeBytes(dir + "/empty.mid", {});
    writeBytes(dir + "/locked.mid", offGridSong(2).smf);
    chmod((dir + "/locked.mid").c_str(), 0);
    mkfifo((dir + "/fifo.mid").c_str(), 0644);
    const struct {
        std::string song, reason;
    } songs[] = {
        {dir + "/missing.mid", "No such file or directory"},
        {dir + "/notes.mid", "not a MIDI file"},
        {dir + "/cut.mid", "truncated MIDI file"},
        {dir + "/empty.mid", "not a MIDI file"},
        {dir + "/fifo.mid", "nothing was written to the pipe within 2 s"},
        {dir + "/" + std::string(300, 'n') + ".mid", "File name too long"},
        {dir + "/locked.mid", "Permission denied"},
    };
    const bool canDeny = permissionsCanBeDenied();
    for (const char* name : {"keep.wav", "keep.flac"}) {
        const std::string keep = kept + "/" + name;
        std::ofstream(keep) << "mine";
        ProgramRun run;
        run.args = {builtProgram("orvanel-play"), "--device=wav:" + keep};
        for (const auto& s : songs)
            if (canDeny || s.reason != "Permission denied") run.args.push_back(s.song);
        run.ownerPermissionsOnly = canDeny;
        const ProgramResult r = runProgram(run);
        EXPECT_EQ(r.exitCode, 1) << r.err;
        const Lines said = r.errLines();
        for (const auto& s : songs) {
            if (!canDeny && s.reason == "Permission denied") continue;
            const std::string line = "orvanel-play: " + s.song + ": " + s.reason;
            EXPECT_NE(std::find(said.begin(), said.end(), line), said.end()) << line << "\n" << r.err;
        }
        EXPECT_EQ(slurp(keep), "mine") << name;
        EXPECT_EQ(listTree(kept).size(), size_t(name[5] == 'f' ? 2 : 1)) << name;
    }
    chmod((dir + "/locked.mid").c_str(), 0644);
}

// What a render cannot write is found before anything is rendered (exit 3); a usage error
// is 2; a run with a song that failed is 1, the others rendered all the same.
TEST_F(Render, ExitCodesTellUsageOutputAndSongFailuresApart) {
    const std::string dir = scratchPath("codes");
    mkdir(dir.c_str(), 0755);
    const std::string good = song(offGridSong(1).smf, "codes-good.mid");
    for (const char* d : {"/way", "/way/codes-good.wav", "/empty", "/ro", "/out"}) mkdir((dir + d).c_str(), 0755);
    std::ofstream(dir + "/blocker") << "a file";
    std::ofstream(dir + "/ro/mine.wav") << "mine, in a folder the user may not write";
    chmod((dir + "/ro").c_str(), 0555);
    const bool canDeny = permissionsCanBeDenied();
    const struct {
        std::string args;
        int exit;
        std::string says;
        bool needsDenial;
    } cases[] = {
        {"--device=wav:" + dir + "/none/o.wav " + good, 3, "cannot create " + dir + "/none/o.wav: No such file or directory", false},
        {"--device=wav:" + dir + "/blocker/sub/ " + good, 3, "cannot create the folder " + dir + "/blocker: Not a directory", false},
        {"--device=wav:" + dir + "/way/ " + good, 3, "cannot create " + dir + "/way/codes-good.wav: Is a directory", false},
        {"--device=wav:" + dir + "/ro/o.wav " + good, 3, "cannot create " + dir + "/ro/o.wav: Permission denied", true},
        {"--device=wav:" + dir + "/ro/sub/ " + good, 3, "cannot create the folder " + dir + "/ro/sub: Permission denied", true},
        {"--device=wav:" + dir + "/ro/mine.wav " + good, 3, "cannot create " + dir + "/ro/mine.wav: Permission denied", true},
        {"--device=wav:" + dir + "/" + std::string(300, 'n') + ".wav " + good, 3, "File name too long", false},
        {"--device=wav:" + dir + "/" + std::string(250, 'n') + ".wav " + good, 0, "", false},
        {"--format bogus --device=wav:" + dir + "/o.wav " + good, 2, "bogus", false},
        {"--device=wav:" + dir + "/o.wav " + dir + "/empty", 1, "no songs to render", false},
        {"--device=wav:" + dir + "/out/ " + dir + "/gone.mid " + good, 1, dir + "/gone.mid: No such file or directory", false},
    };
    for (const auto& c : cases) {
        if (c.needsDenial && !canDeny) continue;
        ProgramRun run;
        run.args = playerArgs(c.args);
        run.ownerPermissionsOnly = canDeny;
        const ProgramResult r = runProgram(run);
        EXPECT_EQ(r.exitCode, c.exit) << c.args << "\n" << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << c.args << "\n" << r.err;
        EXPECT_TRUE(r.out.empty()) << c.args;
    }
    EXPECT_EQ(listTree(dir + "/out"), (Lines{"codes-good.wav"})) << "the song that loads is rendered";
    EXPECT_EQ(listTree(dir + "/way"), Lines{}) << "nothing is written where a folder stands";
    chmod((dir + "/ro").c_str(), 0755);
}

// A full disk, made here by a file size limit on the render: the reason, exit 1, the file
// that was there kept and no temporary file left.
TEST_F(Render, AFullDiskLeavesTheOldFileAndNoOther) {
    const std::string midi = song(offGridSong(8).smf, "full.mid"), dir = scratchPath("full");
    mkdir(dir.c_str(), 0755);
    for (const char* name : {"/keep.wav", "/keep.flac"}) {
        std::ofstream(dir + name) << "mine";
        ProgramRun run;
        run.args = {"sh", "-c", "ulimit -f 32 && exec \"$0\" --device=wav:\"$1\" \"$2\"", builtProgram("orvanel-play"),
                    dir + name, midi};
        const ProgramResult r = runProgram(run);
        EXPECT_EQ(r.exitCode, 1) << name << "\n" << r.err;
        EXPECT_NE(r.err.find("File too large"), std::string::npos) << r.err;
        EXPECT_EQ(slurp(dir + name), "mine");
    }
    EXPECT_EQ(listTree(dir), (Lines{"keep.flac", "keep.wav"}));
}

// A link is followed and stays a link; a pipe, and standard output, are written straight
// through with the WAV's length left open; a temporary file whose writer is gone goes.
TEST_F(Render, OutputsAreWrittenWhereTheyLeadAndStraightIntoPipes) {
    const std::string midi = song(offGridSong(2).smf, "through.mid");
    const std::string dir = scratchPath("through");
    mkdir(dir.c_str(), 0755);
    mkdir((dir + "/real").c_str(), 0755);
    ASSERT_EQ(render("--device=wav:" + dir + "/plain.wav " + midi).status, 0);
    const std::string plain = slurp(dir + "/plain.wav");
    ASSERT_GT(plain.size(), 44u);

    std::ofstream(dir + "/real/target.wav") << "mine";
    ASSERT_EQ(symlink("real/target.wav", (dir + "/link.wav").c_str()), 0);
    const std::string stale = dir + "/real/.target.wav.999999999.AbCdEf";
    const std::string live = dir + "/real/.target.wav." + std::to_string(getpid()) + ".AbCdEf";
    std::ofstream(stale) << "left by a killed render";
    std::ofstream(live) << "a render that still runs";
    ASSERT_EQ(render("--device=wav:" + dir + "/link.wav " + midi).status, 0);
    struct stat st;
    ASSERT_EQ(lstat((dir + "/link.wav").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode)) << "the link is replaced";
    EXPECT_TRUE(slurp(dir + "/real/target.wav") == plain);
    EXPECT_NE(access(stale.c_str(), F_OK), 0) << "the stale temporary file stays";
    EXPECT_EQ(access(live.c_str(), F_OK), 0) << "a running render's file is removed";

    std::string open = plain.substr(0, 44);
    for (size_t at : {4, 40}) open.replace(at, 4, "\xFF\xFF\xFF\xFF");
    open += plain.substr(44);
    ASSERT_EQ(mkfifo((dir + "/pipe.wav").c_str(), 0644), 0);
    ProgramRun piped;
    piped.args = {"sh", "-c", "cat \"$1\" > \"$2\" & \"$3\" --device=wav:\"$1\" \"$4\"; s=$?; wait; exit $s", "sh",
                  dir + "/pipe.wav", dir + "/from-pipe", builtProgram("orvanel-play"), midi};
    piped.seconds = 60;
    EXPECT_EQ(runProgram(piped).exitCode, 0);
    ASSERT_EQ(lstat((dir + "/pipe.wav").c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode)) << "the pipe is replaced";
    EXPECT_TRUE(slurp(dir + "/from-pipe") == open) << "the pipe's stream";

    const ProgramResult toStdout = runPlayer("--device=wav:- " + midi);
    EXPECT_EQ(toStdout.exitCode, 0) << toStdout.err;
    EXPECT_TRUE(toStdout.out == open) << "standard output holds the stream and nothing else";
    const ProgramResult flac = runPlayer("--device=wav:- --format flac " + midi);
    EXPECT_EQ(flac.exitCode, 0) << flac.err;
    EXPECT_EQ(flac.out.compare(0, 4, "fLaC"), 0);
    EXPECT_GT(flac.out.size(), 1000u);
    EXPECT_EQ(listTree(dir), (Lines{"from-pipe", "link.wav", "pipe.wav", "plain.wav",
                                    "real/.target.wav." + std::to_string(getpid()) + ".AbCdEf", "real/target.wav"}));
}

}  // namespace
