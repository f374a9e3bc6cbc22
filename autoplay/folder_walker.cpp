#include "autoplay/folder_walker.h"

#include <cstring>

namespace {

bool stopAsked(const FolderWalker& w) {
    return w.stop != nullptr && w.stop->load(std::memory_order_acquire);
}

// Appends part to out at *length, with the separator before it; false when the result
// would not fit a play list entry (259 characters and the zero byte).
bool append(char (&out)[kEntryPathSize], size_t& length, char separator, const char* part) {
    const size_t n = std::strlen(part);
    if (length + 1 + n >= kEntryPathSize) return false;
    out[length++] = separator;
    std::memcpy(out + length, part, n + 1);
    length += n;
    return true;
}

// The root and the names of levels 0 to last, joined. False when it does not fit.
bool buildPath(FolderWalker& w, int last, char (&out)[kEntryPathSize]) {
    size_t length = std::strlen(w.root);
    std::memcpy(out, w.root, length + 1);
    const char separator = w.folders->separator();
    for (int level = 0; level <= last; ++level)
        if (!append(out, length, separator, w.names[level])) return false;
    return true;
}

void closeLevel(FolderWalker& w, int level) {
    if (w.handles[level] != nullptr) w.folders->close(w.handles[level]);
    w.handles[level] = nullptr;
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
        // The folder of this level is the path up to the level above.
        char folder[kEntryPathSize];
        if (!buildPath(w, d - 1, folder)) return false;
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

}  // namespace

void walkerReset(FolderWalker& w, const char* root) {
    walkerClose(w);
    std::memset(w.names, 0, sizeof w.names);
    std::memset(w.entryCounts, 0, sizeof w.entryCounts);
    w.depth = 0;
    const size_t length = std::strlen(root);
    if (length >= kEntryPathSize) {
        // No path below such a root fits an entry: the walk is over before it starts.
        w.root[0] = w.path[0] = '\0';
        w.depth = -1;
        return;
    }
    std::memcpy(w.root, root, length + 1);
    std::memcpy(w.path, root, length + 1);
}

bool walkerNext(FolderWalker& w, char (&out)[kEntryPathSize], uint32_t& attributes) {
    if (w.folders == nullptr) return false;
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
        // A name or path that does not fit is passed over; a folder so named is not entered.
        const void* end = std::memchr(e.name, '\0', kFolderNameSize);
        if (e.nameTooLong || end == nullptr) continue;
        std::memcpy(w.names[w.depth], e.name, size_t(static_cast<const char*>(end) - e.name) + 1);
        if (!buildPath(w, w.depth, w.path)) continue;
        if ((e.attributes & kFolderAttribute) == 0) {
            std::memcpy(out, w.path, std::strlen(w.path) + 1);
            attributes = e.attributes;
            return true;
        }
        if (isDotName(e.name)) continue;
        if (w.depth + 1 >= kWalkerLevels) {
            // A folder 16 levels below the root ends the whole walk.
            w.depth = -1;
            return false;
        }
        ++w.depth;
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
