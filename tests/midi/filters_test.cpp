// Key shift, program conversion and the bank-select filter, alone and in live play.
#include <gtest/gtest.h>

#include "midi/filters.h"
#include "tests/support/player_fixture.h"

namespace {

using Lines = std::vector<std::string>;

TEST(KeyShift, ShiftsNotesOnChosenChannelsAndSendsOutOfRangeNotesAsZero) {
    Settings s;
    s.keyShift = 2;
    EXPECT_EQ(shiftKey(s, 0x90, 60), 62);
    EXPECT_EQ(shiftKey(s, 0x80, 60), 62);
    EXPECT_EQ(shiftKey(s, 0x90, 125), 127);
    EXPECT_EQ(shiftKey(s, 0x90, 126), 0);
    EXPECT_EQ(shiftKey(s, 0x90, 127), 0);
    EXPECT_EQ(shiftKey(s, 0x99, 60), 60);  // channel 10 is off by default
    EXPECT_EQ(shiftKey(s, 0xA0, 60), 60);  // polyphonic pressure keeps its note
    EXPECT_EQ(shiftKey(s, 0xB0, 60), 60);
    s.keyShift = -6;
    EXPECT_EQ(shiftKey(s, 0x90, 3), 0);
    EXPECT_EQ(shiftKey(s, 0x90, 6), 0);
    EXPECT_EQ(shiftKey(s, 0x90, 7), 1);
    s.keyShiftChannels[9] = true;
    s.keyShiftChannels[0] = false;
    EXPECT_EQ(shiftKey(s, 0x99, 60), 54);
    EXPECT_EQ(shiftKey(s, 0x90, 60), 60);
}

TEST(ProgramMaps, MatchTheirTablesAtTheirCorners) {
    EXPECT_EQ(mt32ProgramMap[0], 0);
    EXPECT_EQ(mt32ProgramMap[3], 5);
    EXPECT_EQ(mt32ProgramMap[24], 62);
    EXPECT_EQ(mt32ProgramMap[63], 104);
    EXPECT_EQ(mt32ProgramMap[100], 112);
    EXPECT_EQ(mt32ProgramMap[127], 122);
    EXPECT_EQ(cm32pProgramMap[0], 1);
    EXPECT_EQ(cm32pProgramMap[40], 17);
    EXPECT_EQ(cm32pProgramMap[63], 55);
    for (int p = 64; p < 128; ++p) EXPECT_EQ(cm32pProgramMap[p], 0) << p;
}

TEST(ProgramConversion, FollowsTheBankModeAndTheChannel) {
    const char* line = nullptr;
    EXPECT_EQ(convertProgram(0, 0, 24, 127, &line), 24);
    EXPECT_EQ(convertProgram(1, 0, 24, 127, &line), 24);
    EXPECT_EQ(convertProgram(2, 0, 48, 127, &line), 48);
    EXPECT_STREQ(line, "conv CM-32L to SC");
    EXPECT_EQ(convertProgram(2, 0, 40, 126, &line), 17);
    EXPECT_STREQ(line, "conv CM-32P to SC");
    EXPECT_EQ(convertProgram(2, 0, 40, 0, &line), 40);
    EXPECT_EQ(line, nullptr);
    EXPECT_EQ(convertProgram(3, 9, 0, 0, &line), 0);    // channel 10
    EXPECT_EQ(convertProgram(3, 1, 24, 0, &line), 62);  // channel 2
    EXPECT_EQ(convertProgram(4, 11, 70, 0, &line), 0);  // channel 12: CM-32P side
    EXPECT_EQ(convertProgram(4, 8, 3, 0, &line), 5);    // channel 9: MT-32 side
    EXPECT_EQ(convertProgram(4, 10, 3, 0, &line), 3);   // channel 11: CM-32P side
    EXPECT_EQ(convertProgram(4, 9, 3, 0, &line), 3);    // channel 10 untouched
    // A malformed program number never indexes past the tables.
    EXPECT_EQ(convertProgram(3, 0, 0x80 | 24, 0, &line), 62);
}

TEST(BankFilter, DropsBankSelectsInEveryModeButZero) {
    EXPECT_TRUE(bankFilterPasses(0, 0x007F00B0));
    for (uint8_t mode = 1; mode <= 4; ++mode) {
        EXPECT_FALSE(bankFilterPasses(mode, 0x007F00B0));
        EXPECT_FALSE(bankFilterPasses(mode, 0x000520B5));
        EXPECT_TRUE(bankFilterPasses(mode, 0x006407B0));
        EXPECT_TRUE(bankFilterPasses(mode, 0x00007F90));  // note 0: not a controller
    }
}

TEST(Filters, InLivePlayDroppedBankSelectsArePrintedAndStillRecorded) {
    PlayerFixture f;
    f.settings.bankMode = 2;
    Track t;
    t.tempo(0, 480000)
        .ev(0, {0xB0, 0x00, 0x7F})
        .ev(0, {0xB0, 0x20, 0x01})
        .ev(0, {0xC0, 48})
        .ev(0, {0xB1, 0x00, 0x7E})
        .ev(0, {0xC1, 40})
        .ev(0, {0xB0, 0x07, 0x64})
        .end(0);
    ASSERT_TRUE(f.load(buildSmf(48, {t})));
    f.play();
    EXPECT_EQ(f.device.hex(), (Lines{"C0 30", "C1 11", "B0 07 64"}));
    EXPECT_EQ(f.panel.lines, (Lines{"cancel MIDI msg 007F00B0", "cancel MIDI msg 000120B0",
                                    "conv CM-32L to SC", "cancel MIDI msg 007E00B1",
                                    "conv CM-32P to SC"}));
    EXPECT_EQ(f.seq->channels[0].controllers[0], 127);
    EXPECT_EQ(f.seq->channels[1].program, 17);  // the converted number is recorded
}

TEST(Filters, KeyShiftAppliesToSentNotesAndLastMessage) {
    PlayerFixture f;
    f.settings.keyShift = 2;
    Track t;
    t.tempo(0, 480000).ev(0, {0x90, 60, 100}).ev(0, {0x99, 36, 100}).ev(0, {0xA0, 60, 5})
        .ev(0, {0x90, 127, 1}).end(0);
    ASSERT_TRUE(f.load(buildSmf(48, {t})));
    f.play();
    EXPECT_EQ(f.device.hex(), (Lines{"90 3E 64", "99 24 64", "A0 3C 05", "90 00 01"}));
    EXPECT_EQ(f.seq->lastMessage, 0x00010090u);
}

}  // namespace
