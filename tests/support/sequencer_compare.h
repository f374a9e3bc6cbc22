#pragma once
// Compares two sequencers field by field, for tests that play one song two ways.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "sequencer/sequencer.h"

inline void expectSameSongState(const Sequencer& a, const Sequencer& b, const std::string& where) {
    EXPECT_EQ(a.tick, b.tick) << where;
    EXPECT_EQ(a.tickAccumulator, b.tickAccumulator) << where;
    EXPECT_EQ(a.stepIncrement, b.stepIncrement) << where;
    EXPECT_EQ(a.elapsedSteps, b.elapsedSteps) << where;
    EXPECT_EQ(a.playing, b.playing) << where;
    EXPECT_EQ(a.activeTracks, b.activeTracks) << where;
    EXPECT_EQ(a.bpm, b.bpm) << where;
    EXPECT_EQ(a.lastMessage, b.lastMessage) << where;
    EXPECT_EQ(a.loopFound, b.loopFound) << where;
    EXPECT_EQ(a.titleTaken, b.titleTaken) << where;
    // A loop point is read only while one is found; what an earlier run left is stale.
    if (a.loopFound) {
        EXPECT_EQ(a.loopPoint.tick, b.loopPoint.tick) << where;
        EXPECT_EQ(a.loopPoint.elapsedSteps, b.loopPoint.elapsedSteps) << where;
    }
    for (int32_t t = 0; t < a.trackCount; ++t) {
        EXPECT_EQ(a.tracks[t].position, b.tracks[t].position) << where << " track " << t;
        EXPECT_EQ(a.tracks[t].eventTick, b.tracks[t].eventTick) << where << " track " << t;
        EXPECT_EQ(a.tracks[t].trackActive, b.tracks[t].trackActive) << where << " track " << t;
        if (!a.loopFound) continue;
        EXPECT_EQ(loopPointTrack(a, t).position, loopPointTrack(b, t).position) << where << " track " << t;
        EXPECT_EQ(loopPointTrack(a, t).eventTick, loopPointTrack(b, t).eventTick) << where << " track " << t;
    }
    EXPECT_EQ(0, std::memcmp(a.channels, b.channels, sizeof a.channels)) << where;
}
