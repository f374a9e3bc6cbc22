#include "platform/posix/render_midi.h"

#ifdef ORVANEL_HAVE_FLUIDSYNTH

#include "tests/support/capture.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#if defined(__SANITIZE_THREAD__)
// FluidSynth loads SoundFont samples on an OpenMP thread pool; libgomp is not built for
// ThreadSanitizer, which then reports its own pool bookkeeping as races.
extern "C" const char* __tsan_default_suppressions()
{
    return "race:libgomp.so.1\n";
}
#endif

namespace {

const uint32_t kStepBytes = 441 * 4;
const uint8_t kGsReset[] = {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7};
const uint8_t kGmOn[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
const uint8_t kXgOn[] = {0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7};
const uint8_t kGm2On[] = {0xF0, 0x7E, 0x7F, 0x09, 0x03, 0xF7};

std::vector<uint8_t> readFile(const std::string& path)
{
    std::vector<uint8_t> bytes;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return bytes;
    uint8_t chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + n);
    std::fclose(f);
    return bytes;
}

uint32_t le16(const std::vector<uint8_t>& b, size_t at) { return b[at] | b[at + 1] << 8; }
uint32_t le32(const std::vector<uint8_t>& b, size_t at) { return le16(b, at) | le16(b, at + 2) << 16; }

// The largest absolute sample in data bytes [from, to) of a WAV file.
int peak(const std::vector<uint8_t>& wav, size_t from, size_t to)
{
    int most = 0;
    for (size_t i = 44 + from; i + 1 < 44 + to && i + 1 < wav.size(); i += 2) {
        const int v = int16_t(le16(wav, i));
        most = std::max(most, std::abs(v));
    }
    return most;
}

class RenderDevice : public testing::Test {
protected:
    void SetUp() override
    {
        if (!findDefaultSoundFont())
            GTEST_SKIP() << "no General MIDI SoundFont installed";
    }
    void TearDown() override
    {
        for (const std::string& p : made_)
            std::remove(p.c_str());
    }
    std::string path(const char* name)
    {
        made_.push_back(scratchPath(name));
        return made_.back();
    }
    // Renders steps; before step i, script(device, i) may send messages.
    std::vector<uint8_t> render(const std::string& file, int steps,
                                const std::function<void(RenderMidiDevice&, int)>& script)
    {
        RenderMidiDevice device(file, "");
        EXPECT_TRUE(device.open()) << device.errorText();
        for (int i = 0; i < steps; ++i) {
            script(device, i);
            device.endStep(10);
        }
        device.close();
        EXPECT_STREQ("", device.errorText());
        return readFile(file);
    }

    std::vector<std::string> made_;
};

TEST_F(RenderDevice, WritesAPcmHeaderAndExactlyOneStepOfFramesPerStepThenTheTail)
{
    const std::string file = path("frames.wav");
    const int steps = 37;
    RenderMidiDevice device(file, "");
    ASSERT_TRUE(device.open()) << device.errorText();
    device.sendShort(0x000000C0);
    device.sendShort(0x00643C90);
    device.sendShort(0x00007BB0);
    for (int i = 0; i < steps; ++i)
        device.endStep(10);
    EXPECT_EQ(uint64_t(steps * 441), device.framesWritten());
    device.close();
    EXPECT_STREQ("", device.errorText());

    const std::vector<uint8_t> wav = readFile(file);
    // The tail after the last step comes in whole steps too.
    ASSERT_GE(wav.size(), 44 + steps * kStepBytes);
    const uint32_t dataBytes = uint32_t(wav.size() - 44);
    EXPECT_EQ(dataBytes % kStepBytes, 0u);
    EXPECT_EQ(0, std::memcmp(wav.data(), "RIFF", 4));
    EXPECT_EQ(36 + dataBytes, le32(wav, 4));
    EXPECT_EQ(0, std::memcmp(wav.data() + 8, "WAVEfmt ", 8));
    EXPECT_EQ(16u, le32(wav, 16));
    EXPECT_EQ(1u, le16(wav, 20)) << "PCM";
    EXPECT_EQ(2u, le16(wav, 22)) << "channels";
    EXPECT_EQ(44100u, le32(wav, 24));
    EXPECT_EQ(176400u, le32(wav, 28)) << "bytes per second";
    EXPECT_EQ(4u, le16(wav, 32)) << "block align";
    EXPECT_EQ(16u, le16(wav, 34)) << "bits";
    EXPECT_EQ(0, std::memcmp(wav.data() + 36, "data", 4));
    EXPECT_EQ(dataBytes, le32(wav, 40));
}

TEST_F(RenderDevice, IsExactlySilentUntilANoteThenSounds)
{
    const std::vector<uint8_t> wav = render(path("note.wav"), 60, [](RenderMidiDevice& d, int step) {
        if (step == 10)
            d.sendShort(0x007F3C90);
    });
    ASSERT_GE(wav.size(), 44 + 60 * kStepBytes);
    // Not a single dither bit before the note: silence must render as zeros.
    EXPECT_EQ(0, peak(wav, 0, 10 * kStepBytes));
    EXPECT_GT(peak(wav, 10 * kStepBytes, 60 * kStepBytes), 1000);
}

TEST_F(RenderDevice, TheSameMessagesGiveTheSameBytes)
{
    const auto song = [](RenderMidiDevice& d, int step) {
        switch (step) {
        case 0: EXPECT_EQ(0u, d.sendLong(kGsReset, sizeof kGsReset)); break;
        case 3: d.sendShort(0x000030C0); d.sendShort(0x00285BB0); d.sendShort(0x00405DB0); break;
        case 5: d.sendShort(0x00703C90); d.sendShort(0x00604090); d.sendShort(0x00504399); break;
        case 20: d.sendShort(0x005000E0); d.sendShort(0x003CD0); break;
        case 40: d.sendShort(0x00003C80); d.sendShort(0x00004090); break;
        default: break;
        }
    };
    const std::vector<uint8_t> first = render(path("first.wav"), 150, song);
    std::srand(12345); // nothing the render does may depend on the process's random state
    const std::vector<uint8_t> second = render(path("second.wav"), 150, song);
    ASSERT_GE(first.size(), 44 + 150 * kStepBytes);
    EXPECT_GT(peak(first, 0, 150 * kStepBytes), 1000);
    EXPECT_TRUE(first == second) << "two renders of one song differ";
}

// A held organ note, a reset after 20 steps, and the loudness of the last steps: a reset
// that reaches the synth silences the note, one that is ignored leaves it sounding.
TEST_F(RenderDevice, ResetMessagesReachTheSynth)
{
    const auto organ = [this](const char* name, const uint8_t* reset, uint32_t length) {
        const std::vector<uint8_t> wav = render(path(name), 200, [&](RenderMidiDevice& d, int step) {
            if (step == 0) {
                d.sendShort(0x000013C0); // church organ
                d.sendShort(0x007F3C90);
            }
            if (step == 20 && reset) {
                EXPECT_EQ(0u, d.sendLong(reset, length));
            }
        });
        return peak(wav, 190 * kStepBytes, 200 * kStepBytes);
    };
    const int held = organ("held.wav", nullptr, 0);
    ASSERT_GT(held, 1000);
    EXPECT_LT(organ("gs.wav", kGsReset, sizeof kGsReset), held / 10) << "GS reset";
    EXPECT_LT(organ("gm.wav", kGmOn, sizeof kGmOn), held / 10) << "GM System On";
    EXPECT_LT(organ("xg.wav", kXgOn, sizeof kXgOn), held / 10) << "XG System On";
    EXPECT_LT(organ("gm2.wav", kGm2On, sizeof kGm2On), held / 10) << "GM2 System On";
}

// After the last step the render goes on until the output has stayed below -90 dBFS (a
// 16-bit sample of at most 1) for 100 ms since the last message, for at most 10 s.
TEST_F(RenderDevice, TheMusicEndsInTheFileAndThenTheFileEnds)
{
    struct Case {
        const char* what;
        std::vector<uint32_t> first; // sent before the first of 20 steps
        uint32_t last;               // sent before the last step, 0 for none
        uint32_t minTailSteps, maxTailSteps;
    };
    const Case cases[] = {
        {"nothing sent", {}, 0, 0, 0},
        {"a controller and nothing sounding", {}, 0x00407BB0, 9, 9}, // 10 ms quiet, 90 to go
        {"a piano note let go at the end", {0x000000C0, 0x007F3C90}, 0x00003C80, 10, 999},
        {"an organ note held", {0x000013C0, 0x007F3C90}, 0, 1000, 1000},
    };
    for (const Case& c : cases) {
        const std::vector<uint8_t> wav = render(path("tail.wav"), 20, [&](RenderMidiDevice& d, int step) {
            if (step == 0)
                for (uint32_t m : c.first)
                    d.sendShort(m);
            if (step == 19 && c.last)
                d.sendShort(c.last);
        });
        ASSERT_GE(wav.size(), 44 + 20 * kStepBytes) << c.what;
        const size_t data = wav.size() - 44;
        const uint32_t tailSteps = uint32_t(data / kStepBytes) - 20;
        EXPECT_EQ(data % kStepBytes, 0u) << c.what;
        EXPECT_GE(tailSteps, c.minTailSteps) << c.what;
        EXPECT_LE(tailSteps, c.maxTailSteps) << c.what;
        if (tailSteps < 1000) {
            EXPECT_LE(peak(wav, data - 10 * kStepBytes, data), 1) << c.what << ": the last 100 ms are quiet";
        }
        if (c.minTailSteps > 9 && tailSteps < 1000) {
            EXPECT_GT(peak(wav, 20 * kStepBytes, 21 * kStepBytes), 100) << c.what << ": its release is in the file";
        }
        // A note that never ends is faded out over the last second, not cut.
        if (tailSteps == 1000) {
            const int held = peak(wav, data - 150 * kStepBytes, data - 100 * kStepBytes);
            EXPECT_GT(held, 1000) << c.what;
            EXPECT_LT(peak(wav, data - 50 * kStepBytes, data - 45 * kStepBytes), held * 2 / 3) << c.what;
            EXPECT_LE(peak(wav, data - 40, data), 2) << c.what << ": it ends at silence";
        }
    }
}

TEST_F(RenderDevice, DrainingBetweenSongsKeepsEachReleaseAndCloseAddsNothingAfter)
{
    const std::string file = path("drain.wav");
    RenderMidiDevice device(file, "");
    ASSERT_TRUE(device.open()) << device.errorText();
    device.sendShort(0x007F3C90);
    device.endStep(10);
    device.sendShort(0x00003C80);
    device.drain();
    const uint64_t afterFirst = device.framesWritten();
    EXPECT_GT(afterFirst, 11 * 441u);
    device.drain(); // nothing sent since: nothing to wait for
    device.close();
    EXPECT_EQ(readFile(file).size(), 44 + size_t(afterFirst) * 4);
}

TEST_F(RenderDevice, RefusesWhatIsNotSystemExclusive)
{
    RenderMidiDevice closed(path("closed.wav"), "");
    EXPECT_EQ(uint32_t(ENODEV), closed.sendLong(kGmOn, sizeof kGmOn)) << "not open";

    RenderMidiDevice device(path("sysex.wav"), "");
    ASSERT_TRUE(device.open()) << device.errorText();
    const uint8_t noteOn[] = {0x90, 0x3C, 0x64};
    const uint8_t cutShort[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01};
    const uint8_t bare[] = {0xF0, 0xF7};
    EXPECT_EQ(uint32_t(EINVAL), device.sendLong(noteOn, sizeof noteOn));
    EXPECT_EQ(uint32_t(EINVAL), device.sendLong(kGmOn, 0));
    EXPECT_EQ(uint32_t(EINVAL), device.sendLong(nullptr, 6));
    EXPECT_EQ(0u, device.sendLong(cutShort, sizeof cutShort)) << "a missing F7 is tolerated";
    EXPECT_EQ(0u, device.sendLong(bare, sizeof bare));
    device.close();
}

TEST_F(RenderDevice, AnUnwritablePathFailsCleanly)
{
    const std::string file = scratchPath("no-such-folder/out.wav");
    RenderMidiDevice device(file, "");
    EXPECT_FALSE(device.open());
    EXPECT_NE(nullptr, std::strstr(device.errorText(), file.c_str())) << device.errorText();
    device.sendShort(0x00643C90);
    device.endStep(10);
    device.close();
    EXPECT_EQ(0u, device.framesWritten());
    EXPECT_NE(0, access(file.c_str(), F_OK));
}

// The interpreter sends a step's messages track by track; the device applies them by
// place. A note-off placed early but sent last comes before the note-on placed late, so
// the note sounds on after the step; in the order sent it would not sound at all.
TEST_F(RenderDevice, AStepsMessagesAreAppliedInTheOrderOfTheirPlaces)
{
    const std::vector<uint8_t> wav = render(path("order.wav"), 40, [](RenderMidiDevice& d, int step) {
        if (step == 0)
            d.sendShort(0x000013C0); // church organ: sounds while held
        if (step == 5) {
            d.setStepPlace(kStepPlaceOne * 8 / 10);
            d.sendShort(0x007F3C90);
            d.setStepPlace(kStepPlaceOne / 10);
            d.sendShort(0x00003C80);
            d.setStepPlace(kOutsideStep);
        }
    });
    EXPECT_GT(peak(wav, 30 * kStepBytes, 40 * kStepBytes), 1000);
}

// However a step's messages arrive, each reaches the synth once, in its place: more than
// the queue holds (the rest taken early), and one sent between steps after those queued.
TEST_F(RenderDevice, EveryMessageOfAStepReachesTheSynthInItsOrder)
{
    struct Case {
        const char* what;
        std::function<void(RenderMidiDevice&)> step5;
        bool sounds; // the organ note after the step
    };
    const Case cases[] = {
        {"a note-on past a full queue",
         [](RenderMidiDevice& d) {
             d.setStepPlace(kStepPlaceOne / 10);
             for (uint32_t i = 0; i < StepQueue::kCapacity; ++i)
                 d.sendShort(0x00640BB0 + (i % 2) * 0x010000); // expression, harmless
             d.sendShort(0x007F3C90);
         },
         true},
        {"a note-off sent between steps after its note-on",
         [](RenderMidiDevice& d) {
             d.setStepPlace(kStepPlaceOne / 5);
             d.sendShort(0x007F3C90);
             d.setStepPlace(kOutsideStep);
             d.sendShort(0x00003C80);
         },
         false},
    };
    for (const Case& c : cases) {
        const std::vector<uint8_t> wav = render(path("queued.wav"), 40, [&](RenderMidiDevice& d, int step) {
            if (step == 0)
                d.sendShort(0x000013C0); // church organ: sounds while held
            if (step == 5)
                c.step5(d);
            d.setStepPlace(kOutsideStep);
        });
        EXPECT_EQ(peak(wav, 35 * kStepBytes, 40 * kStepBytes) > 1000, c.sounds) << c.what;
    }
}

// Every file of a run sounds the same whatever was rendered before it: a fresh synth
// for each (the reverb and chorus keep moving even in silence), in WAV and FLAC alike.
TEST_F(RenderDevice, EachFileOfARunIsTheSameWhateverCameBefore)
{
    const auto song = [](RenderMidiDevice& d, const std::string& file, SoundFormat format, int steps) {
        ASSERT_TRUE(d.beginFile(file, format, true)) << d.errorText();
        d.sendShort(0x000030C0);
        d.sendShort(0x007F3C90);
        for (int i = 0; i < steps; ++i)
            d.endStep(10);
        d.sendShort(0x00003C80);
        d.drain();
        ASSERT_TRUE(d.finishFile()) << d.errorText();
    };
    for (SoundFormat format : {SoundFormat::wav, SoundFormat::flac}) {
        const std::string alone = path("alone.out"), after = path("after.out");
        RenderMidiDevice first("", ""), second("", "");
        // The fresh synth keeps the tone: FLAC goes without the effects.
        const bool effects = format == SoundFormat::wav;
        first.setTone(0, effects, effects);
        second.setTone(0, effects, effects);
        ASSERT_TRUE(first.open() && second.open());
        song(first, alone, format, 50);
        song(second, path("before.out"), format, 57); // leaves the synth mid-block
        song(second, after, format, 50);
        const std::vector<uint8_t> a = readFile(alone), b = readFile(after);
        ASSERT_GT(a.size(), 1000u);
        EXPECT_TRUE(a == b) << "format " << format.extension;
    }
}

// Steps of 10 ms at any rate: at 22050 Hz they alternate between 220 and 221 frames.
TEST_F(RenderDevice, StepsLastTenMillisecondsAtAnyRate)
{
    const std::string file = path("rate.wav");
    RenderMidiDevice device(file, "", 22050);
    ASSERT_TRUE(device.open()) << device.errorText();
    for (int i = 0; i < 7; ++i)
        device.endStep(10);
    EXPECT_EQ(uint64_t(7 * 22050 / 100), device.framesWritten());
    device.close();
    const std::vector<uint8_t> wav = readFile(file);
    ASSERT_GE(wav.size(), 44u);
    EXPECT_EQ(22050u, le32(wav, 24));
    EXPECT_FALSE(RenderMidiDevice(path("slow.wav"), "", 4000).open()) << "below what the synth takes";
}

} // namespace

#endif // ORVANEL_HAVE_FLUIDSYNTH
