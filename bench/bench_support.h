#pragma once
// What the benchmark programs share: running a program and taking its CPU and wall time,
// and the median and spread of repeated measurements.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

namespace bench {

using Clock = std::chrono::steady_clock;

inline double millisSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Cost {
    double cpuMs = 0;   // user + system time of the process
    double wallMs = 0;
    int exitCode = -1;
};

// Runs argv[0] (looked up in PATH) with standard output to outPath and standard error
// discarded, and waits for it.
inline Cost runProcess(const std::vector<std::string>& args, const char* outPath = "/dev/null") {
    std::vector<char*> argv;
    std::vector<std::string> copy = args;
    for (std::string& a : copy) argv.push_back(&a[0]);
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    Cost c;
    const Clock::time_point start = Clock::now();
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return c;
    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0) {
    }
    c.wallMs = millisSince(start);
    c.cpuMs = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
              (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
    c.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return c;
}

inline bool haveProgram(const std::string& name) {
    return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

inline double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Median and range of the rounds of one measurement.
struct Spread {
    double median = 0, low = 0, high = 0;
};

inline Spread spreadOf(std::vector<double> v) {
    Spread s;
    if (v.empty()) return s;
    std::sort(v.begin(), v.end());
    s.median = v[v.size() / 2];
    s.low = v.front();
    s.high = v.back();
    return s;
}

// "12.3 [11.9-13.0]"
inline std::string show(const Spread& s, const char* format = "%.2f") {
    char a[32], b[32], c[32], out[112];
    std::snprintf(a, sizeof a, format, s.median);
    std::snprintf(b, sizeof b, format, s.low);
    std::snprintf(c, sizeof c, format, s.high);
    std::snprintf(out, sizeof out, "%s [%s-%s]", a, b, c);
    return out;
}

// The folder the benchmarks write their songs into.
inline std::string scratchFolder() {
    const char* dir = std::getenv("TMPDIR");
    return dir && *dir ? dir : "/tmp";
}

// The folder of this program, where orvanel-play and the tools are built.
inline std::string programFolder(const char* argv0) {
    const std::string self = argv0;
    const size_t slash = self.rfind('/');
    return slash == std::string::npos ? std::string(".") : self.substr(0, slash);
}

constexpr int kRounds = 3;

}  // namespace bench
