#include "platform/log_midi.h"

int shortMessageLength(uint8_t status) {
    switch (status & 0xF0) {
    case 0xC0:
    case 0xD0: return 2;
    case 0xF0: return 1;
    default: return 3;
    }
}

void LogMidiDevice::beginLine() {
    std::fprintf(out_, "%u", step_);
    if (timing_ && nowMicros_)
        std::fprintf(out_, " %llu", static_cast<unsigned long long>(nowMicros_() - start_));
}

void LogMidiDevice::sendShort(uint32_t message) {
    beginLine();
    const int n = shortMessageLength(message & 0xFF);
    for (int i = 0; i < n; ++i) std::fprintf(out_, " %02X", (message >> (8 * i)) & 0xFF);
    std::fputc('\n', out_);
}

uint32_t LogMidiDevice::sendLong(const uint8_t* bytes, uint32_t count) {
    beginLine();
    for (uint32_t i = 0; i < count; ++i) std::fprintf(out_, " %02X", bytes[i]);
    std::fputc('\n', out_);
    return 0;
}
