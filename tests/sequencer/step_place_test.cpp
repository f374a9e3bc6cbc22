// Each message a live step sends carries its place within the step, from its tick:
// where the clock passes the tick in the step's span of ticks.
#include <gtest/gtest.h>

#include "tests/support/player_fixture.h"

namespace {

struct Placed {
    uint32_t step;
    uint32_t place;
    bool operator==(const Placed& o) const { return step == o.step && place == o.place; }
};

std::vector<Placed> notePlaces(const PlayerFixture& f) {
    std::vector<Placed> out;
    for (size_t i = 0; i < f.device.sent.size(); ++i)
        if ((f.device.sent[i].bytes[0] & 0xF0) == 0x90) out.push_back({f.device.sent[i].step, f.device.places[i]});
    return out;
}

Bytes notesAt(uint16_t division, uint32_t microsPerQuarter, std::initializer_list<uint32_t> ticks) {
    Track t;
    t.tempo(0, microsPerQuarter);
    uint32_t at = 0;
    for (uint32_t tick : ticks) {
        t.ev(tick - at, {0x90, 60, 100});
        at = tick;
    }
    t.end(10);
    return buildSmf(division, {t});
}

TEST(StepPlace, AMessageIsPlacedWhereTheClockPassesItsTick) {
    {
        // 60 ticks a step (division 6000 at 60 bpm): tick T is passed at T + 1.
        PlayerFixture f;
        ASSERT_TRUE(f.load(notesAt(6000, 1000000, {0, 30, 59, 60, 119})));
        f.play();
        const std::vector<Placed> expected = {{1, 1092}, {1, 33860}, {1, 65536}, {2, 1092}, {2, 65536}};
        EXPECT_EQ(notePlaces(f), expected);
    }
    {
        // 1.92 ticks a step (division 96 at 120 bpm): step 2 spans ticks 1.92 to 3.84,
        // step 4 spans 5.76 to 7.68.
        PlayerFixture f;
        ASSERT_TRUE(f.load(notesAt(96, 500000, {1, 5})));
        f.play();
        const std::vector<Placed> expected = {{2, 2730}, {4, 8192}};
        EXPECT_EQ(notePlaces(f), expected);
    }
}

TEST(StepPlace, WhatIsSentBetweenStepsHasNoPlace) {
    PlayerFixture f;
    ASSERT_TRUE(f.load(notesAt(6000, 1000000, {30})));
    f.seq->playing = true;
    rewind(*f.seq);
    step(*f.seq, nullptr, true);
    ASSERT_EQ(f.device.places.size(), 1u);
    EXPECT_EQ(f.device.places[0], 33860u);
    f.seq->port.allNotesOff();
    ASSERT_EQ(f.device.places.size(), 17u);
    EXPECT_EQ(f.device.places.back(), kOutsideStep);
}

// A render counts the song's returns to its start or loop point to know when to end.
TEST(StepPlace, LiveStepsCountTheReturnsAtTheSongsEnd) {
    Track t0, t1;
    t0.tempo(0, 480000).ev(0, {0x90, 1, 1}).end(40);  // one tick a step, 41 steps a pass
    t1.ev(20, {0xB0, 111, 0}).end(20);
    for (int8_t mode : {0, 1, 2, 3}) {
        PlayerFixture f;
        ASSERT_TRUE(f.load(buildSmf(48, {t0, t1})));
        f.seq->loopMode = mode;
        f.play(100);
        // Loop: back at steps 41 and 82. cc111loop: back to tick 21 at 41, 61, 81.
        const uint32_t expected = mode == 1 ? 2 : mode == 2 ? 3 : 0;
        EXPECT_EQ(f.seq->loopsPlayed, expected) << int(mode);
    }
}

}  // namespace
