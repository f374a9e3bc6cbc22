#pragma once
// The one seam between the player and a MIDI output. Implementations: winmm, ALSA
// sequencer, embedded synth, log lines, in-memory capture.
#include <cstdint>

constexpr uint32_t kStepPlaceOne = 65536;
constexpr uint32_t kOutsideStep = 0xFFFFFFFFu;

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
    // The place within the live clock step of the messages that follow, in 1/kStepPlaceOne
    // of the step, from their ticks; kOutsideStep for what is sent between steps (a
    // panic, a seek's resend). A device that makes sound itself applies each message at
    // its place; the others ignore it.
    virtual void setStepPlace(uint32_t) {}
    // Called after every live clock step (10 ms of song time, wallPeriodMs of real time).
    // An offline renderer produces that much audio here; a live synth schedules the
    // step's messages; other devices do nothing.
    virtual void endStep(uint32_t /*wallPeriodMs*/) {}
    // Called when a song has played to its end, before anything silences the device: an
    // offline renderer renders on until what still sounds has died away; real-time
    // devices return at once.
    virtual void drain() {}
    // Why open() failed, or why output was lost since (a full disk under a WAV file):
    // one line for the user, "" when there is nothing to say.
    virtual const char* errorText() const { return ""; }
};
