#include "platform/log_midi.h"

int shortMessageLength(uint8_t status) {
    switch (status & 0xF0) {
    case 0xC0:
    case 0xD0: return 2;
    case 0xF0: return 1;
    default: return 3;
    }
}

namespace {
// Appends " XX" for each byte; the line is written with one call, so that lines sent
// from two threads never mix.
size_t putHex(char* out, size_t at, const uint8_t* bytes, uint32_t count) {
    static const char digits[] = "0123456789ABCDEF";
    for (uint32_t i = 0; i < count; ++i) {
        out[at++] = ' ';
        out[at++] = digits[bytes[i] >> 4];
        out[at++] = digits[bytes[i] & 15];
    }
    return at;
}
}  // namespace

void LogMidiDevice::writeLine(const uint8_t* bytes, uint32_t count) {
    char line[48 + 3 * 1100];
    int at = 0;
    if (timing_ && nowMicros_)
        at = std::snprintf(line, 48, "%u %llu", step_.load(),
                           static_cast<unsigned long long>(nowMicros_() - start_));
    else
        at = std::snprintf(line, 48, "%u", step_.load());
    size_t used = static_cast<size_t>(at);
    const uint32_t room = (sizeof line - used - 2) / 3;
    // Longer messages than one line holds are written in pieces.
    const uint32_t first = count < room ? count : room;
    used = putHex(line, used, bytes, first);
    if (first == count) line[used++] = '\n';
    std::fwrite(line, 1, used, out_);
    written_.store(true);
    for (uint32_t done = first; done < count;) {
        const uint32_t n = count - done < room ? count - done : room;
        used = putHex(line, 0, bytes + done, n);
        done += n;
        if (done == count) line[used++] = '\n';
        std::fwrite(line, 1, used, out_);
    }
}

void LogMidiDevice::endStep(uint32_t) {
    // Only a step that wrote something costs a write: a long rest stays quiet.
    if (!written_.load()) return;
    written_.store(false);
    std::fflush(out_);
}

void LogMidiDevice::sendShort(uint32_t message) {
    const uint8_t bytes[3] = {static_cast<uint8_t>(message), static_cast<uint8_t>(message >> 8),
                              static_cast<uint8_t>(message >> 16)};
    writeLine(bytes, static_cast<uint32_t>(shortMessageLength(bytes[0])));
}

uint32_t LogMidiDevice::sendLong(const uint8_t* bytes, uint32_t count) {
    writeLine(bytes, count);
    return 0;
}
