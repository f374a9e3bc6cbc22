// The words orvanel-play puts on a terminal, checked without running it: paths as they
// are on disk, the line per song, lines that fit the terminal's width, and the log
// device's lines leaving at each step.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

#include "cli/console_sink.h"
#include "cli/terminal.h"
#include "platform/log_midi.h"

std::string scratchPath(const char* name);

namespace {

TEST(TerminalWords, PathsShowTheirBytesAndEscapeWhatIsNotText) {
    const struct { const char* path; const char* shown; } cases[] = {
        {"/music/a b.mid", "/music/a b.mid"},
        {"\xE3\x82\xB2\xE3\x83\xBC\xE3\x83\xA0.mid", "\xE3\x82\xB2\xE3\x83\xBC\xE3\x83\xA0.mid"},  // ゲーム
        {"\xF0\x9F\x8E\xB5.mid", "\xF0\x9F\x8E\xB5.mid"},  // four bytes
        {"bad\xFF.mid", "bad\\xFF.mid"},
        {"sjis\x83\x51.mid", "sjis\\x83Q.mid"},            // Shift_JIS, not UTF-8
        {"cut\xE3\x82", "cut\\xE3\\x82"},                   // a character cut off at the end
        {"over\xC0\xAF.mid", "over\\xC0\\xAF.mid"},         // an overlong '/'
        {"half\xED\xA0\x80.mid", "half\\xED\\xA0\\x80.mid"},  // a surrogate
        {"esc\x1B[2J.mid", "esc\\x1B[2J.mid"},              // would clear the screen
        {"line\nbreak\x7F", "line\\x0Abreak\\x7F"},
        {"csi\xC2\x9B" "2J", "csi\\xC2\\x9B2J"},             // the one-character CSI
        {"latin\xC2\xA0\xC3\xA9", "latin\xC2\xA0\xC3\xA9"},
    };
    for (const auto& c : cases) EXPECT_EQ(displayPath(c.path), c.shown) << c.path;
}

TEST(TerminalWords, OneLinePerSongWithItsPlaceAndLength) {
    const struct { const char* place; const char* path; int32_t seconds; const char* line; } cases[] = {
        {"2/5", "sub/song.mid", 190, "playing 2/5: sub/song.mid (03:10)"},
        {"1/1", "a\xFF.mid", 0, "playing 1/1: a\\xFF.mid (00:00)"},
        {"9/9", "long.mid", 6000, "playing 9/9: long.mid (99:59)"},  // as the play time caps it
    };
    for (const auto& c : cases) EXPECT_EQ(playingLine(c.place, c.path, c.seconds), c.line);
}

TEST(TerminalWords, LinesFitTheColumnsWithoutCuttingACharacter) {
    const std::string kana = "\xE3\x81\x82\xE3\x81\x84\xE3\x81\x86";  // three characters
    const struct { std::string line; int columns; std::string fitted; } cases[] = {
        {"abcdef", 0, "abcdef"},  // width unknown
        {"abcdef", 7, "abcdef"},  {"abcdef", 6, "abcde"},  {"abcdef", 3, "ab"},
        {kana + "x", 3, kana.substr(0, 6)}, {kana, 4, kana},
    };
    for (const auto& c : cases) EXPECT_EQ(fitColumns(c.line, c.columns), c.fitted) << c.line << " " << c.columns;

    for (int columns : {0, 80, 40, 24}) {
        const std::string text = keysText(columns);
        std::string words;
        size_t from = 0;
        for (size_t end; (end = text.find('\n', from)) != std::string::npos; from = end + 1) {
            const std::string line = text.substr(from, end - from);
            if (columns) {
                EXPECT_LT(line.size(), size_t(columns)) << line;
            }
            words += line + " ";
        }
        EXPECT_EQ(from, text.size()) << "the text ends with its line";
        for (const char* key : {"space pause", "q quit", "<- -> seek 5%", "? keys"})
            EXPECT_NE(words.find(key), std::string::npos) << key << " at " << columns;
    }
}

TEST(TerminalWords, ArrowKeysInBothCursorModes) {
    const struct { const char* bytes; Key key; } cases[] = {
        {"\x1B[A", Key::SpeedUp}, {"\x1BOA", Key::SpeedUp}, {"\x1BOD", Key::SeekBack}, {"\x1B", Key::Quit}};
    for (const auto& c : cases) EXPECT_EQ(decodeKey(c.bytes, std::strlen(c.bytes)), c.key) << c.bytes + 1;
}

// Panel lines (shown with --verbose): a name on disk as it is there, a text of the song
// from Shift_JIS; nothing at all unless shown.
TEST(TerminalWords, PanelLinesShowNamesOnDiskAsTheyAre) {
    const std::string name = scratchPath("\xE3\x82\xB2\xE3\x83\xBC\xE3\x83\xA0.mid");  // ゲーム.mid
    FILE* touch = std::fopen(name.c_str(), "w");
    ASSERT_NE(touch, nullptr);
    std::fclose(touch);
    const struct { bool shown; std::string line; std::string printed; } cases[] = {
        {true, name, name + "\n"},
        {true, "\x83\x65\x83\x58\x83\x67", "\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88\n"},  // テスト
        {false, name, ""},
    };
    for (const auto& c : cases) {
        char* text = nullptr;
        size_t size = 0;
        FILE* out = open_memstream(&text, &size);
        {
            ConsoleSink sink(out);
            sink.setShown(c.shown);
            sink.print(c.line.c_str());
        }
        std::fclose(out);
        EXPECT_EQ(std::string(text, size), c.printed) << c.line;
        std::free(text);
    }
}

// Through a pipe the stream is fully buffered: each step's lines must leave at its end.
TEST(TerminalWords, TheLogDeviceSendsEachStepsLinesAtItsEnd) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    fcntl(fds[0], F_SETFL, O_NONBLOCK);
    FILE* out = fdopen(fds[1], "w");
    ASSERT_NE(out, nullptr);
    LogMidiDevice log(out);
    log.setStep(1);
    log.sendShort(0x643C90);
    char got[64] = {};
    EXPECT_LT(read(fds[0], got, sizeof got), 0) << "held until the step ends";
    log.endStep(10);
    EXPECT_EQ(read(fds[0], got, sizeof got), 11);
    EXPECT_STREQ(got, "1 90 3C 64\n");
    std::fclose(out);
    close(fds[0]);
}

}  // namespace
