#pragma once
// The flags shared between the user-interface thread, the playback thread, the animation
// thread, the folder search and the autoplay controller. One writer at a time each.
// Values are relaxed; the two flags that tell a thread has finished with something are
// hand-overs (release/acquire).
#include <cstdint>

#include "platform/relaxed.h"

struct ControlFlags {
    Relaxed<bool> autoplayActive{false};
    Relaxed<bool> commandBusy{false};
    Relaxed<bool> advanceRequested{false};
    Handover<bool> searchRunning{false};         // false: the walk has ended, the list is whole
    Relaxed<bool> paused{false};
    Relaxed<bool> dropListMode{false};
    Relaxed<bool> dropSongStarted{false};
    Relaxed<bool> tickRestart{false};
    Relaxed<bool> listViewShown{false};
    Relaxed<bool> seekFollows{true};
    Relaxed<bool> refreshForced{false};
    Relaxed<bool> skinReloading{false};
    Relaxed<bool> cmdLineFile{false};
    Handover<bool> playbackThreadRunning{false}; // false: the thread has left the song
    Relaxed<bool> animationRunning{true};
    Relaxed<int32_t> seekPos{0};  // the seek bar's position in percent
};
