// orvanel-play over a folder and over several files: the autoplay controller's order,
// the shuffle from a seed, skips and the end of the run.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <map>
#include <regex>

#include "autoplay/folder_walker.h"
#include "autoplay/play_list.h"
#include "cli/checks.h"
#include "platform/files.h"
#include "shell/program.h"
#include "tests/posix/support/run_program.h"
#include "tests/support/smf_builder.h"

std::string scratchPath(const char* name);

namespace {

using Lines = std::vector<std::string>;

struct Result {
    int status = -1;
    Lines out, err;
};

Result play(const std::string& args) {
    const ProgramResult r = runPlayer("--device=log --fast " + args);
    return {r.exitCode, r.outLines(), r.errLines()};
}

// A song that plays one note, so the log tells the songs apart by their note.
Bytes noteSong(uint8_t note) {
    Track t;
    t.ev(0, {0x90, note, 100}).ev(2, {0x80, note, 0}).end(0);
    return buildSmf(48, {t});
}

// The notes the songs played, in order.
std::vector<int> notesPlayed(const Lines& out) {
    std::vector<int> notes;
    const std::regex noteOn("^[0-9]+ 90 ([0-9A-F]{2}) 64$");
    std::smatch m;
    for (const std::string& line : out)
        if (std::regex_match(line, m, noteOn)) notes.push_back(std::stoi(m[1], nullptr, 16));
    return notes;
}

class CliRun : public ::testing::Test {
protected:
    std::string root = scratchPath("tree");
    std::map<std::string, int> noteOf;  // upper-case path -> note

    void SetUp() override {
        const char* files[] = {"b.mid", "Sub/a.MID", "Sub/Deeper/c.rmi", "Sub/z.midi", "top.RMI", "notes.txt",
                               "other/x.kar", "other/SONGMID"};
        mkdir(root.c_str(), 0755);
        for (const char* dir : {"/Sub", "/Sub/Deeper", "/other"}) mkdir((root + dir).c_str(), 0755);
        int note = 40;
        for (const char* f : files) {
            const std::string path = root + "/" + f;
            writeBytes(path, noteSong(uint8_t(note)));
            std::string upper = path;
            for (char& c : upper) c = char(std::toupper(static_cast<unsigned char>(c)));
            noteOf[upper] = note++;
        }
    }
    // The notes in the order the folder walk lists the songs.
    std::vector<int> walkOrder() {
        FolderWalker w;
        w.folders = &platformFolders();
        walkerReset(w, root.c_str());
        std::vector<int> notes;
        char path[kEntryPathSize];
        uint32_t attributes = 0;
        while (walkerNext(w, path, attributes)) {
            platformFolders().upperCase(path);
            if (isSongOrKaraokeName(path)) notes.push_back(noteOf.at(path));
        }
        walkerClose(w);
        return notes;
    }
};

TEST_F(CliRun, FolderPlaysEverySongInWalkOrderThenFinishes) {
    const Result r = play("--full-path -v " + root);
    EXPECT_EQ(r.status, 0);
    const std::vector<int> expected = walkOrder();
    ASSERT_EQ(expected.size(), 7u);  // SONGMID and .kar count, .txt does not
    EXPECT_EQ(notesPlayed(r.out), expected);
    const auto playing = [](const std::string& line) { return line.rfind("playing ", 0) == 0; };
    EXPECT_EQ(std::count_if(r.err.begin(), r.err.end(), playing), 7);  // a line per song
    ASSERT_GE(r.err.size(), 2u);
    EXPECT_EQ(r.err.back(), "autoplay finished.");
    EXPECT_EQ(r.err[r.err.size() - 2], "end");
}

TEST_F(CliRun, ShuffleFollowsTheSeed) {
    std::vector<int> expected = walkOrder();
    PlayList list;
    for (size_t i = 0; i < expected.size(); ++i) {
        auto* e = new PlayListEntry;
        std::snprintf(e->path, sizeof e->path, "%d", expected[i]);
        e->listed = 1;
        putEntry(list, int32_t(i), e);
    }
    list.listCount = int32_t(expected.size());
    uint32_t seed = 12345;
    shuffleList(list, seed);
    for (size_t i = 0; i < expected.size(); ++i) expected[i] = std::atoi(slotEntry(list, int32_t(i))->path);
    const Result r = play("--shuffle --seed 12345 " + root);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(notesPlayed(r.out), expected);
    EXPECT_NE(expected, walkOrder());  // the seed does move them
}

TEST_F(CliRun, SeveralFilesPlayInTheirOrderAndSkipWhatDoesNotLoad) {
    const std::string missing = "orvanel-play: /no/such.mid: No such file or directory";
    const std::string first = "playing 1/3: " + root + "/b.mid (00:00)";
    const std::string third = "playing 3/3: " + root + "/top.RMI (00:00)";
    // Normally a line per song and a skip's reason; quiet only the reason; verbose the
    // window's texts as well.
    const struct { const char* verbosity; Lines err; } cases[] = {
        {"", {first, missing, third}},
        {"-q ", {missing}},
        {"--verbose ", {"drop 3 file(s)", "1 / 3", root + "/b.mid", first, "2 / 3", "/no/such.mid", "skip", missing,
                        "3 / 3", root + "/top.RMI", third, "autoplay finished."}},
    };
    for (const auto& c : cases) {
        const Result r = play(c.verbosity + root + "/b.mid /no/such.mid " + root + "/top.RMI");
        EXPECT_EQ(r.status, 1) << c.verbosity;  // one file did not load
        EXPECT_EQ(notesPlayed(r.out), (std::vector<int>{40, 44})) << c.verbosity;
        EXPECT_EQ(r.err, c.err) << c.verbosity;
    }
}

TEST_F(CliRun, TheExitStatusSaysWhetherEverySongPlayed) {
    const std::string empty = scratchPath("no-songs");
    mkdir(empty.c_str(), 0755);
    const struct { std::string args; std::vector<int> notes; int status; } cases[] = {
        {root + "/b.mid " + root + "/top.RMI", {40, 44}, 0},
        {root + "/b.mid /no/such.mid", {40}, 1},  // failed in the run
        {"/no/such.mid " + root + "/b.mid", {40}, 1},
        {empty, {}, 1},  // failed in the check
    };
    for (const auto& c : cases) {
        const Result r = play(c.args);
        EXPECT_EQ(r.status, c.status) << c.args;
        EXPECT_EQ(notesPlayed(r.out), c.notes) << c.args;
    }
}

// The check before the device opens keeps the song of a single file loaded for it to
// play, and no other: a run loads each of its songs itself.
TEST_F(CliRun, TheCheckKeepsOnlyASingleFilesSongLoaded) {
    const std::string b = root + "/b.mid", top = root + "/top.RMI";
    const struct { std::vector<std::string> files; bool playable, loaded; } cases[] = {
        {{b}, true, true},
        {{b, top}, true, false},
        {{"/no/such.mid", b}, true, false},
    };
    for (const auto& c : cases) {
        std::unique_ptr<Program> p(new Program);
        p->files = &platformFileSystem();
        p->folders = &platformFolders();
        wireProgram(*p);
        initSequencer(*p->seq);
        EXPECT_EQ(checkArguments(*p, c.files), c.playable) << c.files.size() << " " << c.files[0];
        EXPECT_EQ(bool(p->seq->songLoaded), c.loaded) << c.files.size() << " " << c.files[0];
        unloadSong(*p->seq);
    }
}

TEST_F(CliRun, AFolderRunGoesOnPastWhatItCannotListOrOpen) {
    if (!permissionsCanBeDenied()) GTEST_SKIP() << "file permissions cannot be denied to a child here";
    const std::vector<int> expected = walkOrder();
    // A FIFO named like a song would block an open for good; a folder without rights.
    ASSERT_EQ(mkfifo((root + "/Sub/pipe.mid").c_str(), 0644), 0);
    const std::string locked = root + "/Locked";
    mkdir(locked.c_str(), 0755);
    writeBytes(locked + "/hidden.mid", noteSong(90));
    chmod(locked.c_str(), 0);
    ProgramRun run;
    run.args = {builtProgram("orvanel-play"), "--device=log", "--fast", "--verbose", root};
    run.ownerPermissionsOnly = true;
    run.seconds = 60;
    const ProgramResult r = runProgram(run);
    chmod(locked.c_str(), 0755);
    EXPECT_EQ(r.exitCode, 1);  // a song was skipped
    EXPECT_EQ(notesPlayed(r.outLines()), expected);
    const Lines err = r.errLines();
    for (const std::string& reason : {"orvanel-play: " + locked + ": Permission denied",
                                      "orvanel-play: " + root + "/Sub/pipe.mid: not a regular file"})
        EXPECT_EQ(std::count(err.begin(), err.end(), reason), 1) << reason;
    ASSERT_FALSE(err.empty());
    EXPECT_EQ(err.back(), "autoplay finished.");
}

// Given by their absolute paths, trees of long folder names (paths far past 260 bytes):
// one 15 folders deep plays the song of every level; in one 16 deep the last folder is
// told, not dropped in silence.
TEST(CliRunDeep, AnAbsoluteDeepTreePlaysEverySongAndTellsWhatItPassesOver) {
    const struct { const char* name; int levels; bool songEachLevel; int exit; } cases[] = {
        {"deep15", 15, true, 0},
        {"deep16", 16, false, 1},
    };
    for (const auto& c : cases) {
        const std::string root = scratchPath(c.name);
        ASSERT_EQ(root[0], '/');
        mkdir(root.c_str(), 0755);
        std::string folder = root, tooDeep;
        std::vector<int> expected;
        for (int level = 1; level <= c.levels; ++level) {
            const std::string name = "level-" + std::to_string(level) + "-" + std::string(40, 'x');
            if (level == 16) tooDeep = "orvanel-play: " + folder + "/" + name + ": folder more than 16 levels deep";
            folder += "/" + name;
            ASSERT_EQ(mkdir(folder.c_str(), 0755), 0) << folder;
            if (!c.songEachLevel && level < c.levels) continue;
            ASSERT_TRUE(writeBytes(folder + "/song.mid", noteSong(uint8_t(30 + level))));
            if (level < 16) expected.push_back(30 + level);
        }
        ASSERT_GT(folder.size(), 700u);
        const Result r = play(root);
        EXPECT_EQ(r.status, c.exit) << c.name;
        std::vector<int> notes = notesPlayed(r.out);
        std::sort(notes.begin(), notes.end());  // the order of a folder's entries is the file system's
        EXPECT_EQ(notes, expected) << c.name;
        const bool told = !tooDeep.empty() && std::any_of(r.err.begin(), r.err.end(), [&](const std::string& line) {
            return line.rfind(tooDeep, 0) == 0;
        });
        EXPECT_EQ(told, !tooDeep.empty()) << c.name << ": " << tooDeep;
    }
}

}  // namespace
