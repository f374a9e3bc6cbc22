#pragma once
// What the ghost link needs from the platform to reach a desktop-mascot program: its
// named mutex, its shared-memory directory and its window messages. On Windows: the
// mutex "sakura", the file mapping "Sakura" and WM_COPYDATA. Elsewhere a stub that never
// finds a mascot.
#include <cstddef>
#include <cstdint>

// The WM_COPYDATA payload, field for field.
struct SstpCopyData {
    uint32_t dwData;
    uint32_t cbData;       // bytes of lpData sent, without the terminating NUL
    const char* lpData;
};

class GhostTransport {
public:
    virtual ~GhostTransport() = default;
    // Whether a mascot program runs: its mutex can be opened (and is closed at once).
    virtual bool mascotRunning() = 0;
    // Maps the mascot's directory read-only. On success bytes and size describe the whole
    // readable view, which stays mapped until closeDirectory.
    virtual bool openDirectory(const uint8_t*& bytes, size_t& size) = 0;
    // Unmaps the view and closes the mapping; only after a successful openDirectory.
    virtual void closeDirectory() = 0;
    // Sends WM_COPYDATA to targetWindow, wParam ownWindow, lParam the payload. Returns when
    // the mascot has handled it or after a bounded wait; the answer is ignored.
    virtual void deliver(uint32_t targetWindow, uint32_t ownWindow, const SstpCopyData& data) = 0;
};

// The platform's transport; one for the whole run.
GhostTransport& platformGhostTransport();
