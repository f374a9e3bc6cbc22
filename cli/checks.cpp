#include "cli/checks.h"

#include <sys/stat.h>

#include <cstdio>
#include <system_error>
#include <utility>

#include "cli/terminal.h"
#include "shell/program.h"

namespace {

std::string systemText(int error) { return std::generic_category().message(error); }

// "FOLDER/NAME", or the folder alone for a name that could not be listed.
std::string skippedPath(const char* folder, const char* name) {
    return name[0] ? std::string(folder) + "/" + name : std::string(folder);
}

// Keeps the folders a walk could not list, to be reported only when the walk finds no
// song: otherwise the search that follows meets them again and reports them itself.
class HeldFolders : public WalkListener {
public:
    void folderNotListed(const char* folder, int error) override { folders.emplace_back(folder, error); }
    void entrySkipped(const char* folder, const char* name, WalkSkip why) override {
        skipped.emplace_back(skippedPath(folder, name), walkSkipText(why));
    }
    std::vector<std::pair<std::string, int>> folders;
    std::vector<std::pair<std::string, std::string>> skipped;
};

bool checkFolder(Program& p, const std::string& root) {
    HeldFolders held;
    FolderWalker walker;
    walker.folders = p.folders;
    walker.listener = &held;
    walkerReset(walker, root.c_str());
    char path[kEntryPathSize];
    uint32_t attributes = 0;
    bool found = false;
    while (!found && walkerNext(walker, path, attributes)) {
        p.folders->upperCase(path);
        found = isSongOrKaraokeName(path);
    }
    walkerClose(walker);
    if (found) return true;
    bool rootUnlisted = false;
    for (const auto& skip : held.skipped) reportFailure(nullptr, skip.first, skip.second);
    for (const auto& folder : held.folders) {
        reportFailure(nullptr, folder.first, systemText(folder.second));
        rootUnlisted = rootUnlisted || folder.first == root;
    }
    if (!rootUnlisted) reportFailure(nullptr, root, "no songs found");
    return false;
}

}  // namespace

std::string loadFailureText(const LoadFailure& failure) {
    switch (failure.problem) {
    case LoadProblem::System: return systemText(failure.systemError);
    case LoadProblem::NotRegular: return "not a regular file";
    case LoadProblem::NotMidi: return "not a MIDI file";
    case LoadProblem::Truncated: return "truncated MIDI file";
    case LoadProblem::BadTrack: return "damaged MIDI file (a track chunk is missing)";
    case LoadProblem::TooLarge: return "MIDI file too large (over 1 MiB of track data)";
    case LoadProblem::NoMemory: return "out of memory";
    case LoadProblem::None: break;
    }
    return "cannot be loaded";
}

void reportFailure(StatusLine* status, const std::string& what, const std::string& reason) {
    const std::string line = "orvanel-play: " + displayPath(what.c_str()) + ": " + reason;
    if (status)
        status->printLine(line.c_str());
    else
        std::fprintf(stderr, "%s\n", line.c_str());
}

void WalkReporter::folderNotListed(const char* folder, int error) {
    reportFailure(status_, folder, systemText(error));
}

void WalkReporter::entrySkipped(const char* folder, const char* name, WalkSkip why) {
    reportFailure(status_, skippedPath(folder, name), walkSkipText(why));
}

bool namesFolder(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string folderRoot(const std::string& argument) {
    std::string root = argument;
    while (root.size() > 1 && root.back() == '/') root.pop_back();
    return root;
}

bool checkArguments(Program& p, const std::vector<std::string>& files) {
    if (files.size() == 1 && namesFolder(files[0])) return checkFolder(p, folderRoot(files[0]));
    // Files that fail before the first that loads are reported in their turn in the run;
    // only when none loads does the check report them all.
    Sequencer& seq = *p.seq;
    std::vector<std::pair<std::string, std::string>> refused;
    for (const std::string& file : files) {
        if (loadWholeSong(seq, file.c_str())) {
            if (files.size() > 1) unloadSong(seq);
            return true;
        }
        refused.emplace_back(file, loadFailureText(seq.loadFailure));
    }
    for (const auto& r : refused) reportFailure(nullptr, r.first, r.second);
    return false;
}
