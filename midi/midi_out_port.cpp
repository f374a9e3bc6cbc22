#include "midi/midi_out_port.h"

#include "midi/channel_state.h"
#include "platform/midi_device.h"

namespace {
const uint8_t kGsReset[] = {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7};
const uint8_t kGmSystemOn[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
const uint8_t kXgSystemOn[] = {0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7};
const uint8_t kGm2SystemOn[] = {0xF0, 0x7E, 0x7F, 0x09, 0x03, 0xF7};
}  // namespace

const uint8_t* resetMessage(uint8_t type, uint32_t& length) {
    switch (type) {
    case 0: length = sizeof kGsReset; return kGsReset;
    case 1: length = sizeof kGmSystemOn; return kGmSystemOn;
    case 2: length = sizeof kXgSystemOn; return kXgSystemOn;
    case 3: length = sizeof kGm2SystemOn; return kGm2SystemOn;
    default: length = 0; return nullptr;
    }
}

bool MidiOutPort::open() {
    open_ = device_ != nullptr && device_->open();
    return open_;
}

void MidiOutPort::close(uint8_t resetType, ChannelState (&channels)[16]) {
    panic(resetType, channels);
    if (open_) device_->close();
    open_ = false;
}

void MidiOutPort::sendShort(uint32_t message) {
    if (open_) device_->sendShort(message);
}

bool MidiOutPort::sendLong(const uint8_t* bytes, uint32_t count) {
    if (!open_) {
        lastError_ = 1;  // no device: fails quietly like a closed handle
        return false;
    }
    std::lock_guard<std::mutex> hold(longLock_);
    lastError_ = device_->sendLong(bytes, count);
    return lastError_ == 0;
}

void MidiOutPort::allNotesOff() {
    for (uint32_t ch = 0; ch < 16; ++ch) sendShort(0xB0u | ch | (123u << 8));
}

void MidiOutPort::sendReset(uint8_t type) {
    uint32_t length = 0;
    const uint8_t* bytes = resetMessage(type, length);
    if (bytes) sendLong(bytes, length);
}

void MidiOutPort::panic(uint8_t resetType, ChannelState (&channels)[16]) {
    allNotesOff();
    sendReset(resetType);
    resetChannels(channels);
}

void MidiOutPort::setStepPlace(uint32_t place) {
    if (open_) device_->setStepPlace(place);
}

void MidiOutPort::endStep(uint32_t wallPeriodMs) {
    if (open_) device_->endStep(wallPeriodMs);
}

void MidiOutPort::drain() {
    if (open_) device_->drain();
}
