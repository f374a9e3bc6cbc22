#pragma once
// A MIDI device that writes one text line per message: "<step> <bytes>", the bytes as
// upper-case hex. The test and benchmark harness of the terminal player.
#include <cstdint>
#include <cstdio>

#include "platform/midi_device.h"
#include "platform/relaxed.h"

class LogMidiDevice : public MidiDevice {
public:
    explicit LogMidiDevice(FILE* out) : out_(out) {}

    bool open() override { return true; }
    void close() override { std::fflush(out_); }
    void sendShort(uint32_t message) override;
    uint32_t sendLong(const uint8_t* bytes, uint32_t count) override;
    // Each step's lines leave at its end, so a reader on a pipe sees them as they are played.
    void endStep(uint32_t) override;

    // The 1-based live step the next messages belong to.
    void setStep(uint32_t step) { step_ = step; }
    uint32_t step() const { return step_; }
    // With timing on, a second column gives the microseconds since the loop began.
    void setTiming(bool on, uint64_t (*nowMicros)()) {
        timing_ = on;
        nowMicros_ = nowMicros;
    }
    void setStartMicros(uint64_t start) { start_ = start; }

private:
    void writeLine(const uint8_t* bytes, uint32_t count);

    FILE* out_;
    Relaxed<uint32_t> step_{0};  // set on the playback thread, read by both
    Relaxed<bool> written_{false};  // lines wait in the stream's buffer
    bool timing_ = false;
    uint64_t (*nowMicros_)() = nullptr;
    uint64_t start_ = 0;
};

// Length of a short message by its status byte: 3, 2, or 1 for system messages.
int shortMessageLength(uint8_t status);
