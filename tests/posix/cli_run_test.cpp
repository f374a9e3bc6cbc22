// orvanel-play over a folder and over several files: the autoplay controller's order,
// the shuffle from a seed, skips and the end of the run.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <fstream>
#include <map>
#include <regex>

#include "autoplay/folder_walker.h"
#include "autoplay/play_list.h"
#include "tests/support/smf_builder.h"

std::string scratchPath(const char* name);

namespace {

using Lines = std::vector<std::string>;

Lines readLines(const std::string& path) {
    Lines lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

struct Result {
    int status = -1;
    Lines out, err;
};

Result play(const std::string& args) {
    const std::string out = scratchPath("run.out"), err = scratchPath("run.err");
    const std::string cmd = "LANG=C.UTF-8 ./orvanel-play --device=log --fast " + args + " >" + out + " 2>" + err +
                            " </dev/null";
    const int raw = std::system(cmd.c_str());
    Result r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = readLines(out);
    r.err = readLines(err);
    return r;
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
            if (isSongName(path)) notes.push_back(noteOf.at(path));
        }
        walkerClose(w);
        return notes;
    }
};

TEST_F(CliRun, FolderPlaysEverySongInWalkOrderThenFinishes) {
    const Result r = play("--full-path " + root);
    EXPECT_EQ(r.status, 0);
    const std::vector<int> expected = walkOrder();
    ASSERT_EQ(expected.size(), 6u);  // SONGMID counts, .txt and .kar do not
    EXPECT_EQ(notesPlayed(r.out), expected);
    ASSERT_FALSE(r.err.empty());
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
                            "3 / 3", root + "/top.RMI", "autoplay finished."};
    EXPECT_EQ(normal.err, expected);
}

TEST_F(CliRun, AFolderWithoutSongsFinishesAtOnce) {
    const std::string empty = scratchPath("nosongs");
    mkdir(empty.c_str(), 0755);
    const Result r = play("--wait-search " + empty);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, Lines{"autoplay finished."});
    EXPECT_TRUE(notesPlayed(r.out).empty());
}

}  // namespace
