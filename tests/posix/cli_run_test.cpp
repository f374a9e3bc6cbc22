// orvanel-play over a folder and over several files: the autoplay controller's order,
// the shuffle from a seed, skips and the end of the run.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <map>
#include <regex>

#include "autoplay/folder_walker.h"
#include "autoplay/play_list.h"
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
    const Result r = play("--full-path " + root);
    EXPECT_EQ(r.status, 0);
    const std::vector<int> expected = walkOrder();
    ASSERT_EQ(expected.size(), 7u);  // SONGMID and .kar count, .txt does not
    EXPECT_EQ(notesPlayed(r.out), expected);
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
    const Result normal = play(root + "/b.mid /no/such.mid " + root + "/top.RMI");
    EXPECT_EQ(normal.status, 1);  // one file did not load
    EXPECT_EQ(notesPlayed(normal.out), (std::vector<int>{40, 44}));
    const Lines expected = {"drop 3 file(s)", "1 / 3", root + "/b.mid", "2 / 3", "/no/such.mid", "skip",
                            "orvanel-play: /no/such.mid: No such file or directory", "3 / 3", root + "/top.RMI",
                            "autoplay finished."};
    EXPECT_EQ(normal.err, expected);
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
    run.args = {builtProgram("orvanel-play"), "--device=log", "--fast", root};
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

}  // namespace
