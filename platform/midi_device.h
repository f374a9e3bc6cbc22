#pragma once
// The one seam between the player and a MIDI output. Implementations: winmm, ALSA
// sequencer, embedded synth, log lines, in-memory capture.
#include <cstdint>

class MidiDevice {
public:
    virtual ~MidiDevice() = default;
    // Opens the default output. False when there is none; sends then fail quietly.
    virtual bool open() = 0;
    virtual void close() = 0;
    // Packed message: status in bits 0-7, data 1 in bits 8-15, data 2 in bits 16-23.
    virtual void sendShort(uint32_t message) = 0;
    // A complete System Exclusive message (F0 ... F7). Returns only when the bytes may
    // be reused. 0 on success, otherwise the device's error code.
    virtual uint32_t sendLong(const uint8_t* bytes, uint32_t count) = 0;
    // Called after every live clock step (10 ms of song time). An offline renderer
    // produces that much audio here; real-time devices do nothing.
    virtual void endStep() {}
    // Called when a song has played to its end, before anything silences the device: an
    // offline renderer renders on until what still sounds has died away; real-time
    // devices return at once.
    virtual void drain() {}
    // Why open() failed, or why output was lost since (a full disk under a WAV file):
    // one line for the user, "" when there is nothing to say.
    virtual const char* errorText() const { return ""; }
};
