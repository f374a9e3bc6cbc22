// What the channel shadow holds across a load, a panic and the end of a song, so that
// a seek resends what the module has not heard.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "sequencer/playback.h"
#include "tests/support/player_fixture.h"

namespace {

using Lines = std::vector<std::string>;

// One tick a step; the song's events at the given ticks, then its end at tick 400.
Bytes songWith(std::initializer_list<std::pair<uint32_t, std::vector<uint8_t>>> events) {
    Track t;
    t.tempo(0, 480000);
    uint32_t at = 0;
    for (const auto& e : events) {
        putVarLen(t.bytes, e.first - at);
        t.bytes.insert(t.bytes.end(), e.second.begin(), e.second.end());
        at = e.first;
    }
    t.end(400 - at);
    return buildSmf(48, {t});
}

TEST(Shadow, ALoadLeavesItAsItWasSoTheFirstSeekResendsTheSong) {
    PlayerFixture f;
    ASSERT_TRUE(f.load(songWith({{100, {0xB0, 7, 80}}, {150, {0xE0, 0, 0}}})));
    EXPECT_EQ(f.seq->channels[0].controllers[7], 100);
    f.play(10);
    seekSong(*f.seq, 60);  // from the start, past both events, no panic in between
    const Lines sent = f.device.hex();
    ASSERT_EQ(sent.size(), 18u);
    EXPECT_EQ(sent[16], "B0 07 50");
    EXPECT_EQ(sent[17], "E0 00 00");
}

TEST(Shadow, BankMode2ConvertsNoProgramBeforeTheSongsBankSelect) {
    PlayerFixture f;
    f.settings.bankMode = 2;
    ASSERT_TRUE(f.load(songWith({{0, {0xC0, 24}}, {100, {0xB0, 0, 127}}, {101, {0xC0, 24}}})));
    f.play();
    EXPECT_EQ(f.device.hex(), (Lines{"C0 18", "C0 3E"}));
    EXPECT_EQ(f.panel.lines, (Lines{"cancel MIDI msg 007F00B0", "conv CM-32L to SC"}));
}

TEST(Shadow, APanicCentresTheBendSoASeekMeetingItAgainResendsIt) {
    PlayerFixture f;
    ASSERT_TRUE(f.load(songWith({{100, {0xE0, 0, 0}}})));
    f.play(150);
    panicSong(*f.seq, 0);
    EXPECT_EQ(f.seq->channels[0].bendMsb, 64);
    f.device.sent.clear();
    seekSong(*f.seq, 50);
    EXPECT_EQ(f.device.hex().back(), "E0 00 00");
    EXPECT_EQ(f.panel.lines.back(), "1ch BEND -8192");
}

TEST(Shadow, ASeekOnAnEndedSongDoesNothing) {
    PlayerFixture f;
    ASSERT_TRUE(f.load(songWith({{100, {0xB0, 7, 80}}})));
    f.play();
    ASSERT_FALSE(f.seq->playing);
    f.device.sent.clear();
    f.panel.lines.clear();
    seekSong(*f.seq, 50);
    EXPECT_FALSE(f.seq->playing);
    EXPECT_TRUE(f.device.sent.empty());
    EXPECT_TRUE(f.panel.lines.empty());
}

TEST(Shadow, PanicSongWaitsForTheStepLock) {
    PlayerFixture f;
    ASSERT_TRUE(f.load(songWith({{100, {0xB0, 7, 80}}})));
    f.play(150);
    std::unique_lock<std::mutex> stepping(f.seq->stepLock);  // a step in progress
    std::thread ui([&] { panicSong(*f.seq, 1); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const size_t sentDuringTheStep = f.device.sent.size();
    const uint8_t volumeDuringTheStep = f.seq->channels[0].controllers[7];
    stepping.unlock();
    ui.join();
    EXPECT_EQ(sentDuringTheStep, 1u);
    EXPECT_EQ(volumeDuringTheStep, 80);
    ASSERT_EQ(f.device.sent.size(), 18u);  // 16 notes off and the GM reset
    EXPECT_EQ(f.device.hex().back(), "F0 7E 7F 09 01 F7");
    EXPECT_EQ(f.seq->channels[0].controllers[7], 100);
}

}  // namespace
