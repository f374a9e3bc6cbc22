// Key shift, program conversion and the bank-select filter, alone and in live play.
#include <gtest/gtest.h>

#include <sstream>

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

// The conversion tables as published, sixteen programs a row.
const char* const kMt32Rows[8] = {
    "0 1 2 5 4 4 4 3 16 16 16 16 19 19 19 21",
    "6 6 6 7 7 7 8 8 62 62 62 62 38 38 38 38",
    "88 92 52 92 97 99 98 53 96 96 68 52 87 20 7 80",
    "48 48 49 45 40 41 42 42 43 46 46 24 25 29 30 104",
    "32 32 33 34 36 37 35 35 73 73 72 72 74 75 64 65",
    "66 67 71 71 68 69 70 22 56 56 57 57 60 60 58 61",
    "61 11 11 15 112 9 14 13 12 107 17 77 78 79 76 76",
    "47 117 118 118 118 116 115 119 115 9 55 124 123 125 102 122",
};
const char* const kCm32pRows[4] = {
    "1 1 1 3 0 1 1 4 5 5 26 26 25 30 28 36",
    "36 36 36 37 37 37 37 33 33 34 34 35 32 52 52 52",
    "52 49 48 50 50 16 16 16 17 16 16 17 17 17 56 56",
    "57 57 57 57 57 57 65 66 67 64 61 61 62 62 61 55",
};

std::vector<int> numbers(const char* const* rows, int count) {
    std::vector<int> out;
    for (int r = 0; r < count; ++r) {
        std::istringstream in(rows[r]);
        for (int v; in >> v;) out.push_back(v);
    }
    return out;
}

TEST(ProgramMaps, MatchTheirTablesWhole) {
    const std::vector<int> mt32 = numbers(kMt32Rows, 8);
    std::vector<int> cm32p = numbers(kCm32pRows, 4);
    ASSERT_EQ(mt32.size(), 128u);
    ASSERT_EQ(cm32p.size(), 64u);
    cm32p.resize(128, 0);  // 64-127: 0 for every entry
    for (int p = 0; p < 128; ++p) {
        EXPECT_EQ(mt32ProgramMap[p], mt32[p]) << "MT-32 program " << p;
        EXPECT_EQ(cm32pProgramMap[p], cm32p[p]) << "CM-32P program " << p;
    }
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
