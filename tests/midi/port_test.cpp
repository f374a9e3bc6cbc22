// The output port: all notes off, the reset messages, panic and the long-message path.
#include <gtest/gtest.h>

#include "midi/channel_state.h"
#include "midi/midi_out_port.h"
#include "tests/support/capture.h"

namespace {

using Lines = std::vector<std::string>;

Lines allNotesOffLines() {
    Lines out;
    char buf[16];
    for (int ch = 0; ch < 16; ++ch) {
        std::snprintf(buf, sizeof buf, "B%X 7B 00", ch);
        out.push_back(buf);
    }
    return out;
}

struct PortTest : ::testing::Test {
    void SetUp() override {
        port.attach(&device);
        ASSERT_TRUE(port.open());
    }
    CaptureDevice device;
    MidiOutPort port;
};

TEST_F(PortTest, AllNotesOffSendsSixteenControlChangesInChannelOrder) {
    port.allNotesOff();
    EXPECT_EQ(device.hex(), allNotesOffLines());
}

TEST_F(PortTest, ResetMessagesByType) {
    const Lines expected = {"F0 41 10 42 12 40 00 7F 00 41 F7", "F0 7E 7F 09 01 F7",
                            "F0 43 10 4C 00 00 7E 00 F7", "F0 7E 7F 09 03 F7"};
    for (uint8_t type = 0; type <= 5; ++type) port.sendReset(type);
    EXPECT_EQ(device.hex(), expected);  // types 4 and 5 send nothing
}

TEST_F(PortTest, PanicSilencesResetsAndPutsTheShadowBack) {
    ChannelState channels[16];
    resetChannels(channels);
    channels[0].controllers[7] = 80;
    channels[3].program = 9;
    port.panic(2, channels);
    Lines expected = allNotesOffLines();
    expected.push_back("F0 43 10 4C 00 00 7E 00 F7");
    EXPECT_EQ(device.hex(), expected);
    EXPECT_EQ(channels[0].controllers[7], 100);
    EXPECT_EQ(channels[3].program, 0);
}

TEST_F(PortTest, CloseIsPanicThenClose) {
    ChannelState channels[16];
    port.close(0, channels);
    EXPECT_EQ(device.sent.size(), 17u);
    EXPECT_EQ(device.closes, 1);
    port.sendShort(0x90);
    EXPECT_EQ(device.sent.size(), 17u);  // closed ports send nothing
}

TEST_F(PortTest, AFailedLongMessageIsRecordedAndReported) {
    device.longResult = 7;
    const uint8_t msg[] = {0xF0, 0x7E, 0xF7};
    EXPECT_FALSE(port.sendLong(msg, 3));
    EXPECT_EQ(port.lastError(), 7u);
    device.longResult = 0;
    EXPECT_TRUE(port.sendLong(msg, 3));
    EXPECT_EQ(port.lastError(), 0u);
}

TEST(Port, WithoutADeviceEverySendFailsQuietly) {
    MidiOutPort port;
    EXPECT_FALSE(port.open());
    port.allNotesOff();
    const uint8_t msg[] = {0xF0, 0xF7};
    EXPECT_FALSE(port.sendLong(msg, 2));
    CaptureDevice refusing;
    refusing.opens = false;
    port.attach(&refusing);
    EXPECT_FALSE(port.open());
    port.sendShort(0x90);
    EXPECT_TRUE(refusing.sent.empty());
}

}  // namespace
