#pragma once
// Greets a desktop-mascot program running beside the player: finds its window in the
// mascot's shared directory and sends it an SSTP request as a window message (DirectSSTP).
// Keeps no state between sends.
#include <cstddef>
#include <cstdint>

#include "platform/ghost_transport.h"

constexpr uint32_t kSstpCopyDataId = 9801;
constexpr size_t kHandleTextSize = 12;   // 10 digits, CR, NUL
constexpr size_t kGhostNameSize = 128;   // name, CR, NUL: at most 126 bytes of name
constexpr size_t kSstpRequestSize = 300;

// Scripts in the mascot's script language, Shift_JIS.
extern const char kGhostStartScript[];
extern const char kGhostCloseScript[];

// The mascot names the filter accepts: Shift_JIS, each followed by CR LF.
extern const char kGhostNameList[];

// The two entries of the directory the player uses: the last ".hwnd" and the last ".name".
struct GhostDirectory {
    uint32_t targetWindow = 0;  // 0: none, or not a usable number
    char name[kGhostNameSize] = {};
};

// Reads the directory from a mapped view of viewSize bytes: a little-endian end offset,
// then key 0x01 value CR LF lines. Never reads outside the view or past the end offset,
// and never writes past its buffers: an overlong handle value is cut to 11 bytes, a name
// to 126 bytes. A handle that does not fit 32 bits counts as 0.
void scanGhostDirectory(const uint8_t* view, size_t viewSize, GhostDirectory& out);

// True when name equals one line of kGhostNameList exactly (bytes, case-sensitive).
bool ghostNameListed(const char* name);

// The SSTP request: "SEND SSTP/1.4", "Sender: Orvanel", "Script: " script,
// "HWnd: " ownWindow as a signed decimal, "Charset: Shift_JIS", lines joined by CR LF with
// none after the last. False (nothing to send) when it does not fit the buffer.
bool formatSstpRequest(char (&request)[kSstpRequestSize], const char* script, uint32_t ownWindow,
                       uint32_t& length);

struct GhostLink {
    GhostTransport* transport = nullptr;
    uint32_t ownWindow = 0;  // the player's main window
};

// Has the mascot say script. With ghostNameFilter only a mascot whose name is listed is
// greeted. Every failure is silent; nothing stays open afterwards.
void send(GhostLink& link, const char* script, bool ghostNameFilter);
