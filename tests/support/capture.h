#pragma once
// Fakes for the sequencer's outputs: a MIDI device that records every message with the
// step it was sent in, and a line sink that records the panel lines.
#include <cstdint>
#include <string>
#include <vector>

#include "core/line_sink.h"
#include "platform/midi_device.h"

struct SentMessage {
    uint32_t step;
    std::vector<uint8_t> bytes;
    bool operator==(const SentMessage& o) const { return step == o.step && bytes == o.bytes; }
};

class CaptureDevice : public MidiDevice {
public:
    bool open() override { return opens; }
    void close() override { ++closes; }
    void sendShort(uint32_t message) override;
    uint32_t sendLong(const uint8_t* bytes, uint32_t count) override;
    void setStepPlace(uint32_t p) override { place = p; }

    // "B0 07 64" lines, one per message, for easy comparison.
    std::vector<std::string> hex() const;

    bool opens = true;
    uint32_t longResult = 0;  // what sendLong answers
    int closes = 0;
    uint32_t step = 0;        // set by the test before each step
    std::vector<SentMessage> sent;
    uint32_t place = kOutsideStep;  // the place the sender gave last
    std::vector<uint32_t> places;   // each sent message's place, beside `sent`
};

class RecordingSink : public LineSink {
public:
    void print(const char* line) override { lines.emplace_back(line); }
    std::vector<std::string> lines;
};

std::string hexBytes(const std::vector<uint8_t>& bytes);

// A path for a scratch file in the test's temporary folder.
std::string scratchPath(const char* name);
