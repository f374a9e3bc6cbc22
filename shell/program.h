#pragma once
// The program's records, one instance for the whole run: the sequencer and its playback
// thread, the settings and history, the flags, the play list with its search and view,
// the surfaces and the animation, the dropped files. The window commands and the
// autoplay controller work on it; the front end (the Win32 window, the terminal player,
// a test) sets the collaborators at the bottom.
#include <cstdint>
#include <memory>

#include "autoplay/folder_search.h"
#include "autoplay/play_list.h"
#include "core/control_flags.h"
#include "core/settings.h"
#include "display/display_surfaces.h"
#include "display/indicators.h"
#include "display/list_view.h"
#include "display/skin_animation.h"
#include "platform/drops.h"
#include "sequencer/playback.h"
#include "sequencer/sequencer.h"
#include "shell/settings_files.h"

class FileSystem;
class FolderEnumerator;
class LineSink;
class ShellView;

constexpr int kSongPathSize = 260;
constexpr int kFolderPathSize = 256;
constexpr int kDropPathSize = 1024;

// The files of a drop of several files, kept while their autoplay run lasts.
struct DropList {
    std::unique_ptr<DropSource> source;
    uint32_t dropCount = 0;
    uint32_t dropIndex = 0;  // the next file to play
};

struct Program {
    Program();
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    char productName[100] = "Orvanel";
    char songPath[kSongPathSize] = {};
    char autoplayFolder[kFolderPathSize] = {};
    char dropPath[kDropPathSize] = {};
    char textLine[1024] = {};
    // The song chooser's initial folder; its first 256 bytes are what kivo.txt holds.
    char chooserFolder[1024] = {};
    char chooserTitle[64] = {};

    Settings settings;
    History history;
    ShellPaths paths;
    ControlFlags flags;
    std::unique_ptr<Sequencer> seq;
    Playback playback;
    PlayList playList;
    FolderSearch search;
    ListView listView;
    DisplaySurfaces surfaces;
    ReadoutLine tempoReadout{surfaces, kTempoBoxY};
    SkinAnimation animation;
    IndicatorMemory indicatorMemory;
    DropList drop;
    uint32_t randomSeed = 0;
    // Songs of autoplay runs and drops that could not be loaded.
    uint32_t skippedSongs = 0;

    // Collaborators, set by the front end before wireProgram.
    ShellView* view = nullptr;
    LineSink* panel = nullptr;            // the message panel; may be null
    FileSystem* files = nullptr;          // kivo.txt
    FolderEnumerator* folders = nullptr;  // the folder search
    PlaybackPlatform* clock = nullptr;    // the waits of the commands and the controller
};

// Connects the records with each other and with the collaborators: the sequencer's
// settings and panel, the playback thread's records, the search and the list view.
// The device, the transport view and the list's scroll bar are the front end's to set.
void wireProgram(Program& p);

// Sleeps ms milliseconds on the program's clock.
void waitMs(Program& p, uint32_t ms);
// Prints a line in the message panel, if there is one.
void printLine(Program& p, const char* text);
// One step of the skin animation, from the sequencer's state now.
void runAnimationStep(Program& p);
// "%s[%s]": the product name and a song's path, as the window title.
void showSongTitle(Program& p, const char* path);
void showIdleTitle(Program& p);
