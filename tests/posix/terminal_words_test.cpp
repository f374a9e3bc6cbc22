// What orvanel-play writes, checked without running it: paths as they are on disk, and
// the log device's lines leaving at each step.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

#include "cli/terminal.h"
#include "platform/log_midi.h"

namespace {

TEST(TerminalWords, PathsShowTheirBytesAndEscapeWhatIsNotText) {
    const struct { const char* path; const char* shown; } cases[] = {
        {"\xF0\x9F\x8E\xB5 \xC2\xA0\xC3\xA9.mid", "\xF0\x9F\x8E\xB5 \xC2\xA0\xC3\xA9.mid"},  // UTF-8 as is
        {"sjis\x83\x51.mid", "sjis\\x83Q.mid"},            // Shift_JIS, not UTF-8
        {"cut\xE3\x82", "cut\\xE3\\x82"},                   // a character cut off at the end
        {"over\xC0\xAF.mid", "over\\xC0\\xAF.mid"},         // an overlong '/'
        {"half\xED\xA0\x80.mid", "half\\xED\\xA0\\x80.mid"},  // a surrogate
        {"esc\x1B[2J\n\x7F", "esc\\x1B[2J\\x0A\\x7F"},       // would clear the screen
        {"csi\xC2\x9B" "2J", "csi\\xC2\\x9B2J"},             // the one-character CSI
    };
    for (const auto& c : cases) EXPECT_EQ(displayPath(c.path), c.shown) << c.path;
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
