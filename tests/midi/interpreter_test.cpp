// The event interpreter through live steps: what is sent, in which step, in which order.
#include <gtest/gtest.h>

#include "midi/interpreter.h"
#include "tests/support/player_fixture.h"

namespace {

using Lines = std::vector<std::string>;

std::vector<SentMessage> msgs(std::initializer_list<SentMessage> list) { return list; }

// division 48 and a tempo of 125 bpm: exactly one tick per step.
Track oneTickPerStep() {
    Track t;
    t.tempo(0, 480000);  // 60,000,000 / 480,000 = 125 bpm
    return t;
}

TEST(Interpreter, EventAtTickTIsSentInTheFirstStepWhoseTickExceedsT) {
    PlayerFixture f;
    Track t = oneTickPerStep();
    t.ev(0, {0x90, 60, 100}).ev(5, {0x80, 60, 0}).end(0);
    ASSERT_TRUE(f.load(buildSmf(48, {t})));
    f.seq->stepIncrement = 6000;  // the rate in force before the song's tempo event
    f.play();
    // Tick 0 events go out in step 1 (tick 1); tick 5 in step 6 (tick 6), never step 5.
    EXPECT_EQ(f.device.sent, msgs({{1, {0x90, 60, 100}}, {6, {0x80, 60, 0}}}));
}

TEST(Interpreter, DueEventsGoOutTrackByTrackInIndexOrder) {
    PlayerFixture f;
    Track t0 = oneTickPerStep(), t1, t2;
    t0.ev(3, {0x90, 60, 1}).ev(1, {0x90, 61, 1}).end(0);
    t1.ev(2, {0x91, 70, 1}).ev(2, {0x91, 71, 1}).end(0);
    t2.ev(4, {0x92, 80, 1}).end(0);
    ASSERT_TRUE(f.load(buildSmf(48, {t0, t1, t2})));
    f.seq->stepIncrement = 6000 * 10;  // the first step passes every event
    f.play();
    EXPECT_EQ(f.device.hex(), (Lines{"90 3C 01", "90 3D 01", "91 46 01", "91 47 01", "92 50 01"}));
    for (const SentMessage& m : f.device.sent) EXPECT_EQ(m.step, 1u);
}

TEST(Interpreter, RunningStatusSurvivesMetaAndSysExAndAppliesToProgramChanges) {
    PlayerFixture f;
    f.settings.bankMode = 3;  // MT-32 map on every channel but 10
    Track t = oneTickPerStep();
    t.ev(0, {0x91, 60, 100})
        .meta(0, 0x01, "text")
        .ev(0, {62, 90})  // running status 91 after a meta event
        .sysex(0, {0x7E, 0x7F, 0x09, 0x01, 0xF7})
        .ev(0, {64, 80})  // and after a System Exclusive event
        .ev(0, {0xC2, 24})
        .ev(0, {25})  // a running-status program change: one data byte, converted too
        .ev(0, {0xE3, 0x00, 0x50})
        .end(0);
    ASSERT_TRUE(f.load(buildSmf(48, {t})));
    f.play();
    EXPECT_EQ(f.device.hex(), (Lines{"91 3C 64", "91 3E 5A", "F0 7E 7F 09 01 F7", "91 40 50",
                                     "C2 3E", "C2 3E", "E3 00 50"}));
    EXPECT_EQ(f.seq->channels[2].program, 62);
    EXPECT_EQ(f.seq->channels[3].bendMsb, 0x50);
}

TEST(Interpreter, OnlyTheFirstTrackNameAfterARewindIsShown) {
    PlayerFixture f;
    Track t0 = oneTickPerStep(), t1, t2;
    t0.meta(0, 0x03, "first").end(0);
    t1.meta(0, 0x03, "second").end(0);
    t2.meta(0, 0x03, "third").meta(0, 0x01, "comment").meta(0, 0x02, "(c)").meta(0, 0x05, "la")
        .meta(0, 0x01, "").end(0);
    ASSERT_TRUE(f.load(buildSmf(48, {t0, t1, t2})));
    f.play();
    EXPECT_EQ(f.panel.lines, (Lines{"first", "comment", "(c)", "la", ""}));
}

TEST(Interpreter, TextSwitchesSilenceTheirOwnKindOnly) {
    PlayerFixture f;
    f.settings.showText = false;
    f.settings.showLyric = false;
    f.settings.showTrackName = false;
    Track t = oneTickPerStep();
    t.meta(0, 0x03, "name").meta(0, 0x01, "comment").meta(0, 0x02, "(c)").meta(0, 0x05, "la")
        .meta(0, 0x06, "marker").end(0);
    ASSERT_TRUE(f.load(buildSmf(48, {t})));
    f.play();
    EXPECT_EQ(f.panel.lines, (Lines{"(c)"}));
    EXPECT_TRUE(f.seq->titleTaken);  // taken even when not shown
}

TEST(Interpreter, TextStopsAtAZeroByteAndLongTextIsCutAt511Bytes) {
    PlayerFixture f;
    Track t = oneTickPerStep();
    t.meta(0, 0x01, std::string("ab\0cd", 5)).meta(0, 0x01, std::string(700, 'x'))
        .meta(0, 0x03, std::string(600, 'n')).end(0);
    ASSERT_TRUE(f.load(buildSmf(48, {t})));
    f.play();
    ASSERT_EQ(f.panel.lines.size(), 3u);
    EXPECT_EQ(f.panel.lines[0], "ab");
    EXPECT_EQ(f.panel.lines[1], std::string(511, 'x'));
    EXPECT_EQ(f.panel.lines[2], std::string(511, 'n'));
    EXPECT_EQ(f.seq->activeTracks, 0);  // the reader went on after the long events
}

TEST(Interpreter, ControlChange111IsCapturedNeverSentAndReportedInMilliseconds) {
    for (uint8_t mode = 0; mode <= 4; ++mode) {
        PlayerFixture f;
        f.settings.bankMode = mode;
        Track t = oneTickPerStep();
        t.ev(1233, {0xB0, 111, 0}).ev(0, {0xB0, 7, 90}).end(10);
        ASSERT_TRUE(f.load(buildSmf(48, {t})));
        f.seq->stepIncrement = 6000;
        f.play();
        EXPECT_EQ(f.device.hex(), (Lines{"B0 07 5A"})) << "bank mode " << int(mode);
        // Tick 1233 falls due in step 1234; elapsedSteps is 1233 during that step.
        EXPECT_EQ(f.panel.lines, (Lines{"found : cc111 - 12330 ms"}));
        EXPECT_TRUE(f.seq->loopFound);
        EXPECT_EQ(f.seq->channels[0].controllers[111], 0);
        EXPECT_EQ(f.seq->loopPoint.tick, 1234);
    }
}

TEST(Interpreter, SetTempoGivesWholeBeatsPerMinuteAndRecomputesTheIncrement) {
    const struct { uint32_t micros; int32_t bpm; } cases[] = {
        {500000, 120}, {600000, 100}, {333333, 180}, {700000, 85}, {1, 60000000}};
    for (const auto& c : cases) {
        PlayerFixture f;
        Track t0, t1;
        t0.ev(0, {0x90, 1, 1}).end(50);
        t1.ev(0, {0x90, 2, 2}).tempo(2, c.micros).ev(0, {0x90, 3, 3}).end(100);
        ASSERT_TRUE(f.load(buildSmf(96, {t0, t1})));
        f.play(4);
        EXPECT_EQ(f.seq->bpm, c.bpm);
        EXPECT_EQ(f.seq->stepIncrement, int64_t(96) * c.bpm);  // no overflow at 60,000,000
        // The track went on with the event after its tempo event.
        EXPECT_EQ(f.device.hex().back(), "90 03 03");
    }
}

TEST(Interpreter, TempoZeroKeepsTheTempo) {
    PlayerFixture f;
    Track t = oneTickPerStep();
    t.tempo(1, 0).ev(0, {0x90, 5, 5}).end(0);
    ASSERT_TRUE(f.load(buildSmf(48, {t})));
    f.play();
    EXPECT_EQ(f.seq->bpm, 125);
    EXPECT_EQ(f.device.hex(), (Lines{"90 05 05"}));
}

TEST(Interpreter, SysExIsSentWholeAndOversizedOnesArePassedOver) {
    PlayerFixture f;
    Bytes ten = {1, 2, 3, 4, 5, 6, 7, 8, 9, 0xF7};
    Bytes fits(1022, 0x11), tooBig(1023, 0x22);
    fits.back() = tooBig.back() = 0xF7;
    Track t = oneTickPerStep();
    t.sysex(0, ten).sysex(0, fits).sysex(0, tooBig).ev(0, {0x90, 9, 9}).end(0);
    ASSERT_TRUE(f.load(buildSmf(48, {t})));
    f.play();
    ASSERT_EQ(f.device.sent.size(), 3u);
    EXPECT_EQ(f.device.sent[0].bytes.size(), 11u);
    EXPECT_EQ(f.device.sent[0].bytes.front(), 0xF0);
    EXPECT_EQ(f.device.sent[1].bytes.size(), 1023u);
    EXPECT_EQ(f.device.hex()[2], "90 09 09");
}

TEST(Interpreter, F7EscapeIsSkippedByItsLengthOtherSystemBytesArePassedOver) {
    PlayerFixture f;
    Track t = oneTickPerStep();
    t.ev(0, {0xF7, 0x02, 0xAA, 0xBB}).ev(0, {0x90, 1, 1}).end(0);
    ASSERT_TRUE(f.load(buildSmf(48, {t})));
    f.play();
    EXPECT_EQ(f.device.hex(), (Lines{"90 01 01"}));

    // Other system bytes go by with the data bytes they have on the wire, nothing is
    // sent, and the next event plays in the same step: none is read as a delta time.
    const struct { const char* what; std::initializer_list<uint8_t> bytes; } cases[] = {
        {"no data", {0xF4}}, {"real-time", {0xF8}}, {"song position", {0xF2, 0x10, 0x20}},
        {"time code", {0xF1, 0x05}}, {"song select", {0xF3, 0x7F}},
    };
    for (const auto& c : cases) {
        PlayerFixture g;
        Track u = oneTickPerStep();
        u.ev(0, c.bytes).ev(0, {0x90, 2, 2}).ev(1, {0x90, 3, 3}).end(0);
        ASSERT_TRUE(g.load(buildSmf(48, {u})));
        g.play(50);
        EXPECT_EQ(g.device.sent, msgs({{1, {0x90, 2, 2}}, {2, {0x90, 3, 3}}})) << c.what;
        EXPECT_EQ(g.seq->activeTracks, 0) << c.what;
    }
}

TEST(Interpreter, MalformedTracksEndCleanlyInsideTheirData) {
    struct Case {
        const char* what;
        Bytes body;
        Lines sent;
        uint8_t active;
    };
    const Case cases[] = {
        {"no end of track", {0x00, 0x90, 60, 100}, {"90 3C 64"}, 2},
        {"empty track", {}, {}, 2},
        {"note cut short", {0x00, 0x90, 60}, {}, 2},
        {"delta time cut short", {0x00, 0x90, 60, 1, 0x81}, {"90 3C 01"}, 2},
        {"sysex longer than the track", {0x00, 0xF0, 0x05, 1, 2}, {}, 2},
        {"meta longer than the track", {0x00, 0xFF, 0x01, 0x10, 'a'}, {}, 2},
        {"tempo cut short", {0x00, 0xFF, 0x51, 0x03, 0x07}, {}, 2},
        {"data bytes with bit 7 are masked", {0x00, 0xB0, 0xFF, 0xFF, 0x00, 0xFF, 0x2F, 0x00},
         {"B0 7F 7F"}, 0},
        {"meta type missing", {0x00, 0xFF}, {}, 2},
        {"delta time of five bytes", {0x00, 0x90, 60, 1, 0x80, 0x80, 0x80, 0x80, 0x00, 0x90, 61, 1},
         {"90 3C 01"}, 2},
        {"sysex length of five bytes", {0x00, 0xF0, 0x80, 0x80, 0x80, 0x80, 0x01, 0xF7}, {}, 2},
    };
    for (const Case& c : cases) {
        PlayerFixture f;
        Track t;
        t.bytes = c.body;
        ASSERT_TRUE(f.load(buildSmf(48, {t}))) << c.what;
        f.play(10);
        EXPECT_EQ(f.device.hex(), c.sent) << c.what;
        EXPECT_EQ(f.seq->tracks[0].trackActive, c.active) << c.what;
        EXPECT_FALSE(f.seq->playing) << c.what;
        EXPECT_LE(f.seq->tracks[0].position, f.seq->tracks[0].trackLength + 1) << c.what;
    }
}

TEST(Interpreter, ADataByteBeforeAnyStatusUsesTheStatusLeftFromBefore) {
    PlayerFixture f;
    Track t1;
    t1.ev(0, {0x95, 1, 1}).end(0);
    ASSERT_TRUE(f.load(buildSmf(48, {t1})));
    f.play();
    unloadSong(*f.seq);
    f.device.sent.clear();
    Track t2;
    t2.ev(0, {7, 7}).end(0);  // no status byte: the previous song's 95 runs on
    ASSERT_TRUE(f.load(buildSmf(48, {t2})));
    f.play();
    EXPECT_EQ(f.device.hex(), (Lines{"95 07 07"}));
}

TEST(Interpreter, SilentRunsSendAndPrintNothingButUpdateState) {
    PlayerFixture f;
    Track t = oneTickPerStep();
    t.meta(0, 0x03, "title").ev(0, {0xB0, 7, 80}).ev(0, {0xC0, 5}).ev(0, {0xE0, 1, 2})
        .tempo(1, 500000).ev(1, {0xB0, 111, 0}).end(0);
    ASSERT_TRUE(f.load(buildSmf(48, {t})));  // the length scan is a silent run
    EXPECT_EQ(f.seq->stepIncrement, 48 * 120);  // the scan's last tempo stays in force
    EXPECT_FALSE(f.seq->loopFound);             // cleared by the rewind after the scan
    EXPECT_FALSE(f.seq->titleTaken);
    // The module heard nothing of the scan, so neither does the shadow keep it.
    EXPECT_EQ(f.seq->channels[0].controllers[7], 100);
    seekPercent(*f.seq, 100);  // a seek's run records as playback would
    EXPECT_TRUE(f.device.sent.empty());
    EXPECT_TRUE(f.panel.lines.empty());
    EXPECT_EQ(f.seq->channels[0].controllers[7], 80);
    EXPECT_EQ(f.seq->channels[0].program, 5);
    EXPECT_EQ(f.seq->channels[0].bendLsb, 1);
    EXPECT_TRUE(f.seq->loopFound);
    EXPECT_TRUE(f.seq->titleTaken);
}

TEST(VarLen, DecodingStopsAtTheEndAndTheReaderStepsTheShortestEncoding) {
    const uint8_t bytes[] = {0x81, 0x80, 0x00};
    uint32_t v = 0;
    ASSERT_TRUE(decodeVarLen(bytes, bytes + 3, v));
    EXPECT_EQ(v, 0x4000u);
    EXPECT_FALSE(decodeVarLen(bytes, bytes + 2, v));
    EXPECT_EQ(varLenSize(127), 1);
    EXPECT_EQ(varLenSize(128), 2);
    EXPECT_EQ(varLenSize(16383), 2);
    EXPECT_EQ(varLenSize(16384), 3);
    EXPECT_EQ(varLenSize(2097151), 3);
    EXPECT_EQ(varLenSize(0x0FFFFFFF), 4);
    // Four bytes at most: the largest quantity decodes, a fifth byte is malformed.
    const uint8_t largest[] = {0xFF, 0xFF, 0xFF, 0x7F}, five[] = {0x80, 0x80, 0x80, 0x80, 0x00};
    ASSERT_TRUE(decodeVarLen(largest, largest + 4, v));
    EXPECT_EQ(v, 0x0FFFFFFFu);
    EXPECT_FALSE(decodeVarLen(five, five + 5, v));
    // A padded zero (80 00) decodes as 0 and the reader moves one byte only.
    const uint8_t padded[] = {0x80, 0x00};
    ASSERT_TRUE(decodeVarLen(padded, padded + 2, v));
    EXPECT_EQ(v, 0u);
    EXPECT_EQ(varLenSize(v), 1);
}

TEST(AppendBytes, CopiesZerosAndNeverPassesTheCapacity) {
    char line[8] = "ab";
    const uint8_t src[] = {'c', 0, 'd', 'e', 'f', 'g', 'h', 'i'};
    appendBytes(line, sizeof line, src, 3);
    EXPECT_EQ(std::string(line, 5), std::string("abc\0d", 5));
    char small[4] = "";
    appendBytes(small, sizeof small, src + 2, 6);
    EXPECT_STREQ(small, "def");
}

}  // namespace
