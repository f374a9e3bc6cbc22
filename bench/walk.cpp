// The folder search over a tree of 100,000 files, 70,000 of them songs: time from the
// start to the end marker (no view attached), against find(1) over the same tree in the
// same run, and the memory the full list holds. The list ends at its limit of 65,535
// songs, so the search stops about 94 % of the way through the tree while find goes on.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <ftw.h>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "autoplay/folder_search.h"
#include "autoplay/play_list.h"
#include "core/control_flags.h"
#include "core/settings.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kFolders = 100, kSubfolders = 10, kFiles = 100, kSongsPerFolder = 70;

double millisSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

long residentKiB() {
    long pages = 0, resident = 0;
    FILE* f = std::fopen("/proc/self/statm", "r");
    if (f == nullptr) return -1;
    const bool ok = std::fscanf(f, "%ld %ld", &pages, &resident) == 2;
    std::fclose(f);
    return ok ? resident * (sysconf(_SC_PAGESIZE) / 1024) : -1;
}

bool makeTree(const std::string& root) {
    char path[512];
    for (int d = 0; d < kFolders; ++d) {
        std::snprintf(path, sizeof path, "%s/d%03d", root.c_str(), d);
        if (mkdir(path, 0777) != 0) return false;
        for (int s = 0; s < kSubfolders; ++s) {
            std::snprintf(path, sizeof path, "%s/d%03d/s%02d", root.c_str(), d, s);
            if (mkdir(path, 0777) != 0) return false;
            for (int f = 0; f < kFiles; ++f) {
                std::snprintf(path, sizeof path, "%s/d%03d/s%02d/file%03d.%s", root.c_str(), d, s, f,
                              f < kSongsPerFolder ? "mid" : "txt");
                const int fd = open(path, O_CREAT | O_WRONLY | O_CLOEXEC, 0666);
                if (fd < 0) return false;
                close(fd);
            }
        }
    }
    return true;
}

int removeOne(const char* path, const struct stat*, int, struct FTW*) { return std::remove(path); }

}  // namespace

int main() {
    const char* tmp = std::getenv("TMPDIR");
    std::string root = std::string(tmp != nullptr && *tmp ? tmp : "/tmp") + "/orvanel-walk-XXXXXX";
    if (mkdtemp(&root[0]) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const Clock::time_point made = Clock::now();
    if (!makeTree(root)) {
        std::perror("making the tree");
        nftw(root.c_str(), removeOne, 16, FTW_DEPTH | FTW_PHYS);
        return 1;
    }
    std::printf("tree: %d files (%d songs) in %d folders, made in %.0f ms\n",
                kFolders * kSubfolders * kFiles, kFolders * kSubfolders * kSongsPerFolder,
                kFolders * (kSubfolders + 1), millisSince(made));

    const std::string findCommand = "find '" + root + "' -type f > /dev/null";
    if (std::system(findCommand.c_str()) != 0) std::fprintf(stderr, "find failed\n");  // warms the cache

    const long beforeList = residentKiB();
    auto list = std::make_unique<PlayList>();
    const long withSlots = residentKiB();
    ControlFlags flags;
    Settings settings;
    uint32_t seed = 1;
    FolderSearch search;
    search.list = list.get();
    search.flags = &flags;
    search.settings = &settings;
    search.randomSeed = &seed;
    search.folders = &platformFolders();

    std::vector<double> searchMs, findMs;
    long afterFirst = 0;
    int32_t listed = 0;
    for (int run = 0; run < 5; ++run) {
        Clock::time_point start = Clock::now();
        if (!startFolderSearch(search, root.c_str())) return 1;
        search.thread.join();
        searchMs.push_back(millisSince(start));
        if (run == 0) afterFirst = residentKiB();
        listed = listCount(*list);

        start = Clock::now();
        if (std::system(findCommand.c_str()) != 0) std::fprintf(stderr, "find failed\n");
        findMs.push_back(millisSince(start));
    }
    const PlayListEntry* end = slotEntry(*list, listed);
    std::printf("search to the end marker: %.1f ms (median of 5), %d songs listed, end marker %s\n",
                median(searchMs), listed, end != nullptr && isEndMarker(*end) ? "in place" : "MISSING");
    std::printf("find -type f:             %.1f ms (median of 5)\n", median(findMs));
    std::printf("ratio search / find:      %.2f\n", median(searchMs) / median(findMs));
    const double entries = double(listed + 1) * sizeof(PlayListEntry);
    const double slots = double(kPlayListSlots) * sizeof(std::atomic<PlayListEntry*>);
    std::printf("memory of the full list:  %d entries x %zu bytes + %d slots x %zu bytes = %.1f MiB\n",
                listed + 1, sizeof(PlayListEntry), kPlayListSlots, sizeof(std::atomic<PlayListEntry*>),
                (entries + slots) / 1048576.0);
    std::printf("resident growth: %ld KiB for the slots, %ld KiB more for the first full list\n",
                withSlots - beforeList, afterFirst - withSlots);

    stopFolderSearch(search);
    list.reset();
    nftw(root.c_str(), removeOne, 16, FTW_DEPTH | FTW_PHYS);
    // 70,000 songs are more than a list holds: it ends at its limit.
    const int32_t songs = kFolders * kSubfolders * kSongsPerFolder;
    return end != nullptr && listed == std::min(songs, kPlayListMaxSongs) ? 0 : 1;
}
