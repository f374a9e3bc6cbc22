// The terminal player's option checks at both edges of every range, the loop mode names
// of its status line, and the Shift_JIS conversion of its console lines at the end of
// its buffer.
#include <gtest/gtest.h>
#include <iconv.h>

#include <sstream>

#include "cli/console_sink.h"
#include "cli/options.h"
#include "cli/terminal.h"
#include "shell/messages.h"

namespace {

// Parses "orvanel-play ARGS song.mid"; false when the options are refused.
bool parse(const std::string& args, PlayOptions& o) {
    std::vector<std::string> words = {"orvanel-play"};
    std::istringstream in(args + " song.mid");
    for (std::string w; in >> w;) words.push_back(w);
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(&w[0]);
    std::string error;
    return parseOptions(int(argv.size()), argv.data(), o, error);
}

TEST(CliOptions, EveryRangeAcceptsItsEdgesAndRefusesJustBeyond) {
    const struct { const char* args; bool accepted; int PlayOptions::*field; int value; } cases[] = {
        {"--key-shift -6", true, &PlayOptions::keyShift, -6}, {"--key-shift=6", true, &PlayOptions::keyShift, 6},
        {"--key-shift -7", false, nullptr, 0}, {"--key-shift 7", false, nullptr, 0},
        {"--bank-mode 0", true, &PlayOptions::bankMode, 0}, {"--bank-mode 4", true, &PlayOptions::bankMode, 4},
        {"--bank-mode -1", false, nullptr, 0}, {"--bank-mode 5", false, nullptr, 0},
        {"--reset-type 0", true, &PlayOptions::resetType, 0}, {"--reset-type 3", true, &PlayOptions::resetType, 3},
        {"--reset-type 4", false, nullptr, 0},
        {"--loop-mode 0", true, &PlayOptions::loopMode, 0}, {"--loop-mode 3", true, &PlayOptions::loopMode, 3},
        {"--loop-mode 4", false, nullptr, 0},
        {"--speed 50", true, &PlayOptions::speedIndex, 0}, {"--speed 100", true, &PlayOptions::speedIndex, 1},
        {"--speed 200", true, &PlayOptions::speedIndex, 2}, {"--speed 49", false, nullptr, 0}, {"--speed 150", false, nullptr, 0},
        {"--speed 201", false, nullptr, 0},
        {"--loops 1", true, &PlayOptions::loops, 1}, {"--loops 1000", true, &PlayOptions::loops, 1000},
        {"--loops 0", false, nullptr, 0}, {"--loops 1001", false, nullptr, 0},
        {"--rate 8000", true, &PlayOptions::rate, 8000}, {"--rate=96000", true, &PlayOptions::rate, 96000},
        {"--rate 7999", false, nullptr, 0}, {"--rate 96001", false, nullptr, 0},
    };
    for (const auto& c : cases) {
        PlayOptions o;
        ASSERT_EQ(parse(c.args, o), c.accepted) << c.args;
        if (c.accepted) {
            EXPECT_EQ(o.*c.field, c.value) << c.args;
        }
    }
}

// Decimals are read alike in every locale; the SoundFont chooses the synth when it is
// the only output that can use it.
TEST(CliOptions, DecimalsAndTheSoundFontAtTheirEdges) {
    const struct { const char* args; bool accepted; uint32_t fadeMs; double gainDb; const char* device; } cases[] = {
        {"--fade 0", true, 0, 0, ""}, {"--fade 2.5", true, 2500, 0, ""}, {"--fade=3600", true, 3600000, 0, ""},
        {"--fade 0.0014", true, 1, 0, ""}, {"--fade -1", false, 0, 0, ""}, {"--fade 3600.001", false, 0, 0, ""}, {"--fade 2,5", false, 0, 0, ""},
        {"--fade 1.2.3", false, 0, 0, ""}, {"--fade .", false, 0, 0, ""}, {"--fade 2.5s", false, 0, 0, ""},
        {"--gain -60", true, 8000, -60, ""}, {"--gain +40", true, 8000, 40, ""}, {"--gain -6.5", true, 8000, -6.5, ""},
        {"--gain -60.5", false, 0, 0, ""}, {"--gain 40.01", false, 0, 0, ""}, {"--gain 3dB", false, 0, 0, ""},
        {"--soundfont a.sf2", true, 8000, 0, "synth:a.sf2"},
        {"--device=synth --soundfont a.sf2", true, 8000, 0, "synth:a.sf2"},
        {"--device=synth:a.sf2 --soundfont a.sf2", true, 8000, 0, "synth:a.sf2"},
        {"--device=wav:o.wav --soundfont a.sf2", true, 8000, 0, "wav:o.wav"},
        {"--device=synth:b.sf2 --soundfont a.sf2", false, 0, 0, ""}, {"--device=log --soundfont a.sf2", false, 0, 0, ""},
        {"--sample-format s24 --no-reverb", true, 8000, 0, ""}, {"--sample-format s8", false, 0, 0, ""},
    };
    for (const auto& c : cases) {
        PlayOptions o;
        ASSERT_EQ(parse(c.args, o), c.accepted) << c.args;
        if (!c.accepted) continue;
        EXPECT_EQ(o.fadeMs, c.fadeMs) << c.args;
        EXPECT_EQ(o.gainDb, c.gainDb) << c.args;
        EXPECT_EQ(o.device, c.device) << c.args;
    }
}

TEST(CliOptions, StepsSeeksAndChannelsAtTheirEdges) {
    PlayOptions o;
    ASSERT_TRUE(parse("--steps 0", o));
    EXPECT_EQ(o.maxSteps, 0);
    ASSERT_TRUE(parse("--steps 2147483647", o));
    EXPECT_EQ(o.maxSteps, 2147483647);
    ASSERT_TRUE(parse("--seek 1:0 --seek 2147483647:100", o));
    ASSERT_EQ(o.seeks.size(), 2u);
    EXPECT_EQ(o.seeks[0].afterStep, 1u);
    EXPECT_EQ(o.seeks[0].percent, 0u);
    EXPECT_EQ(o.seeks[1].afterStep, 2147483647u);
    EXPECT_EQ(o.seeks[1].percent, 100u);
    ASSERT_TRUE(parse("--key-shift-channels 16", o));
    for (int ch = 0; ch < 16; ++ch) EXPECT_EQ(o.keyShiftChannels[ch], ch == 15) << ch;
    ASSERT_TRUE(parse("--key-shift-channels 1,16", o));
    EXPECT_TRUE(o.keyShiftChannels[0] && o.keyShiftChannels[15] && !o.keyShiftChannels[9]);
    for (const char* refused : {"--steps -1", "--steps 2147483648", "--seek 0:50", "--seek 1:101",
                                "--key-shift-channels 0", "--key-shift-channels 17", "--key-shift-channels 1,",
                                "--key-shift-channels 1,,2"}) {
        PlayOptions r;
        EXPECT_FALSE(parse(refused, r)) << refused;
    }
}

TEST(StatusLine, LoopModesAreNamedAsTheLoopButtonCaptions) {
    const char* const captions[4] = {"normal", "loop", "cc111loop", "bigloop"};
    for (int mode = 0; mode < 4; ++mode) EXPECT_STREQ(kLoopModeNames[mode], captions[mode]);
}

TEST(ConsoleSink, AFullBufferEndsTheTextAlsoOnAByteThatDoesNotConvert) {
    iconv_t cd = iconv_open("UTF-8", "CP932");
    ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1));
    const struct { const char* text; size_t capacity; const char* expected; } cases[] = {
        {"abc\xFF", 4, "abc"},         // full exactly when the bad byte comes
        {"abc\x82", 4, "abc"},         // a lead byte cut off at the end
        {"abc\xFF", 5, "abc?"},        // one byte of room: the mark fits
        {"a\xFF" "b\x82\xA0", 16, "a?b\xE3\x81\x82"},  // "あ" converts
        {"\x82\xA0\x82\xA0", 6, "\xE3\x81\x82"},       // no half character
    };
    for (const auto& c : cases) {
        char out[24];
        std::memset(out, 0x55, sizeof out);
        convertSjis(cd, c.text, out, c.capacity);
        EXPECT_STREQ(out, c.expected) << c.text;
        for (size_t i = c.capacity; i < sizeof out; ++i) ASSERT_EQ(out[i], 0x55) << c.text << " byte " << i;
    }
    iconv_close(cd);
}

}  // namespace
