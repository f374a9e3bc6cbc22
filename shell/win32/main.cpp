// Orvanel.exe: start-up, the message loop with its 200 ms idle tick, and shutdown, each
// in its fixed order.
#include <windows.h>
#include <mmsystem.h>

#include <cstring>

#include "ghost/ghost_link.h"
#include "platform/files.h"
#include "resources/resource.h"
#include "shell/idle_schedule.h"
#include "shell/win32/app.h"
#include "shell/win32/transport_view.h"

namespace {

App* theApp = nullptr;

// Idle-tick hooks of the parts that are not built yet.
void autoplayTick(App&) {}
void followPlayingSong(App&) {}

void idleTick(App& a) {
    if (a.flags.autoplayActive) autoplayTick(a);
    bool forced = a.flags.refreshForced;
    refreshIndicators(a.surfaces, a.indicatorMemory,
                      IndicatorState{a.flags.paused, a.flags.listViewShown, 0, 0}, forced);
    a.flags.refreshForced = forced;
    followPlayingSong(a);
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
        if (nextIdleAction(schedule, timeGetTime(), a.flags.tickRestart) == IdleAction::Tick)
            idleTick(a);
        else
            Sleep(kIdleSleepMs);
    }
}

void animationThread(App* a) {
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
    AnimationLoopOps ops;
    ops.now = [](void*) -> uint32_t { return timeGetTime(); };
    ops.sleep = [](void*, uint32_t ms) { Sleep(ms); };
    ops.step = [](void* context) { runAnimationStep(*static_cast<App*>(context)); };
    ops.context = a;
    runAnimationLoop(a->flags.animationRunning, ops);
}

void greet(App& a, const char* script) {
    GhostLink link{&platformGhostTransport(), static_cast<uint32_t>(reinterpret_cast<uintptr_t>(a.window))};
    send(link, script, a.settings.ghostNameFilter);
}

// The argument string after the program's name; a path longer than the buffer is
// refused rather than cut into another path.
bool takeCommandLine(App& a, const char* commandLine) {
    if (!commandLine || !*commandLine) return false;
    if (std::strlen(commandLine) >= sizeof a.songPath) return true;  // present, unusable
    std::strcpy(a.songPath, commandLine);
    return true;
}

void startCommandLineSong(App& a) {
    if (!a.flags.cmdLineFile || !a.songPath[0]) return;
    if (!loadSong(*a.seq, a.songPath)) {
        unloadSong(*a.seq);  // a partly loaded song is not kept
        return;
    }
    startPlayback(a.playback);
    setCaption(a, kPlayButton, "stop");
    setCaption(a, kAutoplayButton, " ");
    setWindowTitleForSong(a, a.songPath);
}

void shutDown(App& a) {
    stopPlayback(a.playback);  // clears playing and waits for the thread to leave
    unloadSong(*a.seq);
    a.seq->port.close(a.settings.resetType, a.seq->channels);
    greet(a, kGhostCloseScript);
    a.playListStorage.reset();
    a.flags.animationRunning = false;
    if (a.animationThread.joinable()) a.animationThread.join();
    releaseSurfaces(a);
    saveSettingsFiles(platformFileSystem(), a.paths, a.settings, a.history);
    releaseTimerPeriod(a.timerPeriod);
}

}  // namespace

App& app() { return *theApp; }

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int showCommand) {
    static App a;
    theApp = &a;
    a.instance = instance;
    a.randomSeed = GetTickCount();
    LoadStringA(instance, IDS_APP_TITLE, a.productName, 99);
    LoadStringA(instance, IDC_ORVANEL, a.className, 99);

    HANDLE mutex = CreateMutexA(nullptr, TRUE, a.productName);
    if (!mutex) return 0;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        ReleaseMutex(mutex);
        CloseHandle(mutex);
        return 0;
    }
    registerMainClass(a);

    a.flags.cmdLineFile = takeCommandLine(a, commandLine);
    loadSettingsFiles(platformFileSystem(), a.flags.cmdLineFile, a.paths, a.settings, a.history);
    a.playListStorage.reset(new uint8_t[262144]());
    a.settings.keyShift = 0;

    int exitCode = 0;
    if (!createMainWindow(a)) {
        CloseHandle(mutex);
        return 0;
    }
    ShowWindow(a.window, showCommand);
    UpdateWindow(a.window);
    // Minimised (a shortcut set so), the window has no client area to measure: the size
    // is checked once it is restored.
    if (IsIconic(a.window))
        a.clientSizeCheckPending = true;
    else
        enforceClientSize(a.window);
    a.panel.reset(new MessagePanel(a.surfaces, a.flags.listViewShown));
    if (!createSurfaces(a)) {
        DestroyWindow(a.window);
        ReleaseMutex(mutex);
        CloseHandle(mutex);
        return 0;
    }
    drawSpeedIndicator(a.surfaces, a.settings.speedIndex);
    drawKeyShiftIndicator(a.surfaces, a.settings.keyShift);
    greet(a, kGhostStartScript);
    a.animationThread = std::thread(animationThread, &a);
    a.accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDC_ORVANEL));

    a.timerPeriod = requestTimerPeriod();
    Sequencer& seq = *a.seq;
    seq.settings = &a.settings;
    seq.panel = a.panel.get();
    seq.port.attach(&a.midi);
    initSequencer(seq);
    seq.port.open();
    a.transportView.reset(new WindowTransportView(a));
    a.playback.seq = &seq;
    a.playback.settings = &a.settings;
    a.playback.flags = &a.flags;
    a.playback.platform = &a.clock;
    a.playback.view = a.transportView.get();
    a.playback.display = &a.surfaces;
    startCommandLineSong(a);

    exitCode = messageLoop(a);
    shutDown(a);
    ReleaseMutex(mutex);
    CloseHandle(mutex);
    return exitCode;
}
