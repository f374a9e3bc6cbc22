#pragma once
// The Windows program's records: one instance for the whole run, made in WinMain and
// passed to the parts that use it.
#include <windows.h>

#include <memory>
#include <thread>

#include "display/display_surfaces.h"
#include "display/indicators.h"
#include "display/message_panel.h"
#include "display/skin_animation.h"
#include "platform/win32/gdi_surface.h"
#include "platform/win32/playback_win32.h"
#include "platform/win32/winmm_midi.h"
#include "sequencer/playback.h"
#include "sequencer/sequencer.h"
#include "shell/control_flags.h"
#include "shell/settings.h"
#include "shell/settings_files.h"

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

struct App {
    HINSTANCE instance = nullptr;
    char productName[100] = {};
    char className[100] = {};
    char songPath[260] = {};
    char textLine[1024] = {};
    HWND window = nullptr;
    HWND controls[kControlCount] = {};
    HACCEL accelerators = nullptr;
    bool clientSizeCheckPending = false;  // started minimised: check when first restored

    Settings settings;
    History history;
    ShellPaths paths;
    ControlFlags flags;
    std::unique_ptr<Sequencer> seq{new Sequencer};
    WinmmMidiDevice midi;
    Win32PlaybackPlatform clock;
    Playback playback;
    std::unique_ptr<WindowTransportView> transportView;
    uint32_t timerPeriod = 0;
    uint32_t randomSeed = 0;

    DisplaySurfaces surfaces;
    GdiObjects gdi;
    SkinAnimation animation;
    IndicatorMemory indicatorMemory;
    std::unique_ptr<MessagePanel> panel;
    std::thread animationThread;

    std::unique_ptr<uint8_t[]> playListStorage;  // 65536 slots of 4 bytes
};

// The one instance, for the window procedure and the animation thread.
App& app();

// Start-up helpers (surfaces_win32.cpp).
bool createSurfaces(App& a);
void releaseSurfaces(App& a);
HBITMAP loadSkinBitmap(const char* path);
void repaintWindow(App& a);
AnimationInput animationInput(const App& a);
void runAnimationStep(App& a);

// Main window (main_window.cpp).
bool registerMainClass(App& a);
HWND createMainWindow(App& a);
void enforceClientSize(HWND window);
void setWindowTitleForSong(App& a, const char* path);
void setCaption(App& a, ControlIndex control, const char* caption);
