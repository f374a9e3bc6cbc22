// Loading and measuring the two large songs (tools/make_big_songs: ten minutes on 255
// tracks, and an event on every track in every step), whole process, against midicsv
// parsing the same file and a plain read of its bytes (cat); and in the process, the load
// with its length scan and a seek to 90 % against a read of the file, each in CPU time of
// the thread. Then the start-up of each device's path on its own: --help, the demo song
// through the log device against cat of the big song, ALSA and the synth module. Three
// rounds; each figure is the median of the rounds with their range in brackets.
#include <time.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "core/settings.h"
#include "sequencer/sequencer.h"
#include "tests/support/song_shapes.h"

namespace {

using namespace bench;

constexpr int kRunsPerRound = 5;

// The median CPU time of a few runs of one command.
double cpuOf(const std::vector<std::string>& cmd, bool& failed) {
    std::vector<double> cpu;
    for (int i = 0; i < kRunsPerRound; ++i) {
        const Cost c = runProcess(cmd);
        if (c.exitCode != 0) failed = true;
        cpu.push_back(c.cpuMs);
    }
    return median(cpu);
}

// CPU time of this thread: the machine's other load does not count.
double threadMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

double readFile(const std::string& path) {
    const double t0 = threadMs();
    FILE* f = std::fopen(path.c_str(), "rb");
    static uint8_t buffer[2 << 20];
    size_t n = f ? std::fread(buffer, 1, sizeof buffer, f) : 0;
    if (f) std::fclose(f);
    volatile uint64_t sum = 0;
    for (size_t i = 0; i < n; ++i) sum = sum + buffer[i];
    return threadMs() - t0;
}

struct InProcess {
    double load, seek, read;
    int32_t steps;
};

InProcess inProcess(const std::string& path) {
    Settings settings;
    std::unique_ptr<Sequencer> seq(new Sequencer);
    seq->settings = &settings;
    initSequencer(*seq);
    std::vector<double> load, seek, read;
    int32_t steps = 0;
    for (int i = 0; i < kRunsPerRound; ++i) {
        read.push_back(readFile(path));
        double t0 = threadMs();
        if (!loadSong(*seq, path.c_str())) return {0, 0, 0, 0};
        load.push_back(threadMs() - t0);
        t0 = threadMs();
        seekPercent(*seq, 90);
        seek.push_back(threadMs() - t0);
        steps = seq->songSteps;
        unloadSong(*seq);
    }
    return {median(load), median(seek), median(read), steps};
}

// The start-up of each device's path, whole process: --help, the demo song through the
// log device (against cat of the big song, and midicsv of the demo song), ALSA (which
// fails at once where there is no sequencer) and the synth (its module opened, then a
// SoundFont that is not there). Only the synth's row maps FluidSynth.
bool startUp(const std::string& play, bool withMidicsv) {
    const std::string demo = std::string(ORVANEL_SOURCE_DIR) + "/samples/demo.mid";
    const std::string big = scratchFolder() + "/orvanel-bench-big.mid";
    std::vector<double> help, log, alsa, synth, cat, csv, logVsCat, logVsCsv;
    bool failed = false, ignored = false;
    for (int round = 0; round < kRounds; ++round) {
        cat.push_back(cpuOf({"cat", big}, failed));
        help.push_back(cpuOf({play, "--help"}, failed));
        log.push_back(cpuOf({play, "--device=log", "--fast", demo}, failed));
        alsa.push_back(cpuOf({play, "--device=alsa", "--fast", demo}, ignored));
        synth.push_back(cpuOf({play, "--device=synth:/no/such.sf2", demo}, ignored));
        logVsCat.push_back(log.back() / cat.back());
        if (withMidicsv) {
            csv.push_back(cpuOf({"midicsv", demo, "/dev/null"}, failed));
            logVsCsv.push_back(log.back() / csv.back());
        }
    }
    std::printf("start-up of each path, whole process, CPU ms:\n");
    std::printf("  --help                      %s\n", show(spreadOf(help)).c_str());
    std::printf("  demo song, log device       %s  (%s x cat of the big song)\n", show(spreadOf(log)).c_str(),
                show(spreadOf(logVsCat)).c_str());
    if (withMidicsv) std::printf("  demo song against midicsv   %s x\n", show(spreadOf(logVsCsv)).c_str());
    std::printf("  cat of the big song         %s\n", show(spreadOf(cat)).c_str());
    std::printf("  ALSA device (to its open)   %s\n", show(spreadOf(alsa)).c_str());
    std::printf("  synth module + FluidSynth   %s\n", show(spreadOf(synth)).c_str());
    return !failed;
}

}  // namespace

int main(int, char** argv) {
    const std::string play = programFolder(argv[0]) + "/orvanel-play";
    const bool withMidicsv = haveProgram("midicsv");
    if (!withMidicsv) std::printf("midicsv is not installed (make setup-bench): no comparison with it\n");
    struct Song {
        const char* name;
        Bytes bytes;
    } songs[] = {{"big", bigSong()}, {"worst", worstSong()}};
    bool failed = false;
    for (const Song& song : songs) {
        const std::string path = scratchFolder() + "/orvanel-bench-" + song.name + ".mid";
        if (!writeBytes(path, song.bytes)) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
        std::vector<double> cat, csv, player, vsCsv, vsCat, load, seek, read, loadVsRead;
        int32_t steps = 0;
        for (int round = 0; round < kRounds; ++round) {
            cat.push_back(cpuOf({"cat", path}, failed));
            if (withMidicsv) csv.push_back(cpuOf({"midicsv", path, "/dev/null"}, failed));
            player.push_back(cpuOf({play, "--device=log", "--fast", "--steps", "0", path}, failed));
            if (withMidicsv) vsCsv.push_back(player.back() / csv.back());
            vsCat.push_back(player.back() / cat.back());
            const InProcess in = inProcess(path);
            load.push_back(in.load);
            seek.push_back(in.seek);
            read.push_back(in.read);
            loadVsRead.push_back(in.load / in.read);
            steps = in.steps;
        }
        std::printf("%s song: %zu bytes, 255 tracks, %d steps (%.1f s)\n", song.name, song.bytes.size(), steps,
                    steps / 100.0);
        std::printf("  whole process, CPU ms:\n");
        std::printf("    plain read (cat)          %s\n", show(spreadOf(cat)).c_str());
        if (withMidicsv) std::printf("    midicsv                   %s\n", show(spreadOf(csv)).c_str());
        std::printf("    orvanel-play load + scan  %s\n", show(spreadOf(player)).c_str());
        if (withMidicsv) std::printf("    orvanel-play / midicsv    %s x\n", show(spreadOf(vsCsv)).c_str());
        std::printf("    orvanel-play / cat        %s x\n", show(spreadOf(vsCat), "%.1f").c_str());
        std::printf("  in the process, CPU ms:\n");
        std::printf("    read of the file          %s\n", show(spreadOf(read), "%.3f").c_str());
        std::printf("    load and length scan      %s  (%s x the read)\n", show(spreadOf(load)).c_str(),
                    show(spreadOf(loadVsRead), "%.1f").c_str());
        std::printf("    seek to 90 %%              %s\n", show(spreadOf(seek)).c_str());
        if (song.name != std::string("big")) std::remove(path.c_str());
    }
    failed = !startUp(play, withMidicsv) || failed;
    std::remove((scratchFolder() + "/orvanel-bench-big.mid").c_str());
    if (failed) {
        std::fprintf(stderr, "a program failed\n");
        return 1;
    }
    return 0;
}
