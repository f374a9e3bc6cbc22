#include "autoplay/folder_walker.h"

#include <cstring>

namespace {

bool stopAsked(const FolderWalker& w) {
    return w.stop != nullptr && w.stop->load(std::memory_order_acquire);
}

void closeLevel(FolderWalker& w, int level) {
    if (w.handles[level] != nullptr) w.folders->close(w.handles[level]);
    w.handles[level] = nullptr;
}

// The path up to the start of level d, ended there: the folder that level lists.
const char* levelFolder(FolderWalker& w, int d) {
    w.path[w.levelStart[d]] = '\0';
    return w.path;
}

// The next entry of the current level into w.found; false when the level has no more
// (its handle is closed then) or cannot be listed.
bool nextAtLevel(FolderWalker& w) {
    const int d = w.depth;
    if (w.entryCounts[d] > 0) {
        if (w.handles[d] == nullptr || !w.folders->next(w.handles[d], w.found)) {
            closeLevel(w, d);
            return false;
        }
    } else {
        const char* folder = levelFolder(w, d);
        w.found.listError = 0;
        w.handles[d] = w.folders->first(folder, w.found);
        if (w.handles[d] == nullptr) {
            if (w.found.listError != 0 && w.listener != nullptr) w.listener->folderNotListed(folder, w.found.listError);
            return false;
        }
    }
    ++w.entryCounts[d];
    return true;
}

bool isDotName(const char* name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Whether a file name is a song's, by its last letters in any case: only those are
// worth a word when they are passed over.
bool songNamed(const char* name, size_t length) {
    char tail[5] = {};
    const size_t n = length < 4 ? length : 4;
    for (size_t i = 0; i < n; ++i) {
        const char c = name[length - n + i];
        tail[i] = c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
    }
    return isSongName(tail);
}

void skipped(FolderWalker& w, const char* name, WalkSkip why) {
    if (w.listener != nullptr) w.listener->entrySkipped(levelFolder(w, w.depth), name, why);
}

}  // namespace

const char* walkSkipText(WalkSkip why) {
    switch (why) {
    case WalkSkip::PathTooLong:
        return kEntryPathSize > 260 ? "path longer than 4095 bytes, passed over" : "path longer than 259 bytes, passed over";
    case WalkSkip::NameTooLong: return "a name that cannot be listed, passed over";
    case WalkSkip::TooDeep: return "folder more than 16 levels deep: the folder search ends here";
    }
    return "passed over";
}

void walkerReset(FolderWalker& w, const char* root) {
    walkerClose(w);
    std::memset(w.entryCounts, 0, sizeof w.entryCounts);
    w.depth = 0;
    const size_t length = std::strlen(root);
    if (length >= kEntryPathSize) {
        // No path below such a root fits an entry: the walk is over before it starts.
        w.path[0] = '\0';
        w.levelStart[0] = 0;
        w.depth = -1;
        return;
    }
    std::memcpy(w.path, root, length + 1);
    w.levelStart[0] = length;
}

bool walkerNext(FolderWalker& w, char (&out)[kEntryPathSize], uint32_t& attributes) {
    if (w.folders == nullptr) return false;
    const char separator = w.folders->separator();
    while (w.depth >= 0) {
        if (stopAsked(w)) {
            w.depth = -1;
            return false;
        }
        if (!nextAtLevel(w)) {
            --w.depth;  // the parent level resumes where it stopped
            continue;
        }
        const FolderEntry& e = w.found;
        const bool isFolder = (e.attributes & kFolderAttribute) != 0;
        // A name or path that does not fit is passed over; a folder so named is not entered.
        const void* end = e.nameTooLong ? nullptr : std::memchr(e.name, '\0', kFolderNameSize);
        if (end == nullptr) {
            skipped(w, "", WalkSkip::NameTooLong);
            continue;
        }
        const size_t n = size_t(static_cast<const char*>(end) - e.name);
        if (isFolder && isDotName(e.name)) continue;
        const size_t start = w.levelStart[w.depth];
        if (start + 1 + n >= size_t(kEntryPathSize)) {
            if (isFolder || songNamed(e.name, n)) skipped(w, e.name, WalkSkip::PathTooLong);
            continue;
        }
        w.path[start] = separator;
        std::memcpy(w.path + start + 1, e.name, n + 1);
        if (!isFolder) {
            std::memcpy(out, w.path, start + 1 + n + 1);
            attributes = e.attributes;
            return true;
        }
        if (w.depth + 1 >= kWalkerLevels) {
            // A folder 16 levels below the root ends the whole walk.
            skipped(w, e.name, WalkSkip::TooDeep);
            w.depth = -1;
            return false;
        }
        ++w.depth;
        w.levelStart[w.depth] = start + 1 + n;
        w.entryCounts[w.depth] = 0;
    }
    return false;
}

void walkerClose(FolderWalker& w) {
    for (int level = 0; level < kWalkerLevels; ++level)
        if (w.handles[level] != nullptr) {
            if (w.folders != nullptr) w.folders->close(w.handles[level]);
            w.handles[level] = nullptr;
        }
    w.depth = 0;
}

bool isSongName(const char* upperCasePath) {
    const size_t n = std::strlen(upperCasePath);
    const char* end = upperCasePath + n;
    return (n >= 3 && (std::memcmp(end - 3, "MID", 3) == 0 || std::memcmp(end - 3, "RMI", 3) == 0)) ||
           (n >= 4 && std::memcmp(end - 4, "MIDI", 4) == 0);
}

bool isSongOrKaraokeName(const char* upperCasePath) {
    const size_t n = std::strlen(upperCasePath);
    const char* end = upperCasePath + n;
    return isSongName(upperCasePath) ||
           (n >= 4 && (std::memcmp(end - 4, ".KAR", 4) == 0 || std::memcmp(end - 4, ".SMF", 4) == 0));
}
