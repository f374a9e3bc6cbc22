#pragma once
// What a render of orvanel-play (--device=wav:OUT or file:OUT) makes: the songs in their
// order, and for each the file it goes to. OUT a directory (an existing one, or a name
// ending in '/'): one file per song, named after the song's path below the folder given
// (or below the folder the files given share) with the output's extension. OUT a file:
// all songs into it, one after the other.
#include <string>
#include <vector>

#include "cli/options.h"
#include "platform/posix/sound_file.h"

struct RenderSong {
    std::string path;    // as it is opened
    std::string shown;   // in the progress line: the path below the folder, or as given
    std::string output;  // the song's own file; empty when all go into one
};

struct RenderPlan {
    std::string target;  // the file, or the directory (without a trailing '/')
    bool toDirectory = false;
    SoundFormat format = SoundFormat::wav;
    std::vector<RenderSong> songs;
};

// Whether --device names a render: "wav:..." or "file:...".
bool isRenderDevice(const std::string& device);

// The plan for the options' device and files. False with a one-line error when the
// output's format is unknown or contradicts --format.
bool makeRenderPlan(const PlayOptions& options, RenderPlan& plan, std::string& error);

// A song's file name below the output directory: relative with its song extension (.mid,
// .midi, .rmi, .kar, .smf in any case) replaced by extension, or extension added.
std::string renderFileName(const std::string& relative, const char* extension);

// The directory the paths share, without a trailing '/' ("" when only the root is shared,
// "/" when that is all of it).
std::string sharedDirectory(const std::vector<std::string>& absolutePaths);

// The keys a render takes, for the help text and the render's own hint.
extern const char kRenderKeysText[];
