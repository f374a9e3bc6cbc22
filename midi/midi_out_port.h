#pragma once
// The player's only way to the sound module: short and System Exclusive messages, and
// the clean-up actions all notes off, reset and panic.
#include <cstdint>
#include <mutex>

class MidiDevice;
struct ChannelState;

class MidiOutPort {
public:
    // Binds the port to a device (not owned). Null means no device: sends do nothing.
    void attach(MidiDevice* device) { device_ = device; }
    MidiDevice* device() const { return device_; }

    bool open();
    // panic (with the given reset type), then closes the device.
    void close(uint8_t resetType, ChannelState (&channels)[16]);
    void sendShort(uint32_t message);
    // A whole System Exclusive message; returns when the bytes may be reused.
    bool sendLong(const uint8_t* bytes, uint32_t count);
    void allNotesOff();
    void sendReset(uint8_t type);
    void panic(uint8_t resetType, ChannelState (&channels)[16]);
    // The place within the step of the messages that follow (see MidiDevice).
    void setStepPlace(uint32_t place);
    // Called after every live clock step, which lasted wallPeriodMs of real time.
    void endStep(uint32_t wallPeriodMs);
    // The song has played to its end: lets the device's last notes die away.
    void drain();

    uint32_t lastError() const { return lastError_; }
    bool isOpen() const { return open_; }

private:
    MidiDevice* device_ = nullptr;
    bool open_ = false;
    uint32_t lastError_ = 0;
    // One long message in flight at a time: the playback thread's SysEx and a reset
    // from the settings dialog may otherwise overlap.
    std::mutex longLock_;
};

// Reset messages by type: 0 GS, 1 GM, 2 XG, 3 GM2. Null for any other type.
const uint8_t* resetMessage(uint8_t type, uint32_t& length);
