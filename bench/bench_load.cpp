// Loading and measuring a large song, and a seek to 100 %, against a baseline that only
// reads the same file and touches every byte of its track data. Prints ratios.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

#include "sequencer/sequencer.h"
#include "shell/settings.h"
#include "tests/support/smf_builder.h"

namespace {

using Clock = std::chrono::steady_clock;

double millisSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// 255 tracks, ten minutes at 120 bpm (division 480), note pairs spread evenly, padded
// with controller events until the track data is close to 1 MiB.
Bytes bigSong() {
    const uint32_t ticks = 480 * 2 * 60 * 10;
    std::vector<Track> tracks(255);
    tracks[0].tempo(0, 500000);
    const size_t perTrack = (1048576 - 255 * 8) / 255;
    for (int i = 0; i < 255; ++i) {
        Track& t = tracks[i];
        const uint8_t ch = static_cast<uint8_t>(i % 16);
        const uint32_t events = static_cast<uint32_t>(perTrack / 4) - 4;
        const uint32_t gap = ticks / events;
        uint32_t at = 0;
        for (uint32_t e = 0; e < events && t.bytes.size() + 12 < perTrack; ++e, at += gap)
            t.ev(e ? gap : 0, {static_cast<uint8_t>(0xB0 | ch), 11, static_cast<uint8_t>(e & 0x7F)});
        t.end(ticks - (at - gap));
    }
    return buildSmf(480, tracks);
}

uint64_t baselineRead(const char* path) {
    FILE* f = std::fopen(path, "rb");
    if (!f) return 0;
    static uint8_t buffer[2 << 20];
    const size_t n = std::fread(buffer, 1, sizeof buffer, f);
    std::fclose(f);
    uint64_t sum = 0;
    for (size_t i = 0; i < n; ++i) sum += buffer[i];
    return sum;
}

}  // namespace

int main() {
    const char* path = "/tmp/orvanel-bench-song.mid";
    const Bytes song = bigSong();
    if (!writeBytes(path, song)) {
        std::fprintf(stderr, "cannot write %s\n", path);
        return 1;
    }
    Settings settings;
    std::unique_ptr<Sequencer> seq(new Sequencer);
    seq->settings = &settings;
    initSequencer(*seq);

    std::vector<double> base, load, seek;
    uint64_t sink = 0;
    for (int rep = 0; rep < 7; ++rep) {
        auto t0 = Clock::now();
        sink += baselineRead(path);
        base.push_back(millisSince(t0));

        t0 = Clock::now();
        if (!loadSong(*seq, path)) {
            std::fprintf(stderr, "load failed\n");
            return 1;
        }
        load.push_back(millisSince(t0));

        t0 = Clock::now();
        seekPercent(*seq, 100);
        seek.push_back(millisSince(t0));
        unloadSong(*seq);
    }
    const double b = median(base), l = median(load), s = median(seek);
    std::printf("song: %zu bytes, 255 tracks, %d steps (%.1f min) [checksum %llu]\n", song.size(),
                seq->songSteps, seq->songSteps / 6000.0, static_cast<unsigned long long>(sink % 1000));
    std::printf("baseline read of every byte : %8.2f ms\n", b);
    std::printf("load and measure            : %8.2f ms  (%.1f x baseline)\n", l, l / b);
    std::printf("seek to 100 %%               : %8.2f ms  (%.1f x baseline)\n", s, s / b);
    std::remove(path);
    return 0;
}
