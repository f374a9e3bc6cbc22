#pragma once
// What orvanel-play tells the user about its arguments: the reasons a song or a folder
// cannot be played, in one line each on standard error ("orvanel-play: FILE: REASON"),
// and the look at the command line's files and folder before any device opens.
#include <string>
#include <vector>

#include "autoplay/folder_walker.h"

struct LoadFailure;
struct Program;
class StatusLine;

// The system's words for a file that could not be opened or read; a plain phrase for a
// song the loader refused.
std::string loadFailureText(const LoadFailure& failure);

// "orvanel-play: WHAT: REASON" on standard error, below the status line when one is drawn
// (status may be null), WHAT shown as a path on the terminal. Safe from any thread.
void reportFailure(StatusLine* status, const std::string& what, const std::string& reason);

// Reports each folder of a walk that cannot be listed, and each song or folder it passes
// over, as it is met.
class WalkReporter : public WalkListener {
public:
    explicit WalkReporter(StatusLine* status) : status_(status) {}
    void folderNotListed(const char* folder, int error) override;
    void entrySkipped(const char* folder, const char* name, WalkSkip why) override;

private:
    StatusLine* status_;
};

// Whether a command line's argument names a folder (a link to one included).
bool namesFolder(const std::string& path);
// The folder a command line's argument names, without trailing slashes.
std::string folderRoot(const std::string& argument);

// Before the device opens: whether the command line's files (or its one folder) hold
// something to play. When they do not, every reason has been reported and the answer is
// false. A single file that loads stays loaded in p's sequencer, for the run to play.
bool checkArguments(Program& p, const std::vector<std::string>& files);
