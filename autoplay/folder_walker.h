#pragma once
// A depth-first walk over a folder tree, at most 16 levels deep, one enumeration handle
// per level. Used only by the search thread while it runs.
#include <atomic>
#include <cstdint>

#include "autoplay/play_list.h"
#include "platform/folders.h"

constexpr int kWalkerLevels = 16;

// Why the walk passes over a file or a folder it has met.
enum class WalkSkip : uint8_t {
    PathTooLong,  // folder + name would not fit a play list entry
    NameTooLong,  // the platform could not give the name (the name passed is empty)
    TooDeep,      // a folder kWalkerLevels levels below the root: the walk ends there
};

// Told, on the walking thread, of each folder the walk meets but cannot list, and of
// each song or folder it must pass over: nothing is dropped without a word.
class WalkListener {
public:
    virtual ~WalkListener() = default;
    // error: the system's error number the enumerator gave.
    virtual void folderNotListed(const char* folder, int error) = 0;
    // name, in folder, is a song or a folder the walk passes over.
    virtual void entrySkipped(const char* folder, const char* name, WalkSkip why) = 0;
};

// A phrase for the reason, for one line of the terminal ("path longer than 4095 bytes").
const char* walkSkipText(WalkSkip why);

struct FolderWalker {
    FolderEnumerator* folders = nullptr;  // set by the owner
    WalkListener* listener = nullptr;     // may be null
    // Checked between entries: a set flag ends the walk as if it were over.
    const std::atomic<bool>* stop = nullptr;

    void* handles[kWalkerLevels] = {};
    int32_t entryCounts[kWalkerLevels] = {};  // 0: the level is not open yet
    int32_t depth = 0;
    // The path of the entry last met: the root, then one name per level. The folder a
    // level lists is the path up to levelStart of that level, so each entry appends only
    // its own name.
    char path[kEntryPathSize] = {};
    size_t levelStart[kWalkerLevels] = {};
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
