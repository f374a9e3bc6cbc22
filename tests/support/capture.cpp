#include "tests/support/capture.h"

#include <cstdio>
#include <cstdlib>

#include "platform/log_midi.h"

void CaptureDevice::sendShort(uint32_t message) {
    std::vector<uint8_t> bytes;
    const int n = shortMessageLength(message & 0xFF);
    for (int i = 0; i < n; ++i) bytes.push_back((message >> (8 * i)) & 0xFF);
    sent.push_back({step, bytes});
    places.push_back(place);
}

uint32_t CaptureDevice::sendLong(const uint8_t* bytes, uint32_t count) {
    sent.push_back({step, std::vector<uint8_t>(bytes, bytes + count)});
    places.push_back(place);
    return longResult;
}

std::string hexBytes(const std::vector<uint8_t>& bytes) {
    std::string out;
    char buf[4];
    for (uint8_t b : bytes) {
        std::snprintf(buf, sizeof buf, out.empty() ? "%02X" : " %02X", b);
        out += buf;
    }
    return out;
}

std::vector<std::string> CaptureDevice::hex() const {
    std::vector<std::string> out;
    for (const SentMessage& m : sent) out.push_back(hexBytes(m.bytes));
    return out;
}

std::string scratchPath(const char* name) {
    const char* dir = std::getenv("TMPDIR");
    if (!dir || !*dir) dir = std::getenv("TEMP");
    if (!dir || !*dir) dir = std::getenv("TMP");
#ifdef _WIN32
    std::string path = dir && *dir ? dir : ".";
#else
    std::string path = dir && *dir ? dir : "/tmp";
#endif
#ifdef _WIN32
    path += '\\';
#else
    path += '/';
#endif
    return path + name;
}
