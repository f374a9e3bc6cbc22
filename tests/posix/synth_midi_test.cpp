#include "platform/posix/synth_midi.h"

#ifdef ORVANEL_HAVE_FLUIDSYNTH

#include "tests/support/capture.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>

namespace {

TEST(SoundFontChoice, ANamedFileMustBeReadable)
{
    std::string path, error;
    const std::string missing = scratchPath("missing.sf2");
    EXPECT_FALSE(resolveSoundFont(missing.c_str(), path, error));
    EXPECT_NE(std::string::npos, error.find(missing)) << error;

    const std::string present = scratchPath("present.sf2");
    std::FILE* f = std::fopen(present.c_str(), "wb");
    ASSERT_NE(nullptr, f);
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

} // namespace

#endif // ORVANEL_HAVE_FLUIDSYNTH
