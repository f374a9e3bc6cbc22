// The mascot program's named mutex, shared directory and WM_COPYDATA on Windows.
#include <windows.h>

#include "platform/ghost_transport.h"

namespace {

// A mascot that does not answer must not hold up start-up or shutdown for long.
constexpr UINT kDeliverTimeoutMs = 5000;

class Win32GhostTransport : public GhostTransport {
public:
    bool mascotRunning() override {
        HANDLE mutex = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, "sakura");
        if (mutex == nullptr) return false;
        CloseHandle(mutex);
        return true;
    }

    bool openDirectory(const uint8_t*& bytes, size_t& size) override {
        mapping_ = OpenFileMappingA(FILE_MAP_READ, TRUE, "Sakura");
        if (mapping_ == nullptr) return false;
        view_ = MapViewOfFile(mapping_, FILE_MAP_READ, 0, 0, 0);
        MEMORY_BASIC_INFORMATION info;
        if (view_ == nullptr || VirtualQuery(view_, &info, sizeof info) == 0) {
            release();
            return false;
        }
        // The readable extent of the view, whatever the directory's own length says.
        bytes = static_cast<const uint8_t*>(view_);
        size = info.RegionSize;
        return true;
    }

    void closeDirectory() override { release(); }

    void deliver(uint32_t targetWindow, uint32_t ownWindow, const SstpCopyData& data) override {
        COPYDATASTRUCT copyData;
        copyData.dwData = data.dwData;
        copyData.cbData = data.cbData;
        copyData.lpData = const_cast<char*>(data.lpData);
        DWORD_PTR answer = 0;
        SendMessageTimeoutA(reinterpret_cast<HWND>(static_cast<uintptr_t>(targetWindow)), WM_COPYDATA,
                            static_cast<WPARAM>(ownWindow), reinterpret_cast<LPARAM>(&copyData),
                            SMTO_ABORTIFHUNG, kDeliverTimeoutMs, &answer);
    }

private:
    void release() {
        if (view_ != nullptr) UnmapViewOfFile(view_);
        if (mapping_ != nullptr) CloseHandle(mapping_);
        view_ = nullptr;
        mapping_ = nullptr;
    }

    HANDLE mapping_ = nullptr;
    void* view_ = nullptr;
};

}  // namespace

GhostTransport& platformGhostTransport() {
    static Win32GhostTransport transport;
    return transport;
}
