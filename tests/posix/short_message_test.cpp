#include "platform/posix/short_message.h"

#include <gtest/gtest.h>

namespace {

struct DecodeCase {
    uint32_t message;
    ShortKind kind;
    uint8_t channel;
    uint8_t key;
    uint16_t value;
};

const DecodeCase kCases[] = {
    // Each kind, on assorted channels.
    {0x00643C90, ShortKind::noteOn, 0, 60, 100},
    {0x00003C91, ShortKind::noteOn, 1, 60, 0},
    {0x00403C8F, ShortKind::noteOff, 15, 60, 64},
    {0x00207FA3, ShortKind::keyPressure, 3, 127, 32},
    {0x007F07B9, ShortKind::controller, 9, 7, 127},
    {0x00007BB0, ShortKind::controller, 0, 123, 0},
    {0x000013C4, ShortKind::program, 4, 19, 0},
    {0x000055D2, ShortKind::channelPressure, 2, 0, 0x55},
    // Pitch bend: data 1 is the low seven bits, data 2 the high seven.
    {0x000000E0, ShortKind::pitchBend, 0, 0, 0},
    {0x004000E0, ShortKind::pitchBend, 0, 0, 8192},
    {0x00017FE5, ShortKind::pitchBend, 5, 0, 255},
    {0x007F7FEE, ShortKind::pitchBend, 14, 0, 16383},
    // A one-data-byte message ignores whatever sits in the second data byte.
    {0x005513C4, ShortKind::program, 4, 19, 0},
    {0x007F55D2, ShortKind::channelPressure, 2, 0, 0x55},
    // Bits 24-31 are not part of the message.
    {0xFF643C90, ShortKind::noteOn, 0, 60, 100},
    // Data bytes with bit 7 set are cut to seven bits rather than passed on out of range.
    {0x00FFBC90, ShortKind::noteOn, 0, 0x3C, 0x7F},
    {0x00FFFFE0, ShortKind::pitchBend, 0, 0, 16383},
    // Not channel messages.
    {0x00006440, ShortKind::none, 0, 0, 0},
    {0x00000000, ShortKind::none, 0, 0, 0},
    {0x000000F0, ShortKind::none, 0, 0, 0},
    {0x000000F8, ShortKind::none, 0, 0, 0},
    {0x00003CF2, ShortKind::none, 0, 0, 0},
};

TEST(ShortMessage, DecodesEachKindOfChannelMessage)
{
    for (const DecodeCase& c : kCases) {
        SCOPED_TRACE(testing::Message() << std::hex << "message 0x" << c.message);
        const ShortEvent e = decodeShortMessage(c.message);
        EXPECT_EQ(int(c.kind), int(e.kind));
        if (c.kind == ShortKind::none)
            continue;
        EXPECT_EQ(c.channel, e.channel);
        EXPECT_EQ(c.key, e.key);
        EXPECT_EQ(c.value, e.value);
    }
}

} // namespace
