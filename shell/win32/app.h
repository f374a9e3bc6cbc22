#pragma once
// The Windows program's records: the portable Program and what only the window has (its
// controls, the GDI objects behind the surfaces, the device, the views). One instance
// for the whole run, made in WinMain.
#include <windows.h>

#include <memory>
#include <thread>

#include "display/message_panel.h"
#include "platform/win32/gdi_surface.h"
#include "platform/win32/playback_win32.h"
#include "platform/win32/winmm_midi.h"
#include "shell/program.h"
#include "shell/shell_view.h"

// The child controls of the main window, in creation order.
enum ControlIndex {
    kOpenButton, kPlayButton, kCloseButton, kBreakButton, kLoopButton, kAutoplayButton,
    kListToggle, kSeekBar, kListScrollBar, kSpeedSpin, kKeyShiftSpin, kControlCount
};

// The GDI objects behind the DisplaySurfaces.
struct GdiObjects {
    HDC windowDc = nullptr;
    HDC backDc = nullptr, listDc = nullptr, skinDc = nullptr;
    HFONT smallFont = nullptr, largeFont = nullptr;
    HBRUSH whiteBrush = nullptr, greyBrush = nullptr;
    HBITMAP backBitmap = nullptr, listBitmap = nullptr;
    HGDIOBJ backBitmapBefore = nullptr, listBitmapBefore = nullptr, skinBitmapBefore = nullptr;
    HBITMAP skinBitmap = nullptr;
    GdiSurface window, back, list, skin;
};

class WindowTransportView;
class WindowShellView;
class WindowListScrollBar;

struct App {
    App();
    ~App();

    HINSTANCE instance = nullptr;
    char className[100] = {};
    HWND window = nullptr;
    HWND controls[kControlCount] = {};
    HACCEL accelerators = nullptr;

    Program program;
    WinmmMidiDevice midi;
    Win32PlaybackPlatform clock;
    std::unique_ptr<WindowTransportView> transportView;
    std::unique_ptr<WindowShellView> shellView;
    std::unique_ptr<WindowListScrollBar> listScrollBar;
    std::unique_ptr<MessagePanel> panel;
    uint32_t timerPeriod = 0;
    // The client size is checked once the window is shown as a window, not minimised.
    bool clientSizeChecked = false;

    GdiObjects gdi;
    std::thread animationThread;
};

// The one instance, for the window procedure and the animation thread.
App& app();

// Surfaces and skin (surfaces_win32.cpp).
bool createSurfaces(App& a);
void releaseSurfaces(App& a);
// A skin bitmap of 2080 x 80 pixels, or null. A relative path that does not load as
// given is looked for beside the program, where the default skin ships.
HBITMAP loadSkinBitmap(const char* path);
// Puts bitmap into the skin surface and releases the one it replaces.
void installSkinBitmap(App& a, HBITMAP bitmap);
void repaintWindow(App& a);

// Main window (main_window.cpp).
bool registerMainClass(App& a);
HWND createMainWindow(App& a);
// Sizes the window so that its client area is 290 x 268, unless it is minimised (then
// later, when it is restored).
void enforceClientSize(App& a);
HWND controlOf(App& a, Button b);

// Dialogs (dialogs_win32.cpp).
void runSettingsDialog(App& a);
void runAboutBox(App& a);
