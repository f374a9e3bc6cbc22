// Opens and closes a modal dialog of the running player from outside, for the screenshot
// script:
//
//   player_dialog.exe open ID   posts command ID to the player's window, waits until a
//                               dialog of the player shows and has finished opening
//   player_dialog.exe close     presses Esc in the player's dialog, waits until it is gone
//
// Exit code 0 on success, 1 when there is no player window or the dialog does not come (or
// go) within 30 s, 2 for a wrong command line.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tests/wine/gui_driver.h"

namespace {

constexpr DWORD kTimeoutMs = 30000;

DWORD playerProcess(HWND& window) {
    window = FindWindowA("VELTRAN", nullptr);
    DWORD pid = 0;
    if (window) GetWindowThreadProcessId(window, &pid);
    return pid;
}


}  // namespace

int main(int argc, char** argv) {
    const bool open = argc == 3 && std::strcmp(argv[1], "open") == 0;
    const bool close = argc == 2 && std::strcmp(argv[1], "close") == 0;
    if (!open && !close) {
        std::fprintf(stderr, "usage: player_dialog.exe open ID | close\n");
        return 2;
    }
    HWND player = nullptr;
    const DWORD pid = playerProcess(player);
    if (!pid) {
        std::fprintf(stderr, "player_dialog: no player window\n");
        return 1;
    }
    HWND dialog = nullptr;
    if (close) {
        dialog = gui::dialogOf(pid);
        if (dialog) PostMessageA(dialog, WM_KEYDOWN, VK_ESCAPE, 0);
        return dialog && gui::waitUntil(kTimeoutMs, [&] { return !IsWindow(dialog); }) ? 0 : 1;
    }
    PostMessageA(player, WM_COMMAND, static_cast<WPARAM>(std::atoi(argv[2])), 0);
    if (!gui::waitUntil(kTimeoutMs, [&] { return (dialog = gui::dialogOf(pid)) != nullptr; })) {
        std::fprintf(stderr, "player_dialog: no dialog after command %s\n", argv[2]);
        return 1;
    }
    // Answered once its initialisation is through.
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutA(dialog, WM_NULL, 0, 0, SMTO_NORMAL, kTimeoutMs, &ignored) ? 0 : 1;
}
