#include "shell/history.h"

#include <cstring>

#include "shell/commands.h"
#include "shell/messages.h"
#include "shell/program.h"
#include "shell/shell_view.h"

void promoteHistorySlot(History& h, int k) {
    if (k < 0 || k >= History::kSlots) return;
    char saved[History::kSlotSize];
    std::memcpy(saved, h.slots[k], sizeof saved);
    for (int i = k; i < History::kSlots - 1; ++i) std::memcpy(h.slots[i], h.slots[i + 1], History::kSlotSize);
    std::memcpy(h.slots[History::kSlots - 1], saved, sizeof saved);
}

bool addToHistory(History& h, const char* path) {
    const size_t length = std::strlen(path);
    // A cut path would name another file; it is not remembered at all.
    if (length >= History::kSlotSize) return false;
    for (int k = 0; k < History::kSlots; ++k) {
        if (std::strcmp(h.slots[k], path) == 0) {
            promoteHistorySlot(h, k);
            return true;
        }
    }
    for (int i = 0; i < History::kSlots - 1; ++i) std::memcpy(h.slots[i], h.slots[i + 1], History::kSlotSize);
    std::memset(h.slots[History::kSlots - 1], 0, History::kSlotSize);
    std::memcpy(h.slots[History::kSlots - 1], path, length);
    return true;
}

void rememberInHistory(Program& p, const char* path) {
    if (addToHistory(p.history, path) && p.view) p.view->showHistoryMenu(p.history);
}

namespace {

void promoteInHistory(Program& p, int k) {
    promoteHistorySlot(p.history, k);
    if (p.view) p.view->showHistoryMenu(p.history);
}

void playHistoryFolder(Program& p, int k, const char* folder) {
    printLine(p, "autoplay history");
    std::memcpy(p.autoplayFolder, folder, std::strlen(folder) + 1);  // it fits: playHistoryItem checked
    cutDriveRoot(p.autoplayFolder);
    if (!beginFolderRun(p)) return;
    promoteInHistory(p, k);
    waitMs(p, 10);
}

// path is the caller's copy of the entry, so it stays as chosen while the slots move.
void playHistorySong(Program& p, int k, const char* path) {
    if (!loadWholeSong(*p.seq, path)) {
        if (p.view) p.view->messageBox(kOpenFailedText, true);
        p.flags.commandBusy = false;
        return;
    }
    promoteInHistory(p, k);
    runAnimationStep(p);
    showSongTitle(p, path);
    playFromStart(p);
    p.flags.commandBusy = false;
}

}  // namespace

void playHistoryItem(Program& p, int k) {
    if (k < 0 || k >= History::kSlots || p.history.slots[k][0] == '\0') return;
    if (p.flags.searchRunning || p.flags.advanceRequested || p.flags.commandBusy) return;
    // The slots move below; the entry is kept as it was chosen.
    char entry[History::kSlotSize];
    std::memcpy(entry, p.history.slots[k], sizeof entry);
    entry[sizeof entry - 1] = '\0';
    // A folder cut to the search's buffer would be another folder, as the autoplay button
    // refuses it; the song playing plays on.
    if (entry[0] == '*' && std::strlen(entry + 1) >= sizeof p.autoplayFolder) {
        if (p.view) p.view->messageBox(kFolderTooLongText, true);
        return;
    }
    p.flags.commandBusy = true;
    printLine(p, entry);
    const bool cutShort = p.seq->playing;
    stopSong(p);
    // The song cut short leaves its notes sounding: silenced as open does.
    if (cutShort) panicNow(p);
    unloadSong(*p.seq);
    if (entry[0] == '*')
        playHistoryFolder(p, k, entry + 1);
    else
        playHistorySong(p, k, entry);
}
