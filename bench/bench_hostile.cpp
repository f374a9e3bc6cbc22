// Load times of hostile songs beside normal ones: the files of samples/hostile, the same
// shapes at 1 MiB of track data, the bundled demo song and a dense 1 MiB song. Each load
// includes reading the file and the length scan; the median of a few loads is shown.
#include <dirent.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "core/settings.h"
#include "sequencer/sequencer.h"
#include "tools/test_songs.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Timed {
    std::string name;
    double ms;
};

// Median milliseconds of loading the file (and unloading it again).
double loadMillis(Sequencer& seq, const std::string& path) {
    std::vector<double> times;
    for (int rep = 0; rep < 5; ++rep) {
        const auto start = Clock::now();
        loadSong(seq, path.c_str());
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        unloadSong(seq);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

std::vector<std::string> filesIn(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* d = opendir(folder.c_str())) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.') names.push_back(e->d_name);
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

Timed worst(const std::vector<Timed>& all) {
    Timed w{"none", 0};
    for (const Timed& t : all)
        if (t.ms > w.ms) w = t;
    return w;
}

}  // namespace

int main() {
    Settings settings;
    std::unique_ptr<Sequencer> seq(new Sequencer);
    seq->settings = &settings;
    initSequencer(*seq);

    const std::string source = ORVANEL_SOURCE_DIR;
    const std::string scratch = "/tmp/orvanel-bench-hostile-";
    std::vector<Timed> normal, small, large;
    normal.push_back({"samples/demo.mid", loadMillis(*seq, source + "/samples/demo.mid")});
    std::vector<Track> dense;
    for (uint8_t ch = 0; ch < 16; ++ch) dense.push_back(test_songs::busyTrack(65000, ch));
    const std::string densePath = scratch + "dense.mid";
    writeBytes(densePath, buildSmf(96, dense));
    normal.push_back({"dense 1 MiB, 16 tracks", loadMillis(*seq, densePath)});
    std::remove(densePath.c_str());

    for (const std::string& name : filesIn(source + "/samples/hostile"))
        small.push_back({"samples/hostile/" + name, loadMillis(*seq, source + "/samples/hostile/" + name)});
    for (const NamedSong& song : hostileSongs(1048576 - 255 * 8)) {
        const std::string path = scratch + song.name;
        writeBytes(path, song.bytes);
        large.push_back({song.name + " (1 MiB)", loadMillis(*seq, path)});
        std::remove(path.c_str());
    }

    for (const auto* group : {&normal, &small, &large})
        for (const Timed& t : *group) std::printf("  %-44s %9.3f ms\n", t.name.c_str(), t.ms);
    const Timed n = worst(normal), s = worst(small), l = worst(large);
    std::printf("worst normal song : %9.3f ms  %s\n", n.ms, n.name.c_str());
    std::printf("worst hostile file in the repository: %9.3f ms  %s\n", s.ms, s.name.c_str());
    std::printf("worst hostile song at 1 MiB : %9.3f ms  %s (%.1f x the worst normal song)\n", l.ms,
                l.name.c_str(), n.ms > 0 ? l.ms / n.ms : 0.0);
    return 0;
}
