#pragma once
// A packed short message taken apart into the fields that event-based outputs (the ALSA
// sequencer, FluidSynth) want instead of raw bytes.
#include <cstdint>

enum class ShortKind : uint8_t {
    none,            // not a channel message (no status bit, or a system message F0-FF)
    noteOff,         // key, value = release velocity
    noteOn,          // key, value = velocity (0 is left as is: both back ends treat it as off)
    keyPressure,     // key, value = pressure
    controller,      // key = controller number, value = controller value
    program,         // key = program number
    channelPressure, // value = pressure
    pitchBend,       // value = 0-16383, 8192 at rest
};

struct ShortEvent {
    ShortKind kind;
    uint8_t channel; // 0-15
    uint8_t key;     // 0-127
    uint16_t value;  // 0-127, or 0-16383 for pitch bend
};

// Status in bits 0-7, data 1 in bits 8-15, data 2 in bits 16-23; data bytes are cut to
// 7 bits so a malformed message can never put an out-of-range value into a back end.
ShortEvent decodeShortMessage(uint32_t message);
