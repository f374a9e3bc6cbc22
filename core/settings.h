#pragma once
// Every option the user can change, and the history of played songs and folders.
// The UI thread writes; the playback, animation and search threads read without locks.
#include <cstdint>

#include "platform/relaxed.h"

struct Settings {
    // Persisted in switch.txt.
    Relaxed<bool> waitForSearchEnd{true};
    Relaxed<bool> shuffleAfterSearch{false};
    Relaxed<bool> keepListAfterEnd{true};
    Relaxed<bool> barFollowsSong{true};
    Relaxed<bool> historyForDrops{true};
    Relaxed<bool> resetAtPlayStart{false};
    Relaxed<uint8_t> resetType{0};        // 0 GS, 1 GM, 2 XG, 3 GM2; others send nothing
    Relaxed<bool> ghostNameFilter{false};

    // Per run only.
    Relaxed<uint8_t> bankMode{0};         // 0..4
    Relaxed<bool> keyShiftChannels[16] = {true, true, true, true, true, true, true, true,
                                          true, false, true, true, true, true, true, true};
    Relaxed<bool> showText{true};
    Relaxed<bool> showRightsNotice{true};
    Relaxed<bool> showTrackName{true};
    Relaxed<bool> showLyric{true};
    Relaxed<bool> showNonStandard{false};
    Relaxed<bool> showSysEx{false};
    Relaxed<bool> showFullPath{true};
    Relaxed<int32_t> keyShift{0};         // -6..+6
    Relaxed<int32_t> speedIndex{1};       // 0..2 into 50, 100, 200 %
};

// Ten slots; slot 9 is the most recent. An entry is a song path, or '*' and a folder.
struct History {
    static constexpr int kSlots = 10;
    static constexpr int kSlotSize = 260;
    char slots[kSlots][kSlotSize] = {};
};
