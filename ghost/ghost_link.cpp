#include "ghost/ghost_link.h"

#include <cstring>

// "\0\s[0]Orvanelを起動しました。\_w[75]\e" and "\0\s[0]Orvanelを閉じました。\_w[75]\e".
const char kGhostStartScript[] =
    "\\0\\s[0]Orvanel"
    "\x82\xF0\x8B\x4E\x93\xAE\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81\x42"
    "\\_w[75]\\e";
const char kGhostCloseScript[] =
    "\\0\\s[0]Orvanel"
    "\x82\xF0\x95\xC2\x82\xB6\x82\xDC\x82\xB5\x82\xBD\x81\x42"
    "\\_w[75]\\e";

namespace {

constexpr uint8_t kKeySeparator = 0x01;
constexpr size_t kKeyLength = 6;  // ".hwnd" or ".name" and the separator

// Copies the value starting at p (bounded by end) into dest, stopping at a CR (kept when
// keepCr, and then counted in the copy), a zero byte, the end, or a full buffer. dest is
// always terminated.
void copyValue(const uint8_t* p, const uint8_t* end, char* dest, size_t destSize, bool keepCr) {
    size_t n = 0;
    while (p < end && n + 1 < destSize) {
        const uint8_t b = *p++;
        if (b == 0) break;
        if (b == '\r') {
            if (keepCr) dest[n++] = '\r';
            break;
        }
        dest[n++] = char(b);
    }
    dest[n] = '\0';
}

// The number formed by the leading decimal digits; 0 without digits or above 32 bits.
uint32_t leadingNumber(const char* text) {
    uint64_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        value = value * 10 + uint64_t(*text - '0');
        if (value > 0xFFFFFFFFu) return 0;
    }
    return uint32_t(value);
}

bool append(char* buffer, size_t capacity, size_t& length, const char* text) {
    const size_t n = std::strlen(text);
    if (n >= capacity - length) return false;  // keeps room for the NUL
    std::memcpy(buffer + length, text, n);
    length += n;
    buffer[length] = '\0';
    return true;
}

}  // namespace

void scanGhostDirectory(const uint8_t* view, size_t viewSize, GhostDirectory& out) {
    out.targetWindow = 0;
    out.name[0] = '\0';
    if (view == nullptr || viewSize < 4) return;

    const uint32_t endOffset =
        uint32_t(view[0]) | uint32_t(view[1]) << 8 | uint32_t(view[2]) << 16 | uint32_t(view[3]) << 24;
    // The directory ends at its end offset or at the end of the view, whichever is first.
    const uint8_t* const end = view + (endOffset < viewSize ? size_t(endOffset) : viewSize);

    for (const uint8_t* p = view + 4; p < end; ++p) {
        if (*p == 0) break;
        if (*p != '.' || size_t(end - p) < kKeyLength || p[5] != kKeySeparator) continue;
        if (std::memcmp(p, ".hwnd", 5) == 0) {
            char handleText[kHandleTextSize];
            copyValue(p + kKeyLength, end, handleText, sizeof handleText, true);
            out.targetWindow = leadingNumber(handleText);
        } else if (std::memcmp(p, ".name", 5) == 0) {
            // The name buffer keeps room for a CR and the NUL: at most 126 bytes of name.
            copyValue(p + kKeyLength, end, out.name, kGhostNameSize - 1, false);
        }
    }
}

bool ghostNameListed(const char* name) {
    const size_t nameLength = std::strlen(name);
    for (const char* line = kGhostNameList; *line != '\0';) {
        const char* lineEnd = std::strstr(line, "\r\n");
        if (lineEnd == nullptr) lineEnd = line + std::strlen(line);
        if (size_t(lineEnd - line) == nameLength && std::memcmp(line, name, nameLength) == 0) return true;
        line = *lineEnd != '\0' ? lineEnd + 2 : lineEnd;
    }
    return false;
}

bool formatSstpRequest(char (&request)[kSstpRequestSize], const char* script, uint32_t ownWindow,
                       uint32_t& length) {
    if (script == nullptr) script = "";
    // The handle as a signed 32-bit decimal, as "%d" would print it.
    char number[12];
    int64_t value = int32_t(ownWindow);
    char* q = number + sizeof number;
    *--q = '\0';
    const bool negative = value < 0;
    if (negative) value = -value;
    do {
        *--q = char('0' + value % 10);
        value /= 10;
    } while (value != 0);
    if (negative) *--q = '-';

    size_t n = 0;
    request[0] = '\0';
    const bool fits = append(request, sizeof request, n, "SEND SSTP/1.4\r\nSender: Orvanel\r\nScript: ") &&
                      append(request, sizeof request, n, script) &&
                      append(request, sizeof request, n, "\r\nHWnd: ") &&
                      append(request, sizeof request, n, q) &&
                      append(request, sizeof request, n, "\r\nCharset: Shift_JIS");
    if (!fits) {
        request[0] = '\0';
        length = 0;
        return false;
    }
    length = uint32_t(n);
    return true;
}

void send(GhostLink& link, const char* script, bool ghostNameFilter) {
    GhostTransport* transport = link.transport;
    if (transport == nullptr || !transport->mascotRunning()) return;
    const uint8_t* view = nullptr;
    size_t viewSize = 0;
    if (!transport->openDirectory(view, viewSize)) return;

    GhostDirectory directory;
    scanGhostDirectory(view, viewSize, directory);
    char request[kSstpRequestSize];
    uint32_t length = 0;
    if (directory.targetWindow != 0 && (!ghostNameFilter || ghostNameListed(directory.name)) &&
        formatSstpRequest(request, script, link.ownWindow, length)) {
        const SstpCopyData data{kSstpCopyDataId, length, request};
        transport->deliver(directory.targetWindow, link.ownWindow, data);
    }
    transport->closeDirectory();
}
