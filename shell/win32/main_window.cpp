// The main window: its class, its child controls, and the window procedure, which only
// translates messages into calls of the shell's handlers.
#include <cstdio>

#include "resources/resource.h"
#include "shell/win32/app.h"
#include "shell/win32/transport_view.h"

namespace {

struct ControlSpec {
    const char* windowClass;
    const char* caption;
    DWORD style;
    int x, y, width, height;
    int id;  // -1: none
};

// In creation order; positions in client pixels.
const ControlSpec kControls[kControlCount] = {
    {"BUTTON", "open", BS_PUSHBUTTON, 210, 0, 80, 24, IDM_OPEN},
    {"BUTTON", "play", BS_PUSHBUTTON, 210, 24, 80, 24, IDM_PLAY},
    {"BUTTON", "close", BS_PUSHBUTTON, 210, 48, 80, 24, IDM_CLOSE},
    {"BUTTON", "break", BS_PUSHBUTTON, 210, 72, 80, 24, IDM_BREAK},
    {"BUTTON", "normal", BS_PUSHBUTTON, 210, 96, 80, 24, IDM_LOOPMODE},
    {"BUTTON", "autoplay", BS_PUSHBUTTON, 210, 120, 80, 24, IDM_AUTOPLAY},
    {"BUTTON", "<- ->", BS_PUSHBUTTON, 210, 252, 80, 16, IDM_LISTVIEW},
    {"SCROLLBAR", "", SBS_HORZ, 0, 252, 132, 16, -1},
    {"SCROLLBAR", "", SBS_VERT, 194, 0, 16, 250, -1},
    {"SCROLLBAR", "", SBS_VERT, 196, 252, 14, 16, -1},
    {"SCROLLBAR", "", SBS_VERT, 152, 252, 14, 16, -1},
};

void createControls(App& a, HWND window) {
    for (int i = 0; i < kControlCount; ++i) {
        const ControlSpec& c = kControls[i];
        a.controls[i] = CreateWindowExA(0, c.windowClass, c.caption, WS_CHILD | WS_VISIBLE | c.style,
                                        c.x, c.y, c.width, c.height, window,
                                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id < 0 ? 0 : c.id)),
                                        a.instance, nullptr);
    }
    // Positions 0 to 100 percent: a range of 0-104 with a page of 5.
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE;
    info.nMin = 0;
    info.nMax = 104;
    info.nPage = 5;
    SetScrollInfo(a.controls[kSeekBar], SB_CTL, &info, TRUE);
    EnableWindow(a.controls[kSeekBar], FALSE);
    EnableWindow(a.controls[kListScrollBar], FALSE);
    ShowWindow(a.controls[kListScrollBar], SW_HIDE);
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    App& a = app();
    switch (message) {
    case WM_CREATE:
        createControls(a, window);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(window, &ps);
        repaintWindow(a);
        EndPaint(window, &ps);
        return 0;
    }
    case WM_COMMAND:
        a.flags.tickRestart = true;
        return DefWindowProcA(window, message, wParam, lParam);
    case WM_SIZE:
        if (wParam != SIZE_MINIMIZED && a.clientSizeCheckPending) {
            a.clientSizeCheckPending = false;
            enforceClientSize(window);
        }
        return DefWindowProcA(window, message, wParam, lParam);
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        if (handleTransportMessage(a, message, wParam, lParam)) return 0;
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

bool registerMainClass(App& a) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = windowProc;
    wc.hInstance = a.instance;
    wc.hIcon = LoadIconA(a.instance, MAKEINTRESOURCEA(IDI_ORVANEL));
    wc.hIconSm = LoadIconA(a.instance, MAKEINTRESOURCEA(IDI_SMALL));
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszMenuName = MAKEINTRESOURCEA(IDR_MAINMENU);
    wc.lpszClassName = a.className;
    return RegisterClassExA(&wc) != 0;
}

HWND createMainWindow(App& a) {
    a.window = CreateWindowExA(WS_EX_CLIENTEDGE | WS_EX_WINDOWEDGE | WS_EX_ACCEPTFILES, a.className,
                               a.productName, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                               CW_USEDEFAULT, CW_USEDEFAULT, 300, 300, nullptr, nullptr, a.instance,
                               nullptr);
    return a.window;
}

void enforceClientSize(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    const int width = client.right - client.left, height = client.bottom - client.top;
    if (width == 290 && height == 268) return;
    SetWindowPos(window, nullptr, 0, 0, 590 - width, 568 - height, SWP_NOMOVE | SWP_NOZORDER);
}

void setWindowTitleForSong(App& a, const char* path) {
    std::snprintf(a.textLine, sizeof a.textLine, "%s[%s]", a.productName, path);
    SetWindowTextA(a.window, a.textLine);
}

void setCaption(App& a, ControlIndex control, const char* caption) {
    SetWindowTextA(a.controls[control], caption);
}
