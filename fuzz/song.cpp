// A song from any bytes: load and length scan, a bounded live run to the capture device,
// a seek as the seek bar makes it, more live steps, the panic. The settings the stream
// rewrites depend on come from a hash of the input, so each input always runs the same.
//
// ORVANEL_FUZZ_MAX_LOAD_MS=N makes a load slower than N ms a crash (libFuzzer keeps the
// input); the slowest load is printed at exit either way. Loads are timed in the thread's
// CPU time, and one over the limit three times more, the quickest counting, so that a busy
// machine does not pass for a slow load.
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "core/settings.h"
#include "sequencer/playback.h"
#include "sequencer/sequencer.h"
#include "tests/support/capture.h"

namespace {

constexpr uint32_t kLiveSteps = 400;

struct Slowest {
    double ms = 0;
    ~Slowest() { std::fprintf(stderr, "slowest load: %.3f ms\n", ms); }
} slowest;

uint32_t hashOf(const uint8_t* data, size_t size) {
    uint32_t h = 2166136261u;
    for (size_t i = 0; i < size; ++i) h = (h ^ data[i]) * 16777619u;
    return h;
}

double cpuMillis() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// Loads the input; the milliseconds of CPU time it took.
double timedLoad(Sequencer& seq, const uint8_t* data, size_t size, bool& loaded) {
    const double start = cpuMillis();
    loaded = loadSongFromMemory(seq, data, size);
    return cpuMillis() - start;
}

void live(Sequencer& seq, CaptureDevice& device, uint32_t steps) {
    for (uint32_t n = 0; n < steps && seq.playing; ++n) {
        device.step = n + 1;
        step(seq, nullptr, true);
        seq.elapsedSteps = seq.elapsedSteps + 1;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const uint32_t h = hashOf(data, size);
    Settings settings;
    settings.bankMode = uint8_t(h % 5);
    settings.keyShift = int32_t((h >> 3) % 13) - 6;
    settings.keyShiftChannels[h >> 8 & 15] = !settings.keyShiftChannels[h >> 8 & 15];
    CaptureDevice device;
    RecordingSink panel;
    // A new record each time: the running status outlives a load, and must not carry
    // from one input to the next.
    std::unique_ptr<Sequencer> seq(new Sequencer);
    seq->settings = &settings;
    seq->panel = &panel;
    seq->port.attach(&device);
    initSequencer(*seq);
    seq->port.open();
    seq->loopMode = int8_t((h >> 12) & 3);

    bool loaded = false;
    double ms = timedLoad(*seq, data, size, loaded);
    static const char* limit = std::getenv("ORVANEL_FUZZ_MAX_LOAD_MS");
    for (int again = 0; again < 3 && limit && ms > std::atof(limit); ++again) {
        unloadSong(*seq);
        ms = std::min(ms, timedLoad(*seq, data, size, loaded));
    }
    if (ms > slowest.ms) slowest.ms = ms;
    if (limit && ms > std::atof(limit)) {
        std::fprintf(stderr, "load took %.3f ms\n", ms);
        std::abort();
    }
    // The scan counts the step that ends the song, so a measured song has one at least.
    if (loaded && seq->songSteps < 1) std::abort();
    if (!seq->songLoaded) return 0;  // a partly loaded song plays what it holds

    rewind(*seq);
    seq->playing = true;
    live(*seq, device, kLiveSteps / 2);
    if (seq->playing) seekSong(*seq, (h >> 16) % 101);
    live(*seq, device, kLiveSteps / 2);
    panicSong(*seq, uint8_t(h >> 24 & 3));
    unloadSong(*seq);
    return 0;
}
