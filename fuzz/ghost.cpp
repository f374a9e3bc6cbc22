// The mascot's shared directory as any bytes: the scan, the name filter, and the request
// built with the name found as its script. Values must stay within their buffers.
#include <cstdlib>
#include <cstring>

#include "ghost/ghost_link.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    GhostDirectory directory;
    scanGhostDirectory(data, size, directory);
    const size_t nameLength = strnlen(directory.name, sizeof directory.name);
    if (nameLength > kGhostNameSize - 2) std::abort();  // room kept for a CR and the NUL
    ghostNameListed(directory.name);

    char request[kSstpRequestSize];
    uint32_t length = 0;
    if (formatSstpRequest(request, directory.name, directory.targetWindow, length) &&
        (length >= sizeof request || std::strlen(request) != length))
        std::abort();
    return 0;
}
