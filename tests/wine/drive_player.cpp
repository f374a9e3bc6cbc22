// Starts the player and puts it into a state by its own commands, for scripts that show
// it (tools/screenshot.sh), then waits for it to end.
//
//   drive_player.exe PLAYER.exe [--history ENTRY]... [COMMAND-ID]...
//
// PLAYER runs in its own folder, where its kivo\default.bmp lies, with history.txt holding
// the given entries (oldest first); the settings files that were there are put back when
// the player has ended. Once the window is up, each command is posted to it as its button
// or menu item would, each after the window has answered the one before. The exit code is
// the player's, or 2 when it could not be started or showed no window.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/wine/gui_driver.h"

int main(int argc, char** argv) {
    using namespace gui;
    if (argc < 2) {
        std::fprintf(stderr, "usage: drive_player PLAYER.exe [--history ENTRY]... [COMMAND-ID]...\n");
        return 2;
    }
    const std::string player = argv[1];
    std::vector<std::string> history;
    std::vector<int> commands;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--history") == 0 && i + 1 < argc) history.push_back(argv[++i]);
        else commands.push_back(std::atoi(argv[i]));
    }

    SettingsFilesKeeper keeper;
    writeHistory(history);
    const size_t slash = player.find_last_of("\\/");
    Process p;
    if (!p.start(player, "", slash == std::string::npos ? std::string() : player.substr(0, slash))) {
        std::fprintf(stderr, "drive_player: cannot start %s\n", player.c_str());
        return 2;
    }
    HWND w = waitForPlayerWindow(p);
    if (!w) {
        std::fprintf(stderr, "drive_player: no window from %s\n", player.c_str());
        return 2;  // the player is ended with the Process
    }
    for (int id : commands) {
        PostMessageA(w, WM_COMMAND, MAKEWPARAM(id, 0), 0);
        DWORD_PTR answer = 0;
        SendMessageTimeoutA(w, WM_NULL, 0, 0, SMTO_NORMAL, kStartTimeoutMs, &answer);
    }
    DWORD code = 2;
    p.waitExit(INFINITE, code);
    return static_cast<int>(code);
}
