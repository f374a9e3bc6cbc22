#include "midi/channel_state.h"

#include <cstdio>
#include <cstring>

#include "core/line_sink.h"
#include "midi/midi_out_port.h"

void resetChannels(ChannelState (&channels)[16]) {
    for (ChannelState& ch : channels) {
        std::memset(ch.controllers, 0, sizeof ch.controllers);
        ch.controllers[7] = 100;
        ch.controllers[10] = 64;
        ch.controllers[71] = ch.controllers[72] = ch.controllers[73] = ch.controllers[74] = 64;
        ch.controllers[91] = 40;
        ch.program = 0;
        // A reset centres the bend in the module, and a module starts centred: a song
        // that bends before the seek point then has its bend resent, whatever it was.
        ch.bendLsb = 0;
        ch.bendMsb = 64;
    }
}

void snapshotChannels(const ChannelState (&channels)[16], ChannelState (&snapshot)[16]) {
    std::memcpy(snapshot, channels, sizeof snapshot);
}

void resendChannels(const ChannelState (&channels)[16], const ChannelState (&snapshot)[16],
                    MidiOutPort& port, uint32_t& lastMessage, LineSink* panel) {
    char line[64];
    for (uint32_t n = 0; n < 16; ++n) {
        const ChannelState& now = channels[n];
        const ChannelState& before = snapshot[n];
        for (uint32_t c = 0; c < 128; ++c) {
            if (now.controllers[c] == before.controllers[c]) continue;
            const uint32_t v = now.controllers[c] & 0x7Fu;
            lastMessage = (0xB0u | n) | (c << 8) | (v << 16);
            port.sendShort(lastMessage);
            if (panel) {
                std::snprintf(line, sizeof line, "%uch CC%u = %u", n + 1, c, v);
                panel->print(line);
            }
        }
        if (now.program != before.program) {
            const uint32_t p = now.program & 0x7Fu;
            lastMessage = (0xC0u | n) | (p << 8);
            port.sendShort(lastMessage);
            if (panel) {
                std::snprintf(line, sizeof line, "%uch PROG = %u", n + 1, p);
                panel->print(line);
            }
        }
        if (now.bendLsb != before.bendLsb || now.bendMsb != before.bendMsb) {
            const uint32_t l = now.bendLsb & 0x7Fu, m = now.bendMsb & 0x7Fu;
            lastMessage = (0xE0u | n) | (l << 8) | (m << 16);
            port.sendShort(lastMessage);
            if (panel) {
                std::snprintf(line, sizeof line, "%uch BEND %d", n + 1,
                              (static_cast<int>(m) - 64) * 128 + static_cast<int>(l));
                panel->print(line);
            }
        }
    }
}
