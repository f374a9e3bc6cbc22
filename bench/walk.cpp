// The folder search over a tree of 100,000 files, 70,000 of them songs: CPU time from the
// start to the end marker (no view attached), against find -type f over the same tree in
// the same run, and the memory the full list holds. The list ends at its limit of 65,535
// songs, so the search stops about 94 % of the way through the tree while find goes on.
// Three rounds of five runs each; a figure is the median of the rounds with their range.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstring>
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
#include "bench/bench_support.h"
#include "autoplay/play_list.h"
#include "core/control_flags.h"
#include "core/settings.h"

namespace {

using bench::Clock;
using bench::show;
using bench::spreadOf;

constexpr int kFolders = 100, kSubfolders = 10, kFiles = 100, kSongsPerFolder = 70;

double millisSince(Clock::time_point start) { return bench::millisSince(start); }

// CPU time of the whole process: the search thread's, while this one waits for it.
double processCpuMs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
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

    bench::runProcess({"find", root, "-type", "f"});  // warms the cache

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

    std::vector<double> searchMs, findMs, ratio;
    long afterFirst = 0;
    int32_t listed = 0;
    bool findFailed = false;
    for (int round = 0; round < bench::kRounds; ++round) {
        std::vector<double> ours, theirs;
        for (int run = 0; run < 5; ++run) {
            const double before = processCpuMs();
            if (!startFolderSearch(search, root.c_str())) return 1;
            search.thread.join();
            ours.push_back(processCpuMs() - before);
            if (afterFirst == 0) afterFirst = residentKiB();
            listed = listCount(*list);
            const bench::Cost find = bench::runProcess({"find", root, "-type", "f"});
            findFailed = findFailed || find.exitCode != 0;
            theirs.push_back(find.cpuMs);
        }
        searchMs.push_back(bench::median(ours));
        findMs.push_back(bench::median(theirs));
        ratio.push_back(searchMs.back() / findMs.back());
    }
    if (findFailed) std::fprintf(stderr, "find failed\n");
    const PlayListEntry* end = slotEntry(*list, listed);
    std::printf("search to the end marker: %s CPU ms, %d songs listed, end marker %s\n", show(spreadOf(searchMs)).c_str(),
                listed, end != nullptr && isEndMarker(*end) ? "in place" : "MISSING");
    std::printf("find -type f:             %s CPU ms\n", show(spreadOf(findMs)).c_str());
    std::printf("ratio search / find:      %s\n", show(spreadOf(ratio)).c_str());
    // Each entry holds its own path and the zero byte.
    double entries = 0;
    for (int32_t i = 0; i <= listed; ++i) {
        const PlayListEntry* e = slotEntry(*list, i);
        if (e != nullptr) entries += double(offsetof(PlayListEntry, path) + std::strlen(e->path) + 1);
    }
    const double slots = double(kPlayListSlots) * sizeof(std::atomic<PlayListEntry*>);
    std::printf("memory of the full list:  %d entries, %.0f bytes each on average + %d slots x %zu bytes = %.1f MiB\n",
                listed + 1, entries / (listed + 1), kPlayListSlots, sizeof(std::atomic<PlayListEntry*>),
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
