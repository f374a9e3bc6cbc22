#pragma once
// What the player believes the sound module holds on each channel, so that a seek can
// send the module exactly what the silent replay changed.
#include <cstdint>

class LineSink;
class MidiOutPort;

struct ChannelState {
    uint8_t controllers[128] = {};
    uint8_t program = 0;
    uint8_t bendLsb = 0;
    uint8_t bendMsb = 64;  // centred
};

// Defaults that stand for the state a reset message leaves the module in (and the one
// it starts in): the bend is centred too.
void resetChannels(ChannelState (&channels)[16]);
void snapshotChannels(const ChannelState (&channels)[16], ChannelState (&snapshot)[16]);
// Sends every controller, program and bend that differs from the snapshot, printing a
// line for each. lastMessage receives each message composed.
void resendChannels(const ChannelState (&channels)[16], const ChannelState (&snapshot)[16],
                    MidiOutPort& port, uint32_t& lastMessage, LineSink* panel);
