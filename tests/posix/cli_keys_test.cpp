// orvanel-play with its keyboard on a pseudo terminal: the key-shift keys silence the
// notes even at the limit of the key shift.
#include <gtest/gtest.h>

#include "tests/posix/support/run_program.h"
#include "tests/support/player_fixture.h"

namespace {

TEST(CliKeys, KeyShiftKeysSilenceTheNotesAlsoAtTheLimit) {
    Track t;  // a minute of one held note, one tick a step
    t.tempo(0, 480000).ev(0, {0x90, 60, 100}).ev(6000, {0x80, 60, 0}).end(0);
    const std::string song = scratchPath("minute.mid");
    ASSERT_TRUE(writeBytes(song, buildSmf(48, {t})));
    TerminalProgram player({builtProgram("orvanel-play"), "--device=log", song});
    const char* notesOff = " BF 7B 00";  // the last message of each all notes off
    ASSERT_TRUE(player.waitFor(notesOff, 1));  // the panic before the song
    // Six presses reach +6; the seventh, at the limit, silences the notes all the same.
    for (int press = 1; press <= 7; ++press) {
        player.type("+");
        ASSERT_TRUE(player.waitFor(notesOff, 1 + press)) << "press " << press;
    }
    player.type("q");
    EXPECT_EQ(player.waitForExit(), 0);
    EXPECT_TRUE(player.waitFor(notesOff, 9));  // the panic at the close
}

}  // namespace
