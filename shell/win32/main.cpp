// Orvanel.exe: start-up, the message loop with its 200 ms idle tick, and shutdown, each
// in its fixed order.
#include <windows.h>
#include <mmsystem.h>

#include <cstring>

#include "ghost/ghost_link.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/win32/ansi_path.h"
#include "resources/resource.h"
#include "shell/autoplay_controller.h"
#include "shell/idle_schedule.h"
#include "shell/start_up.h"
#include "shell/win32/app.h"
#include "shell/win32/transport_view.h"
#include "shell/win32/window_view.h"

namespace {

App* theApp = nullptr;

void idleTick(App& a) {
    Program& p = a.program;
    if (p.flags.autoplayActive) autoplayTick(p);
    bool forced = p.flags.refreshForced;
    const IndicatorState now{p.flags.paused, p.flags.listViewShown, p.playList.playPos, p.listView.topIndex};
    // The panel-or-list copy brings the list's scroll bar with the list.
    if (refreshIndicators(p.surfaces, p.indicatorMemory, now, forced) && !now.paused)
        ShowScrollBar(a.controls[kListScrollBar], SB_CTL, now.listViewShown ? TRUE : FALSE);
    p.flags.refreshForced = forced;
    followPlayingSong(p.listView, p.settings.barFollowsSong);
}

int messageLoop(App& a) {
    IdleSchedule schedule;
    startIdleSchedule(schedule, timeGetTime());
    MSG msg;
    for (;;) {
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) return static_cast<int>(msg.wParam);
            // Accelerators go to the main window, whichever control has the focus.
            if (!TranslateAcceleratorA(a.window, a.accelerators, &msg)) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
            continue;
        }
        if (nextIdleAction(schedule, timeGetTime(), a.program.flags.tickRestart) == IdleAction::Tick) {
            idleTick(a);
            continue;
        }
        // Wait for the next message or the next tick, whichever comes first, so a click is
        // answered at once and the tick keeps its schedule.
        MsgWaitForMultipleObjectsEx(0, nullptr, msUntilTick(schedule, timeGetTime()), QS_ALLINPUT,
                                    MWMO_INPUTAVAILABLE);
    }
}

void animationThread(App* a) {
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
    AnimationLoopOps ops;
    ops.now = [](void*) -> uint32_t { return timeGetTime(); };
    ops.sleep = [](void*, uint32_t ms) { Sleep(ms); };
    ops.step = [](void* context) { runAnimationStep(static_cast<App*>(context)->program); };
    ops.context = a;
    runAnimationLoop(a->program.flags.animationRunning, ops);
}

void greet(App& a, const char* script) {
    GhostLink link{&platformGhostTransport(), static_cast<uint32_t>(reinterpret_cast<uintptr_t>(a.window))};
    send(link, script, a.program.settings.ghostNameFilter);
}

void wireWindowProgram(App& a) {
    Program& p = a.program;
    p.panel = a.panel.get();
    p.view = a.shellView.get();
    p.files = &platformFileSystem();
    p.folders = &platformFolders();
    p.clock = &a.clock;
    wireProgram(p);
    p.playback.view = a.transportView.get();
    p.listView.scrollBar = a.listScrollBar.get();
    p.seq->port.attach(&a.midi);
}

void shutDown(App& a) {
    Program& p = a.program;
    stopEverything(p);
    greet(a, kGhostCloseScript);
    releasePlayListEntries(p.playList);
    p.flags.animationRunning = false;
    if (a.animationThread.joinable()) a.animationThread.join();
    releaseSurfaces(a);
    saveSettingsFiles(platformFileSystem(), p.paths, p.settings, p.history);
    releaseTimerPeriod(a.timerPeriod);
}

}  // namespace

App::App()
    : transportView(new WindowTransportView(*this)),
      shellView(new WindowShellView(*this)),
      listScrollBar(new WindowListScrollBar(*this)),
      panel(new MessagePanel(program.surfaces, program.flags.listViewShown)) {}

App::~App() = default;

App& app() { return *theApp; }

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    static App a;
    theApp = &a;
    Program& p = a.program;
    a.instance = instance;
    p.randomSeed = GetTickCount();
    LoadStringA(instance, IDS_APP_TITLE, p.productName, 99);
    LoadStringA(instance, IDC_ORVANEL, a.className, 99);

    HANDLE mutex = CreateMutexA(nullptr, TRUE, p.productName);
    if (!mutex) return 0;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        ReleaseMutex(mutex);
        CloseHandle(mutex);
        return 0;
    }
    registerMainClass(a);

    // From the wide command line: a song the code page cannot spell comes by its short name.
    char arguments[kDropPathSize];
    const size_t length = ansiArgumentsOf(ansiCodePage(), GetCommandLineW(), arguments, sizeof arguments);
    // One that does not fit is a command line still, with no path of ours in it.
    p.flags.cmdLineFile = length >= sizeof arguments || takeCommandLine(arguments, p.songPath, sizeof p.songPath);
    loadSettingsFiles(platformFileSystem(), p.flags.cmdLineFile, p.paths, p.settings, p.history);
    p.settings.keyShift = 0;
    wireWindowProgram(a);

    if (!createMainWindow(a)) {
        CloseHandle(mutex);
        return 0;
    }
    ShowWindow(a.window, showCommand);
    UpdateWindow(a.window);
    enforceClientSize(a);
    if (!createSurfaces(a)) {
        DestroyWindow(a.window);
        ReleaseMutex(mutex);
        CloseHandle(mutex);
        return 0;
    }
    drawSpeedIndicator(p.surfaces, p.settings.speedIndex);
    drawKeyShiftIndicator(p.surfaces, p.settings.keyShift);
    greet(a, kGhostStartScript);
    a.animationThread = std::thread(animationThread, &a);
    a.accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDC_ORVANEL));

    a.timerPeriod = requestTimerPeriod();
    initSequencer(*p.seq);
    p.seq->port.open();
    startCommandLineSong(p);

    const int exitCode = messageLoop(a);
    shutDown(a);
    ReleaseMutex(mutex);
    CloseHandle(mutex);
    return exitCode;
}
