// What orvanel-play takes besides song files and one folder: "-" and pipes, play lists,
// folders among files, karaoke songs in folders, and --shuffle over any list.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <regex>

#include "cli/inputs.h"
#include "tests/posix/support/run_program.h"
#include "tests/support/smf_builder.h"

std::string scratchPath(const char* name);

namespace {

using Lines = std::vector<std::string>;

Bytes noteSong(uint8_t note) {
    Track t;
    t.ev(0, {0x90, note, 100}).ev(2, {0x80, note, 0}).end(0);
    return buildSmf(48, {t});
}

// The notes the songs played, in order.
std::vector<int> notesPlayed(const std::string& out) {
    std::vector<int> notes;
    const std::regex noteOn("\n?[0-9]+ 90 ([0-9A-F]{2}) 64\n");
    for (std::sregex_iterator m(out.begin(), out.end(), noteOn), end; m != end; ++m)
        notes.push_back(std::stoi((*m)[1], nullptr, 16));
    return notes;
}

class CliInputs : public ::testing::Test {
protected:
    std::string dir = scratchPath("inputs");
    void SetUp() override {
        for (const char* sub : {"", "/tree", "/deep", "/lists"}) mkdir((dir + sub).c_str(), 0755);
        const std::pair<const char*, int> songs[] = {{"a.mid", 40}, {"b.mid", 41}, {"tree/k.KAR", 42},
                                                     {"deep/s.smf", 43}, {"c.mid", 44}};
        for (const auto& s : songs) ASSERT_TRUE(writeBytes(dir + "/" + s.first, noteSong(uint8_t(s.second))));
    }
    void text(const std::string& name, const std::string& content) {
        ASSERT_TRUE(writeBytes(dir + "/" + name, Bytes(content.begin(), content.end())));
    }
    ProgramResult play(const std::vector<std::string>& args, const std::string& input = "/dev/null") {
        ProgramRun run;
        run.args = {builtProgram("orvanel-play"), "--device=log", "--fast"};
        run.args.insert(run.args.end(), args.begin(), args.end());
        run.input = input;
        run.seconds = 60;
        return runProgram(run);
    }
};

TEST_F(CliInputs, StandardInputAndPipesPlayFromMemoryUpToTheLimit) {
    const std::string a = dir + "/a.mid", big = dir + "/big";
    const ProgramResult dash = play({"-", dir + "/b.mid", "-"}, a);
    EXPECT_EQ(dash.exitCode, 0) << dash.err;
    EXPECT_EQ(notesPlayed(dash.out), (std::vector<int>{40, 41, 40}));  // read once, played twice
    ProgramRun run;
    for (const char* script : {"exec \"$0\" --device=log --fast <(cat \"$1\")",
                               "cat \"$1\" | \"$0\" --device=log --fast -",
                               "mkfifo \"$2\" && { cat \"$1\" > \"$2\" & } && exec \"$0\" --device=log --fast \"$2\""}) {
        run.args = {"bash", "-c", script, builtProgram("orvanel-play"), a, dir + "/fifo"};
        const ProgramResult piped = runProgram(run);
        EXPECT_EQ(piped.exitCode, 0) << script << "\n" << piped.err;
        EXPECT_EQ(notesPlayed(piped.out), (std::vector<int>{40})) << script;
    }
    Bytes bytes = noteSong(40);
    bytes.resize(kStreamSongMax + 1);
    ASSERT_TRUE(writeBytes(big, bytes));
    const ProgramResult r = play({"-", dir + "/b.mid"}, big);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(notesPlayed(r.out), (std::vector<int>{41}));
    const std::string reason = "-: too large for a MIDI file (more than " + std::to_string(kStreamSongMax) + " bytes)";
    EXPECT_NE(r.err.find("orvanel-play: " + reason + "\n"), std::string::npos) << r.err;
    // A song is never typed: "-" on a terminal is refused at once, not waited for.
    TerminalProgram typed({builtProgram("orvanel-play"), "--device=log", "-"});
    EXPECT_TRUE(typed.waitFor("orvanel-play: -: standard input is a terminal, not a song")) << typed.shown();
    EXPECT_EQ(typed.waitForExit(), 1);
}

TEST_F(CliInputs, PlayListsAndFoldersAreExpandedInPlace) {
    // Relative entries from the list's folder, whatever the current one; CR LF; a URL.
    text("lists/one.m3u8", "\xEF\xBB\xBF#EXTM3U\r\n#EXTINF:1,a\r\n../b.mid\r\n\r\nhttp://example.com/x.mid\r\n"
                           "  ../tree  \r\nfile://" + dir + "/c%2Emid\r\ntwo.M3U\r\n");
    text("lists/two.M3U", "# nested\n" + dir + "/a.mid\n");
    text("lists/self.m3u", "self.m3u\n");
    struct Case {
        std::vector<std::string> args;
        std::vector<int> notes;
        int status;
        std::string reason;  // a line of standard error, when one is expected
    } cases[] = {
        {{dir + "/lists/one.m3u8"}, {41, 42, 44, 40}, 1,
         "orvanel-play: " + dir + "/lists/one.m3u8:5: http://example.com/x.mid: a URL; only files are played"},
        {{dir + "/a.mid", dir + "/tree/", dir + "/b.mid"}, {40, 42, 41}, 0, ""},
        {{dir + "/lists/self.m3u", dir + "/c.mid"}, {44}, 1,
         "orvanel-play: " + dir + "/lists/self.m3u: play lists nested more than 8 deep"},
        {{dir + "/deep", dir + "/lists"}, {43}, 1, "orvanel-play: " + dir + "/lists: no songs found"},
        {{dir + "/deep"}, {43}, 0, ""},  // a folder run finds them too
    };
    for (const Case& c : cases) {
        const ProgramResult r = play(c.args);
        EXPECT_EQ(r.exitCode, c.status) << c.args[0] << "\n" << r.err;
        EXPECT_EQ(notesPlayed(r.out), c.notes) << c.args[0];
        if (!c.reason.empty()) {
            EXPECT_NE(r.err.find(c.reason + "\n"), std::string::npos) << r.err;
        }
    }
}

TEST_F(CliInputs, ShuffleTakesAnyListInTheOrderOfItsSeed) {
    std::vector<std::string> notes = {"40", "41", "44", "42"};  // a, b, c, then tree's song
    shuffleSongs(notes, 7);
    ASSERT_NE(notes, (std::vector<std::string>{"40", "41", "44", "42"}));  // the seed does move them
    const ProgramResult r =
        play({"--shuffle", "--seed", "7", dir + "/a.mid", dir + "/b.mid", dir + "/c.mid", dir + "/tree"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    std::vector<std::string> played;
    for (int note : notesPlayed(r.out)) played.push_back(std::to_string(note));
    EXPECT_EQ(played, notes);
}

TEST(PlayListText, EntriesCommentsAndUrls) {
    struct Case {
        const char* text;
        Lines entries;
        std::vector<std::pair<int, std::string>> refused;
    } cases[] = {
        {"#EXTM3U\n# a.mid\nsong.mid\n\n/abs/x.mid\n", {"L/song.mid", "/abs/x.mid"}, {}},
        {"\xEF\xBB\xBF" "a b.kar \r\n\t\r\nsub/c.mid", {"L/a b.kar", "L/sub/c.mid"}, {}},
        {"file:///m/%E3%82%B2 1.mid\nfile://localhost/y.mid\nFILE:///z%2", {"/m/\xE3\x82\xB2 1.mid", "/y.mid", "/z%2"}, {}},
        {"x.mid\nhttps://h/s.mid\nrtsp+tcp://h/s\nC:\\songs\\d.mid", {"L/x.mid", "L/C:\\songs\\d.mid"},
         {{2, "https://h/s.mid"}, {3, "rtsp+tcp://h/s"}}},
    };
    for (const Case& c : cases) {
        std::vector<std::pair<int, std::string>> refused;
        EXPECT_EQ(playListEntries(c.text, "L/", refused), c.entries) << c.text;
        EXPECT_EQ(refused, c.refused) << c.text;
    }
}

}  // namespace
