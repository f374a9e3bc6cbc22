// The play list's slots, its random numbers and shuffle, and the ANSI upper-casing.
#include "autoplay/play_list.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/folders.h"

namespace {

void fill(PlayList& list, const std::vector<std::string>& paths) {
    int32_t i = 0;
    for (const std::string& p : paths) {
        auto* e = new PlayListEntry;
        std::strcpy(e->path, p.c_str());
        e->listed = static_cast<int8_t>(1 + i);  // tells whether the flags stay put
        putEntry(list, i++, e);
    }
    list.listCount = i;
}

std::string order(const PlayList& list) {
    std::string out;
    for (int32_t i = 0; i < listCount(list); ++i) out += slotEntry(list, i)->path;
    return out;
}

TEST(PlayListTest, NextRandomFromTheTwoSeeds) {
    uint32_t seed = 0;
    const uint32_t seeds[] = {5, 50, 455, 4100, 36905, 332150, 2989355, 26904200};
    const int32_t values[] = {0, 0, 0, 0, 0, 5, 45, 410};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(nextRandom(seed), values[i]) << i;
        EXPECT_EQ(seed, seeds[i]) << i;
    }
    seed = 2147483648u;
    EXPECT_EQ(nextRandom(seed), -32768);
    EXPECT_EQ(seed, 2147483653u);
}

TEST(PlayListTest, ShuffleExchangesTextsWithPositionsDrawnFromTheWholeList) {
    struct Case { uint32_t seed; std::vector<std::string> in; const char* out; };
    // Seed 0 draws 0 five times. Seed 2^31 draws -32768 each time: as an unsigned number
    // modulo 5 that is 3 (a signed modulo would give a negative index).
    const Case cases[] = {{0, {"A", "B", "C", "D", "E"}, "EABCD"},
                          {2147483648u, {"A", "B", "C", "D", "E"}, "DABEC"},
                          {12345, {"ONLY"}, "ONLY"},
                          {7, {}, ""}};
    for (const Case& c : cases) {
        PlayList list;
        fill(list, c.in);
        uint32_t seed = c.seed;
        shuffleList(list, seed);
        EXPECT_EQ(order(list), c.out) << c.seed;
        for (int32_t i = 0; i < listCount(list); ++i) EXPECT_EQ(slotEntry(list, i)->listed, 1 + i);
    }
}

TEST(PlayListTest, SlotsEndMarkerAndRelease) {
    PlayList list;
    fill(list, {"e/song.mid", "end"});
    slotEntry(list, 1)->listed = 0;
    EXPECT_FALSE(isEndMarker(*slotEntry(list, 0)));  // a listed path may start with "e" here
    EXPECT_TRUE(isEndMarker(*slotEntry(list, 1)));
    EXPECT_EQ(slotEntry(list, -1), nullptr);
    EXPECT_EQ(slotEntry(list, kPlayListSlots), nullptr);
    putEntry(list, kPlayListSlots, new PlayListEntry);  // outside: released, not stored

    char shown[kEntryPathSize];
    shownEntryText(list, *slotEntry(list, 0), shown);
    EXPECT_STREQ(shown, "E/SONG.MID");
    EXPECT_STREQ(slotEntry(list, 0)->path, "e/song.mid");

    releasePlayListEntries(list);
    EXPECT_EQ(listCount(list), 0);
    for (int32_t i : {0, 1, 2, kPlayListSlots - 1}) EXPECT_EQ(slotEntry(list, i), nullptr);
}

TEST(PlayListTest, UpperCasingLeavesTheSecondByteOfADoubleByteCharacter) {
    const char* cases[][2] = {{"c:\\music\\a.mid", "C:\\MUSIC\\A.MID"},
                              {"x\x83\x61y.mid", "X\x83\x61Y.MID"},  // 0x83 0x61 is one character
                              {"ABC 123_!", "ABC 123_!"}};
    for (const auto& c : cases) {
        char text[32];
        std::strcpy(text, c[0]);
        upperCaseAnsi(text);
        EXPECT_STREQ(text, c[1]) << c[0];
    }
}

}  // namespace
