#include "platform/posix/synth_midi.h"

#ifdef ORVANEL_HAVE_FLUIDSYNTH

#include "tests/support/capture.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fluidsynth.h>
#include <gtest/gtest.h>
#include <malloc.h>
#include <vector>

namespace {

TEST(SoundFontChoice, ANamedFileMustBeReadable)
{
    std::string path, error;
    const std::string missing = scratchPath("missing.sf2");
    EXPECT_FALSE(resolveSoundFont(missing.c_str(), path, error));
    EXPECT_NE(std::string::npos, error.find(missing)) << error;

    // Named alone by its head: what the loaders would take for a SoundFont.
    const std::string present = scratchPath("present.sf2");
    std::FILE* f = std::fopen(present.c_str(), "wb");
    ASSERT_NE(nullptr, f);
    std::fclose(f);
    EXPECT_FALSE(resolveSoundFont(present.c_str(), path, error));
    EXPECT_NE(std::string::npos, error.find("not a SoundFont file")) << error;
    f = std::fopen(present.c_str(), "wb");
    std::fwrite("RIFF\0\0\0\0sfbk", 1, 12, f);
    std::fclose(f);
    error.clear();
    EXPECT_TRUE(resolveSoundFont(present.c_str(), path, error)) << error;
    EXPECT_EQ(present, path);
    std::remove(present.c_str());
}

TEST(SoundFontChoice, WithoutANameTheFirstInstalledIsTaken)
{
    std::string path, error;
    const bool found = resolveSoundFont(nullptr, path, error);
    const char* expected = nullptr;
    for (int i = 0; i < kSoundFontPlaceCount && !expected; ++i)
        if (std::FILE* f = std::fopen(kSoundFontPlaces[i], "rb")) {
            std::fclose(f);
            expected = kSoundFontPlaces[i];
        }
    if (expected) {
        EXPECT_TRUE(found);
        EXPECT_EQ(expected, path);
    } else {
        EXPECT_FALSE(found);
        EXPECT_NE(std::string::npos, error.find("fluid-soundfont-gm")) << error;
    }
}

TEST(SynthMidiDevice, AMissingSoundFontFailsBeforeAnySound)
{
    const std::string missing = scratchPath("missing.sf2");
    SynthMidiDevice device(missing.c_str());
    EXPECT_FALSE(device.open());
    EXPECT_NE(nullptr, std::strstr(device.errorText(), missing.c_str())) << device.errorText();
    device.sendShort(0x00643C90);
    const uint8_t gm[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
    EXPECT_EQ(uint32_t(ENODEV), device.sendLong(gm, sizeof gm));
    device.close();
}

TEST(SynthMidiDevice, NoAudioOutputIsAnErrorNotACrash)
{
    if (!findDefaultSoundFont())
        GTEST_SKIP() << "no General MIDI SoundFont installed";
    SynthMidiDevice device;
    if (device.open()) {
        const std::string driver = device.audioDriverName();
        device.close();
        GTEST_SKIP() << "this machine has an audio output (" << driver << ")";
    }
    const std::string error = device.errorText();
    EXPECT_NE(std::string::npos, error.find("no audio output")) << error;
    EXPECT_NE(std::string::npos, error.find("pulseaudio")) << error;
    EXPECT_EQ(std::string::npos, error.find('\n')) << error;
    device.sendShort(0x00643C90);
    device.endStep(10);
    device.close();
}

// FluidSynth leaves its effects' buffers as malloc gives them until the synth is reset: a
// synth made where an earlier one (or anything) freed its memory played NaN, turned full
// scale, until the song's first reset message. glibc fills every new block with 0xFF
// here (a NaN in every float), as reused memory may hold.
TEST(FluidEngine, ANewSynthIsSilentWhateverItsMemoryHeldBefore)
{
    FluidEngine engine;
    std::string error;
    mallopt(M_PERTURB, 0x100);
    const bool started = fluidEngineStart(engine, true, error);
    mallopt(M_PERTURB, 0);
    ASSERT_TRUE(started) << error;
    std::vector<float> left(4410), right(4410);
    fluid_synth_write_float(engine.synth, 4410, left.data(), 0, 1, right.data(), 0, 1);
    int loud = 0;
    for (size_t i = 0; i < left.size(); ++i)
        loud += !(std::fabs(left[i]) < 1e-4f && std::fabs(right[i]) < 1e-4f);
    EXPECT_EQ(0, loud) << "frames that are not silence";
    fluidEngineStop(engine);
}

} // namespace

#endif // ORVANEL_HAVE_FLUIDSYNTH
