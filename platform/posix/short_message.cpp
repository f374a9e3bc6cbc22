#include "platform/posix/short_message.h"

ShortEvent decodeShortMessage(uint32_t message)
{
    const uint8_t status = message & 0xFF;
    const uint8_t data1 = (message >> 8) & 0x7F;
    const uint8_t data2 = (message >> 16) & 0x7F;
    ShortEvent e = {ShortKind::none, uint8_t(status & 0x0F), 0, 0};
    switch (status & 0xF0) {
    case 0x80: e.kind = ShortKind::noteOff; e.key = data1; e.value = data2; break;
    case 0x90: e.kind = ShortKind::noteOn; e.key = data1; e.value = data2; break;
    case 0xA0: e.kind = ShortKind::keyPressure; e.key = data1; e.value = data2; break;
    case 0xB0: e.kind = ShortKind::controller; e.key = data1; e.value = data2; break;
    case 0xC0: e.kind = ShortKind::program; e.key = data1; break;
    case 0xD0: e.kind = ShortKind::channelPressure; e.value = data1; break;
    case 0xE0: e.kind = ShortKind::pitchBend; e.value = uint16_t(data1 | data2 << 7); break;
    default: e.channel = 0; break; // data bytes as status, or system messages
    }
    return e;
}
