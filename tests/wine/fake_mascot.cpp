// A stand-in for a desktop-mascot program, for the GUI tests: it publishes the mutex
// "sakura" and the shared directory "Sakura" that list one hidden window per mascot, and
// records every WM_COPYDATA those windows receive.
//
//   fake_mascot.exe [--stall MS] [--timeout S] OUT NAME...
//
// NAME is the mascot's name as hex digits of its Shift_JIS bytes ("90909774" is 瑞葉), so
// any name passes the command line unchanged. The directory lists the mascots in the order
// given; a player greets the last one.
//
// OUT receives one line per event, CR LF terminated and flushed at once:
//   mascot INDEX HWND              one per mascot window, in order
//   ready                          the mutex and directory are published
//   copydata to=INDEX wparam=N dwdata=N cbdata=N data=HEX
//                                  a WM_COPYDATA: the receiving window, its parameters and
//                                  exactly cbData bytes of lpData
//   quit                           the program is ending
//
// It ends when the event "FakeMascotQuit" is set, when one of its windows is closed, or
// after the timeout (default 120 s). --stall MS holds every WM_COPYDATA for MS milliseconds
// (or until the quit event) before answering, like a mascot that is busy.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kMaxMascots = 8;
constexpr DWORD kDirectorySize = 64 * 1024;
const char kWindowClass[] = "FakeMascotWindow";

HANDLE out = INVALID_HANDLE_VALUE;
HANDLE quitEvent = nullptr;
DWORD stallMs = 0;
HWND windows[kMaxMascots];
int mascotCount = 0;

void record(const std::string& line) {
    const std::string text = line + "\r\n";
    DWORD written = 0;
    WriteFile(out, text.data(), DWORD(text.size()), &written, nullptr);
    FlushFileBuffers(out);
}

std::string hexOf(const uint8_t* bytes, size_t n) {
    static const char digits[] = "0123456789ABCDEF";
    std::string hex;
    hex.reserve(2 * n);
    for (size_t i = 0; i < n; ++i) {
        hex += digits[bytes[i] >> 4];
        hex += digits[bytes[i] & 15];
    }
    return hex;
}

bool bytesOfHex(const char* hex, std::string& bytes) {
    const size_t n = std::strlen(hex);
    if (n % 2 != 0) return false;
    bytes.clear();
    for (size_t i = 0; i < n; i += 2) {
        char pair[3] = {hex[i], hex[i + 1], 0};
        char* end = nullptr;
        const long v = std::strtol(pair, &end, 16);
        if (end != pair + 2) return false;
        bytes += char(v);
    }
    return true;
}

int indexOf(HWND hwnd) {
    for (int i = 0; i < mascotCount; ++i)
        if (windows[i] == hwnd) return i;
    return -1;
}

LRESULT CALLBACK mascotWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_COPYDATA: {
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        char head[160];
        std::snprintf(head, sizeof head, "copydata to=%d wparam=%lu dwdata=%lu cbdata=%lu data=",
                      indexOf(hwnd), static_cast<unsigned long>(wParam),
                      static_cast<unsigned long>(data ? data->dwData : 0),
                      static_cast<unsigned long>(data ? data->cbData : 0));
        std::string line = head;
        if (data && data->lpData && data->cbData)
            line += hexOf(static_cast<const uint8_t*>(data->lpData), data->cbData);
        record(line);
        if (stallMs) WaitForSingleObject(quitEvent, stallMs);
        return TRUE;
    }
    case WM_CLOSE:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

// key 0x01 value CR LF
void addEntry(std::string& dir, const std::string& key, const std::string& value) {
    dir += key;
    dir += '\x01';
    dir += value;
    dir += "\r\n";
}

// What a mascot program lists for each of its characters: besides the two keys the player
// reads, a path whose text holds ".hwnd" and ".name" without the separator, so only the
// exact keys may match.
std::string buildDirectory(const std::vector<std::string>& names) {
    std::string entries;
    for (int i = 0; i < mascotCount; ++i) {
        const std::string id = "fake" + std::to_string(i);
        addEntry(entries, id + ".path", "C:\\fake\\ghost" + std::to_string(i) + "\\");
        addEntry(entries, id + ".hwnd", std::to_string(reinterpret_cast<uintptr_t>(windows[i])));
        addEntry(entries, id + ".name", names[i]);
        addEntry(entries, id + ".keroname", "kero");
        addEntry(entries, id + ".shellpath", "C:\\fake.hwnd\\fake.name\\shell");
    }
    const uint32_t end = uint32_t(4 + entries.size());
    std::string dir(4, '\0');
    for (int b = 0; b < 4; ++b) dir[b] = char((end >> (8 * b)) & 0xFF);
    return dir + entries;
}

int usage() {
    std::fprintf(stderr, "usage: fake_mascot.exe [--stall MS] [--timeout S] OUT NAME-HEX...\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    DWORD timeoutS = 120;
    int a = 1;
    for (; a < argc && std::strncmp(argv[a], "--", 2) == 0; a += 2) {
        if (a + 1 >= argc) return usage();
        if (std::strcmp(argv[a], "--stall") == 0) stallMs = DWORD(std::strtoul(argv[a + 1], nullptr, 10));
        else if (std::strcmp(argv[a], "--timeout") == 0) timeoutS = DWORD(std::strtoul(argv[a + 1], nullptr, 10));
        else return usage();
    }
    if (argc - a < 2 || argc - a - 1 > kMaxMascots) return usage();
    const char* outPath = argv[a++];
    std::vector<std::string> names;
    for (; a < argc; ++a) {
        std::string name;
        if (!bytesOfHex(argv[a], name)) return usage();
        names.push_back(name);
    }
    mascotCount = int(names.size());

    out = CreateFileA(outPath, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_ALWAYS,
                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "fake_mascot: cannot create %s\n", outPath);
        return 1;
    }
    quitEvent = CreateEventA(nullptr, TRUE, FALSE, "FakeMascotQuit");
    if (quitEvent == nullptr) return 1;
    // A quit left set by an earlier run must not end this one.
    ResetEvent(quitEvent);

    WNDCLASSA wc = {};
    wc.lpfnWndProc = mascotWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kWindowClass;
    if (!RegisterClassA(&wc)) return 1;
    for (int i = 0; i < mascotCount; ++i) {
        const std::string title = "fake mascot " + std::to_string(i);
        windows[i] = CreateWindowExA(0, kWindowClass, title.c_str(), WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                                     nullptr, nullptr, wc.hInstance, nullptr);
        if (windows[i] == nullptr) return 1;
        record("mascot " + std::to_string(i) + " " + std::to_string(reinterpret_cast<uintptr_t>(windows[i])));
    }

    const std::string directory = buildDirectory(names);
    if (directory.size() + 1 > kDirectorySize) return 1;
    HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kDirectorySize, "Sakura");
    if (mapping == nullptr) return 1;
    void* view = MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0);
    if (view == nullptr) return 1;
    std::memset(view, 0, kDirectorySize);
    std::memcpy(view, directory.data(), directory.size());
    // The mutex last: a player that finds it finds the directory complete.
    HANDLE mutex = CreateMutexA(nullptr, FALSE, "sakura");
    if (mutex == nullptr) return 1;
    record("ready");

    const DWORD deadline = GetTickCount() + timeoutS * 1000;
    bool running = true;
    while (running) {
        const DWORD now = GetTickCount();
        if (int32_t(deadline - now) <= 0) break;
        const DWORD r = MsgWaitForMultipleObjects(1, &quitEvent, FALSE, deadline - now, QS_ALLINPUT);
        if (r == WAIT_OBJECT_0 || r == WAIT_TIMEOUT || r == WAIT_FAILED) break;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                running = false;
                break;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }

    record("quit");
    CloseHandle(mutex);
    UnmapViewOfFile(view);
    CloseHandle(mapping);
    for (int i = 0; i < mascotCount; ++i) DestroyWindow(windows[i]);
    CloseHandle(quitEvent);
    CloseHandle(out);
    return 0;
}
