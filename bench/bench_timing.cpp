// How late the playback thread's steps run against their deadlines: orvanel-play plays a
// song with an event in every step to the log device with --timing, once on an idle
// machine and once with another thread spinning; beside it, a baseline loop that only
// sleeps to the same deadlines. Prints median, 99th percentile and maximum lateness.
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/posix/playback_posix.h"
#include "tests/support/smf_builder.h"

namespace {

constexpr int kSteps = 1000;  // 10 s at 100 %
constexpr uint64_t kPeriodUs = 10000;

uint64_t nowUs() { return PosixPlaybackPlatform::nowMicros(); }

struct Stats {
    double median, p99, max;
};

Stats summarise(std::vector<int64_t> late) {
    std::sort(late.begin(), late.end());
    if (late.empty()) return {0, 0, 0};
    const size_t n = late.size();
    return {double(late[n / 2]), double(late[std::min(n - 1, n * 99 / 100)]), double(late.back())};
}

std::vector<int64_t> sleepLoop() {
    std::vector<int64_t> late;
    const uint64_t start = nowUs() / 1000 * 1000;
    for (int k = 0; k < kSteps; ++k) {
        const uint64_t due = start + k * kPeriodUs;
        timespec ts{static_cast<time_t>(due / 1000000u), static_cast<long>(due % 1000000u * 1000u)};
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) != 0) {
        }
        late.push_back(int64_t(nowUs()) - int64_t(due));
    }
    return late;
}

// The same schedule as the player: deadlines on a millisecond grid from the start,
// absolute sleeps, at the priority the player's thread takes.
std::vector<int64_t> baseline() {
    std::vector<int64_t> late;
    std::thread loop([&] {
        PosixPlaybackPlatform().raiseCurrentThread(true);
        late = sleepLoop();
    });
    loop.join();
    return late;
}

std::vector<int64_t> player(const std::string& exe, const std::string& song) {
    std::vector<int64_t> late;
    const std::string cmd = exe + " --device=log --timing " + song + " 2>/dev/null";
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return late;
    char line[256];
    long lastStep = 0;
    while (std::fgets(line, sizeof line, p)) {
        char* end = nullptr;
        const long step = std::strtol(line, &end, 10);
        const long long us = std::strtoll(end, nullptr, 10);
        if (step == lastStep || step < 1) continue;  // first message of each step only
        lastStep = step;
        late.push_back(us - int64_t(step - 1) * int64_t(kPeriodUs));
    }
    pclose(p);
    return late;
}

void report(const char* what, const Stats& s, const Stats& base) {
    std::printf("%-28s median %6.0f us  p99 %6.0f us  max %6.0f us   (p99 %.1f x baseline)\n", what,
                s.median, s.p99, s.max, base.p99 > 0 ? s.p99 / base.p99 : 0.0);
}

}  // namespace

int main(int argc, char** argv) {
    std::string exe = argc > 1 ? argv[1] : "";
    if (exe.empty()) {
        const std::string self = argv[0];
        const size_t slash = self.rfind('/');
        exe = (slash == std::string::npos ? std::string(".") : self.substr(0, slash)) + "/orvanel-play";
    }
    Track t;
    t.tempo(0, 480000);  // division 48 at 125 bpm: one tick a step
    for (int i = 0; i < kSteps; ++i) t.ev(i ? 1 : 0, {0xB0, 1, static_cast<uint8_t>(i & 0x7F)});
    t.end(1);
    const std::string song = "/tmp/orvanel-bench-timing.mid";
    if (!writeBytes(song, buildSmf(48, {t}))) return 1;

    for (int busy = 0; busy < 2; ++busy) {
        std::atomic<bool> spin{busy == 1};
        std::thread hog([&] {
            volatile uint64_t x = 0;
            while (spin) ++x;
        });
        const Stats base = summarise(baseline());
        const std::vector<int64_t> late = player(exe, song);
        spin = false;
        hog.join();
        if (late.size() < kSteps / 2) {
            std::fprintf(stderr, "orvanel-play gave %zu steps\n", late.size());
            return 1;
        }
        std::printf("%s machine (%zu steps):\n", busy ? "busy" : "idle", late.size());
        report("  baseline sleep loop", base, base);
        report("  orvanel-play --timing", summarise(late), base);
    }
    std::remove(song.c_str());
    return 0;
}
