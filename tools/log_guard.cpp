// Records, or checks against the recording, what `orvanel-play --device=log --fast` prints
// for every song in samples/ and for songs made by rule (the benchmark songs, random songs
// from fixed seeds), each played plainly, looping, with scripted seeks and with step limits.
// A change to the player that should not change what it sends is checked against this;
// a change that should is followed by a new recording (make record-logs).
//
//   log_guard record --source DIR --play ORVANEL_PLAY [--file RECORDING] [--jobs J]
//   log_guard check  --source DIR --play ORVANEL_PLAY [--file RECORDING] [--jobs J] [--part K/N]
//   log_guard songs  --source DIR OUTPUT_DIR      (writes the songs, to replay a case by hand)
//
// --jobs: runs of the player at once (default: the processors online). --part K/N checks
// the K-th of N parts of the songs (every N-th song from the K-th), so N test cases share
// the work; each part also checks that every recorded song is still made.
#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/settings.h"
#include "sequencer/sequencer.h"
#include "tests/support/song_shapes.h"

extern char** environ;

namespace {

constexpr int kRandomSongs = 64;
// No run takes more live steps than this, so songs that never end (a division of 0)
// and very long ones stay quick.
constexpr int64_t kStepCap = 30000;

struct Song {
    std::string name;
    Bytes bytes;
};

bool readFile(const std::string& path, Bytes& out) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    uint8_t chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) out.insert(out.end(), chunk, chunk + n);
    std::fclose(f);
    return true;
}

std::vector<Song> allSongs(const std::string& source) {
    std::vector<Song> songs;
    std::vector<std::string> names;
    if (DIR* d = opendir((source + "/samples").c_str())) {
        while (dirent* e = readdir(d)) {
            const std::string n = e->d_name;
            if (n.size() > 4 && (n.compare(n.size() - 4, 4, ".mid") == 0 || n.compare(n.size() - 4, 4, ".rmi") == 0))
                names.push_back(n);
        }
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    for (const std::string& n : names) {
        Song s{"samples/" + n, {}};
        if (readFile(source + "/samples/" + n, s.bytes)) songs.push_back(s);
    }
    songs.push_back({"big", bigSong()});
    songs.push_back({"worst", worstSong()});
    for (int seed = 0; seed < kRandomSongs; ++seed) {
        char name[32];
        std::snprintf(name, sizeof name, "random-%03d", seed);
        songs.push_back({name, randomSong(static_cast<uint64_t>(seed))});
    }
    return songs;
}

std::string fileName(const Song& s) {
    std::string n = s.name;
    std::replace(n.begin(), n.end(), '/', '_');
    return n.size() > 4 && n[n.size() - 4] == '.' ? n : n + ".mid";
}

// The song's length in steps as the player measures it, in a sequencer of its own (a
// running status may carry over from one song to the next).
int32_t measure(const std::string& path) {
    Settings settings;
    std::unique_ptr<Sequencer> seq(new Sequencer);
    seq->settings = &settings;
    initSequencer(*seq);
    const bool ok = loadSong(*seq, path.c_str());
    const int32_t steps = ok ? seq->songSteps : -1;
    unloadSong(*seq);
    return steps;
}

std::string fmt(const char* format, long long a = 0, long long b = 0, long long c = 0, long long d = 0) {
    char text[160];
    std::snprintf(text, sizeof text, format, a, b, c, d);
    return text;
}

// The option sets each song is played with; L is the song's length in steps.
std::vector<std::string> casesFor(int32_t songSteps, bool large) {
    const int64_t L = songSteps < 1 ? 1 : songSteps;
    auto cap = [](int64_t n) { return n > kStepCap ? kStepCap : n; };
    const int64_t once = cap(L + 3);
    // Seeks fall inside the steps that are played.
    const int64_t a = std::max<int64_t>(1, cap(L) / 5), b = std::max<int64_t>(a + 1, cap(L) / 2);
    std::vector<std::string> cases;
    cases.push_back(L + 3 > kStepCap ? fmt("--steps %lld", kStepCap) : "");
    cases.push_back(fmt("--steps %lld --seek %lld:37 --seek %lld:90", once, a, b));
    if (large) return cases;
    cases.push_back(fmt("--loop-mode 1 --steps %lld", cap(2 * L + 7)));
    cases.push_back(fmt("--loop-mode 2 --steps %lld", cap(3 * L + 5)));
    cases.push_back(fmt("--loop-mode 2 --steps %lld --seek %lld:75 --seek %lld:20", cap(4 * L + 9), a, a + 1) +
                    fmt(" --seek %lld:0 --seek %lld:100", b, b + 2));
    cases.push_back(fmt("--loop-mode 1 --steps %lld --seek 1:100 --seek 2:50 --seek %lld:99", cap(3 * L + 1), a + 2));
    cases.push_back(fmt("--loop-mode 3 --bank-mode 2 --key-shift 3 --steps %lld --seek %lld:63", once, b));
    cases.push_back("--steps 1");
    return cases;
}

struct Outcome {
    int exitCode = -1;
    size_t outLines = 0, errLines = 0;
    uint64_t outHash = 0, errHash = 0;
};

// FNV-1a: enough to see that a stream changed.
// Lines that start with `skip` (when given) are left out.
void hashFile(const std::string& path, size_t& lines, uint64_t& hash, const char* skip = nullptr) {
    Bytes bytes;
    readFile(path, bytes);
    hash = 0xCBF29CE484222325ull;
    lines = 0;
    const size_t skipLength = skip ? std::strlen(skip) : 0;
    for (size_t at = 0; at < bytes.size();) {
        size_t end = at;
        while (end < bytes.size() && bytes[end++] != '\n') {
        }
        if (skip && end - at >= skipLength && std::memcmp(&bytes[at], skip, skipLength) == 0) {
            at = end;
            continue;
        }
        for (; at < end; ++at) {
            hash = (hash ^ bytes[at]) * 0x100000001B3ull;
            lines += bytes[at] == '\n';
        }
    }
}

// Starts one run with its output into out and err; 0 when it cannot start.
pid_t start(const std::string& play, const std::string& options, const std::string& song, const std::string& out,
            const std::string& err) {
    // The window's texts are guarded too; the line that names the song (by its temporary
    // path) is not.
    std::vector<std::string> args = {play, "--device=log", "--fast", "--verbose"};
    for (size_t at = 0; at < options.size();) {
        const size_t space = options.find(' ', at);
        const size_t end = space == std::string::npos ? options.size() : space;
        if (end > at) args.push_back(options.substr(at, end - at));
        at = end + 1;
    }
    args.push_back(song);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(&a[0]);
    argv.push_back(nullptr);
    // A fixed locale: the panel lines are converted to it.
    std::vector<std::string> env = {"LANG=C.UTF-8", "LC_ALL=C.UTF-8"};
    for (char** e = environ; *e; ++e)
        if (std::strncmp(*e, "LANG=", 5) != 0 && std::strncmp(*e, "LC_", 3) != 0) env.push_back(*e);
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(&e[0]);
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, play.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : 0;
}

struct Run {
    size_t song;
    int32_t steps;
    std::string options;
    Outcome outcome;
};

// Every run, up to jobs at once, each slot with output files of its own in work.
bool runAll(const std::string& play, const std::vector<std::string>& songPaths, std::vector<Run>& runs,
            const std::string& work, int jobs) {
    struct Slot {
        pid_t pid = 0;
        size_t run = 0;
        std::string out, err;
    };
    std::vector<Slot> slots(static_cast<size_t>(std::max(1, jobs)));
    for (size_t i = 0; i < slots.size(); ++i) {
        slots[i].out = work + "/out" + std::to_string(i) + ".txt";
        slots[i].err = work + "/err" + std::to_string(i) + ".txt";
    }
    size_t next = 0, running = 0;
    bool started = true;
    while (next < runs.size() || running > 0) {
        for (Slot& slot : slots) {
            if (slot.pid != 0 || next >= runs.size() || !started) continue;
            const Run& r = runs[next];
            slot.pid = start(play, r.options, songPaths[r.song], slot.out, slot.err);
            if (slot.pid == 0) {
                std::fprintf(stderr, "log_guard: cannot start %s\n", play.c_str());
                started = false;  // the ones running are still waited for
                continue;
            }
            slot.run = next++;
            ++running;
        }
        if (running == 0) break;
        int status = 0;
        const pid_t done = waitpid(-1, &status, 0);
        if (done < 0 && errno == EINTR) continue;
        if (done < 0) {
            std::fprintf(stderr, "log_guard: waiting for the player: %s\n", std::strerror(errno));
            return false;
        }
        for (Slot& slot : slots) {
            if (slot.pid != done) continue;
            Outcome& o = runs[slot.run].outcome;
            o.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            hashFile(slot.out, o.outLines, o.outHash);
            hashFile(slot.err, o.errLines, o.errHash, "playing ");
            slot.pid = 0;
            --running;
        }
    }
    for (const Slot& slot : slots) {
        std::remove(slot.out.c_str());
        std::remove(slot.err.c_str());
    }
    return started;
}

// The song a recorded line is about: its text before " steps=".
std::string songOf(const std::string& line) { return line.substr(0, line.find(" steps=")); }

std::string recordLine(const std::string& song, int32_t steps, const std::string& options, const Outcome& o) {
    char text[512];
    std::snprintf(text, sizeof text, "%s steps=%d | %s | exit %d | out %zu %016llx | err %zu %016llx",
                  song.c_str(), steps, options.c_str(), o.exitCode, o.outLines,
                  static_cast<unsigned long long>(o.outHash), o.errLines,
                  static_cast<unsigned long long>(o.errHash));
    return text;
}

std::vector<std::string> readRecording(const std::string& path) {
    std::vector<std::string> lines;
    FILE* f = std::fopen(path.c_str(), "r");
    if (!f) return lines;
    char line[1024];
    while (std::fgets(line, sizeof line, f)) {
        std::string s = line;
        while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
        if (!s.empty() && s[0] != '#') lines.push_back(s);
    }
    std::fclose(f);
    return lines;
}

int usage() {
    std::fprintf(stderr,
                 "usage: log_guard record|check --source DIR --play ORVANEL_PLAY [--file RECORDING] [--jobs J]\n"
                 "       log_guard check ... --part K/N\n"
                 "       log_guard songs --source DIR OUTPUT_DIR\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage();
    const std::string mode = argv[1];
    std::string source = ".", play, file, outDir;
    long jobs = sysconf(_SC_NPROCESSORS_ONLN);
    int part = 1, parts = 1;
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--source" && i + 1 < argc) source = argv[++i];
        else if (a == "--jobs" && i + 1 < argc) jobs = std::atol(argv[++i]);
        else if (a == "--part" && i + 1 < argc && mode == "check") {
            if (std::sscanf(argv[++i], "%d/%d", &part, &parts) != 2 || parts < 1 || part < 1 || part > parts)
                return usage();
        }
        else if (a == "--play" && i + 1 < argc) play = argv[++i];
        else if (a == "--file" && i + 1 < argc) file = argv[++i];
        else if (mode == "songs" && outDir.empty()) outDir = a;
        else return usage();
    }
    if (file.empty()) file = source + "/tests/recorded/log_outputs.txt";
    const std::vector<Song> songs = allSongs(source);

    if (mode == "songs") {
        if (outDir.empty()) return usage();
        for (const Song& s : songs)
            if (!writeBytes(outDir + "/" + fileName(s), s.bytes)) {
                std::fprintf(stderr, "log_guard: cannot write into %s\n", outDir.c_str());
                return 1;
            }
        return 0;
    }
    if ((mode != "record" && mode != "check") || play.empty()) return usage();

    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/log_guard.XXXXXX";
    if (!mkdtemp(&pattern[0])) {
        std::fprintf(stderr, "log_guard: cannot make a scratch folder %s\n", pattern.c_str());
        return 1;
    }
    const std::string workDir = pattern;

    // This part's songs, written out and measured, then all their runs.
    std::vector<std::string> paths(songs.size());
    std::vector<Run> runs;
    std::vector<std::string> partSongs;
    bool written = true;
    for (size_t i = static_cast<size_t>(part - 1); i < songs.size() && written; i += static_cast<size_t>(parts)) {
        const Song& s = songs[i];
        paths[i] = workDir + "/" + fileName(s);
        if (!writeBytes(paths[i], s.bytes)) {
            std::fprintf(stderr, "log_guard: cannot write %s\n", paths[i].c_str());
            written = false;
            break;
        }
        partSongs.push_back(s.name);
        const int32_t steps = measure(paths[i]);
        for (const std::string& options : casesFor(steps, s.bytes.size() > 262144)) runs.push_back({i, steps, options, {}});
    }
    const bool ran = written && runAll(play, paths, runs, workDir, static_cast<int>(jobs));
    for (const std::string& path : paths)
        if (!path.empty()) std::remove(path.c_str());
    rmdir(workDir.c_str());
    if (!ran) return 1;
    std::vector<std::string> lines;
    for (const Run& r : runs) lines.push_back(recordLine(songs[r.song].name, r.steps, r.options, r.outcome));

    if (mode == "record") {
        // Written beside the recording and renamed over it once whole.
        const std::string fresh = file + ".new";
        FILE* f = std::fopen(fresh.c_str(), "w");
        if (!f) {
            std::fprintf(stderr, "log_guard: cannot write %s\n", fresh.c_str());
            return 1;
        }
        std::fprintf(f,
                     "# What orvanel-play --device=log --fast OPTIONS SONG prints, per song and options:\n"
                     "# exit code, then line count and FNV-1a hash of standard output and of standard error.\n"
                     "# Written by tools/log_guard; after a deliberate change of the output: make record-logs\n");
        for (const std::string& l : lines) std::fprintf(f, "%s\n", l.c_str());
        const bool ok = !std::ferror(f) && std::fclose(f) == 0 && std::rename(fresh.c_str(), file.c_str()) == 0;
        if (!ok) {
            std::fprintf(stderr, "log_guard: cannot write %s\n", file.c_str());
            std::remove(fresh.c_str());
            return 1;
        }
        std::printf("log_guard: %zu runs of %zu songs recorded in %s\n", lines.size(), songs.size(), file.c_str());
        return ok ? 0 : 1;
    }

    const std::vector<std::string> everyRecorded = readRecording(file);
    if (everyRecorded.empty()) {
        std::fprintf(stderr, "log_guard: no recording in %s (make record-logs)\n", file.c_str());
        return 1;
    }
    // A recorded song that is no longer made would go unchecked in every part.
    std::vector<std::string> recorded;
    size_t differ = 0;
    for (const std::string& line : everyRecorded) {
        const std::string song = songOf(line);
        if (std::find(partSongs.begin(), partSongs.end(), song) != partSongs.end()) {
            recorded.push_back(line);
        } else if (std::none_of(songs.begin(), songs.end(), [&](const Song& s) { return s.name == song; })) {
            if (++differ <= 20) std::printf("recorded: %s\nnow:      (no such song)\n", line.c_str());
        }
    }
    for (size_t i = 0; i < std::max(lines.size(), recorded.size()); ++i) {
        const std::string now = i < lines.size() ? lines[i] : "(none)";
        const std::string then = i < recorded.size() ? recorded[i] : "(none)";
        if (now == then) continue;
        if (++differ <= 20) std::printf("recorded: %s\nnow:      %s\n", then.c_str(), now.c_str());
    }
    if (differ) {
        std::printf("log_guard: %zu of %zu runs differ from %s.\n"
                    "The songs: log_guard songs --source DIR OUT; a run: orvanel-play --device=log --fast OPTIONS OUT/SONG.mid\n",
                    differ, recorded.size(), file.c_str());
        return 1;
    }
    std::printf("log_guard: %zu runs of %zu songs as recorded (part %d of %d)\n", lines.size(), partSongs.size(),
                part, parts);
    return 0;
}
