// No desktop-mascot programs outside Windows: the link never finds one.
#include "platform/ghost_transport.h"

namespace {

class NoGhostTransport : public GhostTransport {
public:
    bool mascotRunning() override { return false; }
    bool openDirectory(const uint8_t*&, size_t&) override { return false; }
    void closeDirectory() override {}
    void deliver(uint32_t, uint32_t, const SstpCopyData&) override {}
};

}  // namespace

GhostTransport& platformGhostTransport() {
    static NoGhostTransport transport;
    return transport;
}
