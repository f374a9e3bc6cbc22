#pragma once
// The system's MIDI output through winmm: the MIDI mapper, short messages, and System
// Exclusive through one reused header that is unprepared until the device lets go of it.
#include <windows.h>
#include <mmsystem.h>

#include "platform/midi_device.h"

class WinmmMidiDevice : public MidiDevice {
public:
    bool open() override;
    void close() override;
    void sendShort(uint32_t message) override;
    uint32_t sendLong(const uint8_t* bytes, uint32_t count) override;

private:
    HMIDIOUT handle_ = nullptr;
    MIDIHDR header_{};
};
