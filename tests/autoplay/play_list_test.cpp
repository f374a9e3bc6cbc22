// The shuffle's random numbers, the shuffle itself, the end marker and the upper-casing.
#include "autoplay/play_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "platform/shift_jis.h"

namespace {

TEST(PlayListTest, NextRandomFromTheTwoSeeds) {
    uint32_t seed = 0;
    const struct { uint32_t seed; int32_t value; } steps[] = {
        {5, 0}, {50, 0}, {455, 0}, {4100, 0}, {36905, 0}, {332150, 5}, {2989355, 45}, {26904200, 410}};
    for (const auto& s : steps) {
        EXPECT_EQ(nextRandom(seed), s.value);
        EXPECT_EQ(seed, s.seed);
    }
    seed = 2147483648u;
    EXPECT_EQ(nextRandom(seed), -32768);
    EXPECT_EQ(seed, 2147483653u);
}

TEST(PlayListTest, ShuffleExchangesTextsWithPositionsDrawnFromTheWholeList) {
    // Seed 0 draws 0 five times. Seed 2^31 draws -32768 each time: as an unsigned number
    // modulo 5 that is 3 (a signed modulo would give a negative index).
    const struct { uint32_t seed; const char *in, *out; } cases[] = {
        {0, "ABCDE", "EABCD"}, {2147483648u, "ABCDE", "DABEC"}, {12345, "X", "X"}, {7, "", ""}};
    for (const auto& c : cases) {
        PlayList list;
        const int32_t n = static_cast<int32_t>(std::strlen(c.in));
        std::set<const PlayListEntry*> entries;
        for (int32_t i = 0; i < n; ++i) {
            auto* e = new PlayListEntry{1, {c.in[i]}};  // listed, as the search lists them
            putEntry(list, i, e);
            entries.insert(e);
        }
        list.listCount = n;
        uint32_t seed = c.seed;
        shuffleList(list, seed);
        std::string order;
        std::set<const PlayListEntry*> after;
        for (int32_t i = 0; i < n; ++i) {
            order += slotEntry(list, i)->path;
            EXPECT_EQ(slotEntry(list, i)->listed, 1);  // every slot still holds a listed song
            after.insert(slotEntry(list, i));
        }
        EXPECT_EQ(order, c.out) << c.seed;
        EXPECT_EQ(after, entries);  // each entry once: none lost, none doubled
        // The same exchanges on a sequence of items outside a list.
        std::string items = c.in;
        seed = c.seed;
        shuffleLikeList(items, seed);
        EXPECT_EQ(items, c.out) << c.seed;
    }
    // Past a list's 65,535 songs nothing is left out.
    std::vector<int32_t> many(70000);
    for (int32_t i = 0; i < 70000; ++i) many[i] = i;
    uint32_t seed = 99;
    shuffleLikeList(many, seed);
    EXPECT_NE(many[69999], 69999);
    std::sort(many.begin(), many.end());
    for (int32_t i = 0; i < 70000; ++i) ASSERT_EQ(many[i], i);
}

TEST(PlayListTest, EndMarkerAndUpperCasing) {
    // Where paths keep their case a listed one may begin with "e" too.
    EXPECT_FALSE(isEndMarker(PlayListEntry{1, "e/song.mid"}));
    EXPECT_TRUE(isEndMarker(PlayListEntry{0, "end"}));
    char text[] = "c:\\x\x83\x61y.mid";  // 0x83 0x61 is one character and stays
    upperCaseAscii(text);
    EXPECT_STREQ(text, "C:\\X\x83\x61Y.MID");
}

}  // namespace
