#pragma once
// A depth-first walk over a folder tree, at most 16 levels deep, one enumeration handle
// per level. Used only by the search thread while it runs.
#include <atomic>
#include <cstdint>

#include "autoplay/play_list.h"
#include "platform/folders.h"

constexpr int kWalkerLevels = 16;

// Told, on the walking thread, of each folder the walk meets but cannot list.
class WalkListener {
public:
    virtual ~WalkListener() = default;
    // error: the system's error number the enumerator gave.
    virtual void folderNotListed(const char* folder, int error) = 0;
};

struct FolderWalker {
    FolderEnumerator* folders = nullptr;  // set by the owner
    WalkListener* listener = nullptr;     // may be null
    // Checked between entries: a set flag ends the walk as if it were over.
    const std::atomic<bool>* stop = nullptr;

    void* handles[kWalkerLevels] = {};
    int32_t entryCounts[kWalkerLevels] = {};  // 0: the level is not open yet
    int32_t depth = 0;
    char root[kEntryPathSize] = {};
    char names[kWalkerLevels][kFolderNameSize] = {};
    char path[kEntryPathSize] = {};
    FolderEntry found = {};
};

void walkerReset(FolderWalker& w, const char* root);
// The next file below the root in walk order: its full path into out and its attribute
// bits. False when the walk is over, the depth limit was met or a stop was asked for.
bool walkerNext(FolderWalker& w, char (&out)[kEntryPathSize], uint32_t& attributes);
void walkerClose(FolderWalker& w);

// Whether a listed path names a song: it ends in "MID", "MIDI" or "RMI" (upper case).
bool isSongName(const char* upperCasePath);
// The same, and karaoke songs and the other usual name of a MIDI file: ".KAR", ".SMF".
bool isSongOrKaraokeName(const char* upperCasePath);
