#include "platform/posix/device_table.h"

#include "tests/support/capture.h"

#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

bool hasRow(const std::vector<DeviceRow>& rows, const char* name)
{
    return findDeviceRow(rows, name, std::strlen(name)) != nullptr;
}

TEST(DeviceTable, HoldsTheBackEndsThisBuildHas)
{
    const std::vector<DeviceRow> rows = nativeDeviceRows();
#ifdef ORVANEL_HAVE_ALSA
    EXPECT_TRUE(hasRow(rows, "alsa"));
#else
    EXPECT_FALSE(hasRow(rows, "alsa"));
#endif
#ifdef ORVANEL_HAVE_FLUIDSYNTH
    EXPECT_TRUE(hasRow(rows, "synth"));
    EXPECT_TRUE(hasRow(rows, "wav"));
#else
    EXPECT_FALSE(hasRow(rows, "synth"));
#endif
    for (const DeviceRow& row : rows) {
        EXPECT_NE(nullptr, row.create) << row.name;
        EXPECT_NE(nullptr, std::strstr(row.description, row.name)) << "the usage names the device";
    }
}

// A row added by a front end, recording what it was asked for.
std::string fakeArg;
bool fakeArgGiven = false;
std::unique_ptr<MidiDevice> createFake(const char* arg, std::string& error)
{
    fakeArgGiven = arg != nullptr;
    fakeArg = arg ? arg : "";
    if (fakeArg == "broken") {
        error = "fake refused";
        return nullptr;
    }
    return std::make_unique<CaptureDevice>();
}

TEST(DeviceTable, ANameIsMatchedWholeAndTheRestIsTheArgument)
{
    std::vector<DeviceRow> rows = nativeDeviceRows();
    rows.push_back({"fake", "fake  a test device", createFake});
    std::string error;

    EXPECT_NE(nullptr, openNamedDevice(rows, "fake", error));
    EXPECT_FALSE(fakeArgGiven) << "no colon, no argument";

    EXPECT_NE(nullptr, openNamedDevice(rows, "fake:128:0", error));
    EXPECT_TRUE(fakeArgGiven);
    EXPECT_EQ("128:0", fakeArg) << "only the first colon separates";

    EXPECT_NE(nullptr, openNamedDevice(rows, "fake:", error));
    EXPECT_TRUE(fakeArgGiven);
    EXPECT_EQ("", fakeArg);

    error.clear();
    EXPECT_EQ(nullptr, openNamedDevice(rows, "fake:broken", error));
    EXPECT_EQ("fake refused", error);

    for (const char* wrong : {"fak", "fakes", "", ":fake", "FAKE"}) {
        error.clear();
        EXPECT_EQ(nullptr, openNamedDevice(rows, wrong, error)) << wrong;
        EXPECT_NE(std::string::npos, error.find("unknown device")) << wrong;
        EXPECT_NE(std::string::npos, error.find("fake")) << "the choices are listed";
    }
}

#ifdef ORVANEL_HAVE_FLUIDSYNTH
TEST(DeviceTable, TheWavRowNeedsAFileAndOpensIt)
{
    const std::vector<DeviceRow> rows = nativeDeviceRows();
    std::string error;
    EXPECT_EQ(nullptr, openNamedDevice(rows, "wav", error));
    EXPECT_NE(std::string::npos, error.find("wav:FILE")) << error;

    const std::string file = scratchPath("table.wav");
    error.clear();
    std::unique_ptr<MidiDevice> device = openNamedDevice(rows, ("wav:" + file).c_str(), error);
    if (!device && error.find("SoundFont") != std::string::npos)
        GTEST_SKIP() << error;
    ASSERT_NE(nullptr, device) << error;
    EXPECT_TRUE(device->open()) << "opening an open device changes nothing";
    device->endStep(10);
    device->close();
    std::FILE* f = std::fopen(file.c_str(), "rb");
    ASSERT_NE(nullptr, f);
    std::fseek(f, 0, SEEK_END);
    EXPECT_EQ(44 + 441 * 4, std::ftell(f)) << "the file was opened once, not truncated again";
    std::fclose(f);
    std::remove(file.c_str());
}
#endif

TEST(DeviceTable, WithNoOutputTheDefaultPointsToAWavFile)
{
    std::string error;
    std::unique_ptr<MidiDevice> device = openDefaultDevice(error);
    if (device) {
        device->close();
        GTEST_SKIP() << "this machine has a MIDI output";
    }
    EXPECT_NE(std::string::npos, error.find("--device=wav:FILE")) << error;
    EXPECT_EQ(std::string::npos, error.find('\n')) << error;
}

} // namespace
