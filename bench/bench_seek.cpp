// How late the playback thread's steps run around a seek made from another thread while a
// large song plays in real time. Each round plays the song and seeks to 90 %, 10 % and
// 50 % half a second apart; a step counts as "around a seek" from the step before it began
// to five steps after it ended. The floor is the lateness of the other steps of the same
// run; the peer is the same seeks made the former way, with the step lock held for the
// whole silent run. Three rounds each: median [range].
#include <atomic>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "bench/bench_support.h"
#include "core/control_flags.h"
#include "core/settings.h"
#include "platform/midi_device.h"
#include "platform/posix/playback_posix.h"
#include "sequencer/playback.h"
#include "sequencer/sequencer.h"
#include "tests/support/song_shapes.h"

namespace {

using namespace bench;

constexpr uint64_t kPeriodUs = 10000;

class CountingDevice : public MidiDevice {
public:
    bool open() override { return true; }
    void close() override {}
    void sendShort(uint32_t) override { ++messages; }
    uint32_t sendLong(const uint8_t*, uint32_t) override { return 0; }
    std::atomic<uint64_t> messages{0};
};

// When each step was done (its messages sent), against the schedule the thread keeps:
// the deadlines advance by whole periods from the first step.
class StepClock : public StepObserver {
public:
    void beforeStep(uint32_t n) override {
        if (n == 1) first = PosixPlaybackPlatform::nowMicros() / 1000 * 1000;
    }
    void afterStep(uint32_t n) override {
        const uint64_t now = PosixPlaybackPlatform::nowMicros();
        if (starts.size() == starts.capacity()) return;  // no allocation on this thread
        starts.push_back(now);
        lateUs.push_back(int64_t(now) - int64_t(first + (n - 1) * kPeriodUs));
    }
    uint64_t first = 0;
    std::vector<uint64_t> starts;  // reserved before the thread starts
    std::vector<int64_t> lateUs;
};

struct Round {
    double aroundMs = 0, elsewhereMs = 0, seekMs = 0, lockUs = 0;
};

// The former seek: the whole silent run under the step lock.
void seekUnderTheLock(Sequencer& seq, uint32_t percent) {
    std::lock_guard<std::mutex> hold(seq.stepLock);
    seq.port.allNotesOff();
    snapshotChannels(seq.channels, seq.channelSnapshot);
    seekPercent(seq, percent);
    resendChannels(seq.channels, seq.channelSnapshot, seq.port, seq.lastMessage, seq.panel);
}

Round playAndSeek(const std::string& path, bool former) {
    Settings settings;
    ControlFlags flags;
    CountingDevice device;
    std::unique_ptr<Sequencer> seq(new Sequencer);
    seq->settings = &settings;
    seq->port.attach(&device);
    initSequencer(*seq);
    seq->port.open();
    seq->loopMode = 1;
    Round r;
    if (!loadSong(*seq, path.c_str())) return r;
    PosixPlaybackPlatform platform;
    StepClock clock;
    clock.starts.reserve(4000);
    clock.lateUs.reserve(4000);
    Playback pb;
    pb.seq = seq.get();
    pb.settings = &settings;
    pb.flags = &flags;
    pb.platform = &platform;
    pb.observer = &clock;
    startPlayback(pb, false);

    struct Window {
        uint64_t from, to;
    };
    std::vector<Window> windows;
    std::vector<double> seekMs, lockUs;
    for (uint32_t percent : {90u, 10u, 50u}) {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        const uint64_t t0 = PosixPlaybackPlatform::nowMicros();
        if (former) {
            seekUnderTheLock(*seq, percent);
            lockUs.push_back(double(PosixPlaybackPlatform::nowMicros() - t0));
        } else {
            std::lock_guard<std::mutex> one(seq->seekLock);
            const uint64_t a = PosixPlaybackPlatform::nowMicros();
            beginSeek(*seq);
            const uint64_t b = PosixPlaybackPlatform::nowMicros();
            replaySeek(*seq, percent);
            const uint64_t c = PosixPlaybackPlatform::nowMicros();
            finishSeek(*seq);
            const uint64_t d = PosixPlaybackPlatform::nowMicros();
            lockUs.push_back(double((b - a) + (d - c)));
        }
        const uint64_t t1 = PosixPlaybackPlatform::nowMicros();
        seekMs.push_back((t1 - t0) / 1000.0);
        windows.push_back({t0 - kPeriodUs, t1 + 5 * kPeriodUs});
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    stopPlayback(pb);

    int64_t around = 0, elsewhere = 0;
    for (size_t k = 0; k < clock.starts.size(); ++k) {
        bool near = false;
        for (const Window& w : windows) near = near || (clock.starts[k] >= w.from && clock.starts[k] <= w.to);
        int64_t& worst = near ? around : elsewhere;
        if (clock.lateUs[k] > worst) worst = clock.lateUs[k];
    }
    r.aroundMs = around / 1000.0;
    r.elsewhereMs = elsewhere / 1000.0;
    r.seekMs = median(seekMs);
    double most = 0;
    for (double v : lockUs) most = std::max(most, v);
    r.lockUs = most;
    unloadSong(*seq);
    return r;
}

}  // namespace

int main() {
    struct Song {
        const char* name;
        Bytes bytes;
    } songs[] = {{"big", bigSong()}, {"worst", worstSong()}};
    for (const Song& song : songs) {
        const std::string path = scratchFolder() + "/orvanel-bench-seek-" + song.name + ".mid";
        if (!writeBytes(path, song.bytes)) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
        std::printf("%s song, seeks to 90, 10 and 50 %% during real-time play:\n", song.name);
        for (bool former : {false, true}) {
            std::vector<double> around, elsewhere, seek, lock;
            for (int round = 0; round < kRounds; ++round) {
                const Round r = playAndSeek(path, former);
                around.push_back(r.aroundMs);
                elsewhere.push_back(r.elsewhereMs);
                seek.push_back(r.seekMs);
                lock.push_back(r.lockUs);
            }
            std::printf("  %s\n", former ? "former seek, step lock held throughout:" : "seek on a copy:");
            std::printf("    longest step delay around a seek  %s ms\n", show(spreadOf(around)).c_str());
            std::printf("    longest step delay elsewhere      %s ms\n", show(spreadOf(elsewhere)).c_str());
            std::printf("    seek, median of three             %s ms\n", show(spreadOf(seek)).c_str());
            std::printf("    step lock held, longest           %s us\n", show(spreadOf(lock), "%.0f").c_str());
        }
        std::remove(path.c_str());
    }
    return 0;
}
