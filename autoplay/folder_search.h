#pragma once
// The folder search: a thread that walks the chosen folder, lists every song in the play
// list, ends the list with the end marker and shuffles it when asked.
#include <atomic>
#include <cstdint>
#include <thread>

#include "autoplay/folder_walker.h"
#include "autoplay/search_listener.h"

struct ControlFlags;
struct PlayList;
struct Settings;

struct FolderSearch {
    // Set by the owner once.
    PlayList* list = nullptr;
    ControlFlags* flags = nullptr;    // searchRunning
    const Settings* settings = nullptr;
    uint32_t* randomSeed = nullptr;
    SearchListener* view = nullptr;   // the list view, told of every song listed; may be null
    FolderEnumerator* folders = nullptr;
    WalkListener* walkListener = nullptr;  // told of folders that cannot be listed; may be null
    bool (*isSong)(const char* upperCasePath) = isSongName;  // which listed files are songs

    FolderWalker walker;
    std::thread thread;
    std::atomic<bool> stopRequested{false};
};

// On the user-interface thread: playPos and the view's first row back to 0, the walker
// reset on root, and the search thread started (searchRunning is set before it starts).
// A search that ended earlier is joined first, and entries left in the slots are released
// (the controller takes any filled slot). False when one still runs.
bool startFolderSearch(FolderSearch& s, const char* root);
// Asks a running walk to stop between entries and waits for the thread to leave, so what
// it uses may be released. Safe when no search runs.
void stopFolderSearch(FolderSearch& s);
