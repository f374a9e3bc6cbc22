// The channel shadow's defaults and the resend of differences after a seek.
#include <gtest/gtest.h>

#include "midi/channel_state.h"
#include "midi/midi_out_port.h"
#include "tests/support/capture.h"

namespace {

using Lines = std::vector<std::string>;

struct ResendTest : ::testing::Test {
    void SetUp() override {
        port.attach(&device);
        port.open();
        resetChannels(now);
        snapshotChannels(now, before);
    }
    void resend() { resendChannels(now, before, port, lastMessage, &panel); }
    CaptureDevice device;
    MidiOutPort port;
    RecordingSink panel;
    ChannelState now[16], before[16];
    uint32_t lastMessage = 0;
};

TEST_F(ResendTest, DefaultsAreTheStateAResetLeaves) {
    // Volume 100, pan and 71-74 at 64, reverb send 40, every other controller 0.
    uint8_t expected[128] = {};
    expected[7] = 100;
    expected[10] = expected[71] = expected[72] = expected[73] = expected[74] = 64;
    expected[91] = 40;
    for (const ChannelState& ch : now) {
        for (int c = 0; c < 128; ++c) ASSERT_EQ(ch.controllers[c], expected[c]) << "controller " << c;
        EXPECT_EQ(ch.program, 0);
        EXPECT_EQ(ch.bendLsb, 0);  // centred, as the reset leaves it
        EXPECT_EQ(ch.bendMsb, 64);
    }
    now[4].bendLsb = 5;
    now[4].bendMsb = 0;
    resetChannels(now);
    EXPECT_EQ(now[4].bendLsb, 0);  // a reset centres a recorded bend
    EXPECT_EQ(now[4].bendMsb, 64);
}

TEST_F(ResendTest, NothingChangedSendsNothing) {
    resend();
    EXPECT_TRUE(device.sent.empty());
    EXPECT_TRUE(panel.lines.empty());
}

TEST_F(ResendTest, SendsDifferencesByChannelThenControllerThenProgramThenBend) {
    now[0].controllers[7] = 80;
    now[0].controllers[101] = 0x7F;
    now[0].controllers[6] = 12;
    now[0].controllers[111] = 1;  // sent too: the resend covers every controller
    now[0].program = 48;
    now[2].bendMsb = 0;
    now[15].controllers[0] = 127;
    resend();
    EXPECT_EQ(device.hex(), (Lines{"B0 06 0C", "B0 07 50", "B0 65 7F", "B0 6F 01", "C0 30",
                                   "E2 00 00", "BF 00 7F"}));
    EXPECT_EQ(panel.lines, (Lines{"1ch CC6 = 12", "1ch CC7 = 80", "1ch CC101 = 127",
                                  "1ch CC111 = 1", "1ch PROG = 48", "3ch BEND -8192",
                                  "16ch CC0 = 127"}));
    EXPECT_EQ(lastMessage, 0x007F00BFu);
}

TEST_F(ResendTest, BendIsPrintedRelativeToItsCentre) {
    before[0].bendMsb = 0;
    now[1].bendLsb = 0x7F;
    now[1].bendMsb = 0x7F;
    resend();
    EXPECT_EQ(panel.lines, (Lines{"1ch BEND 0", "2ch BEND 8191"}));
}

}  // namespace
