#include "tests/posix/support/run_program.h"

#include <fcntl.h>
#include <linux/capability.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <pty.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

extern char** environ;

std::string scratchPath(const char* name);

namespace {

using Clock = std::chrono::steady_clock;

std::string commandText(const std::vector<std::string>& args) {
    std::string text;
    for (const std::string& a : args) text += (text.empty() ? "" : " ") + a;
    return text;
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

int exitCodeOf(int raw) {
    if (WIFEXITED(raw)) return WEXITSTATUS(raw);
    if (WIFSIGNALED(raw)) return 128 + WTERMSIG(raw);
    return -1;
}

Clock::time_point after(double seconds) {
    return Clock::now() + std::chrono::milliseconds(int64_t(seconds * 1000));
}

// The argument and environment vectors, made before the fork: after it the child calls
// only what is safe there.
struct ExecVectors {
    std::vector<std::string> args, env;
    std::vector<char*> argv, envp;

    // The overrides come first: a lookup of the environment takes the first match.
    ExecVectors(const std::vector<std::string>& arguments, const std::vector<std::string>& overrides)
        : args(arguments), env(overrides) {
        for (char** e = environ; *e; ++e) env.push_back(*e);
        for (std::string& a : args) argv.push_back(&a[0]);
        argv.push_back(nullptr);
        for (std::string& e : env) envp.push_back(&e[0]);
        envp.push_back(nullptr);
    }
};

// In the child: runs the program, or writes the errno of the failed exec to reportFd.
[[noreturn]] void execChild(ExecVectors& v, int reportFd) {
    execvpe(v.argv[0], v.argv.data(), v.envp.data());
    const int error = errno;
    ssize_t ignored = write(reportFd, &error, sizeof error);
    (void)ignored;
    _exit(127);
}

// After the fork: the errno of a failed exec, or 0 once the exec closed the pipe.
int execError(int reportFd) {
    int error = 0;
    ssize_t n;
    while ((n = read(reportFd, &error, sizeof error)) < 0 && errno == EINTR) {
    }
    close(reportFd);
    return n == sizeof error ? error : 0;
}

}  // namespace

std::string builtProgram(const char* name) { return std::string(ORVANEL_BUILD_DIR) + "/" + name; }

std::string projectVersion() { return ORVANEL_VERSION; }

std::vector<std::string> ProgramResult::outLines() const { return splitLines(out); }
std::vector<std::string> ProgramResult::errLines() const { return splitLines(err); }

ProgramResult runProgram(const ProgramRun& run) {
    ProgramResult result;
    ExecVectors v(run.args, run.env);
    int outPipe[2], errPipe[2], report[2];
    if (run.args.empty() || pipe(outPipe) != 0 || pipe(errPipe) != 0 || pipe2(report, O_CLOEXEC) != 0) {
        ADD_FAILURE() << "cannot run " << commandText(run.args);
        return result;
    }
    const pid_t pid = fork();
    if (pid < 0) {
        for (int fd : {outPipe[0], outPipe[1], errPipe[0], errPipe[1], report[0], report[1]}) close(fd);
        ADD_FAILURE() << "cannot fork for " << commandText(run.args);
        return result;
    }
    if (pid == 0) {
        setpgid(0, 0);  // a group of its own, so that a hang is killed with its children
        const int in = open(run.input.c_str(), O_RDONLY);
        dup2(in, 0);
        dup2(outPipe[1], 1);
        dup2(errPipe[1], 2);
        for (int fd : {in, outPipe[0], outPipe[1], errPipe[0], errPipe[1], report[0]}) close(fd);
        if (run.ownerPermissionsOnly) {
            prctl(PR_CAPBSET_DROP, CAP_DAC_OVERRIDE, 0, 0, 0);
            prctl(PR_CAPBSET_DROP, CAP_DAC_READ_SEARCH, 0, 0, 0);
        }
        execChild(v, report[1]);
    }
    setpgid(pid, pid);
    for (int fd : {outPipe[1], errPipe[1], report[1]}) close(fd);
    if (const int error = execError(report[0])) {
        ADD_FAILURE() << "cannot start " << run.args[0] << ": " << std::strerror(error);
    }

    const auto deadline = after(run.seconds);
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    std::string* sinks[2] = {&result.out, &result.err};
    int raw = 0;
    for (;;) {
        if (!result.timedOut && Clock::now() >= deadline) {
            result.timedOut = true;
            kill(-pid, SIGKILL);
        }
        if (fds[0].fd < 0 && fds[1].fd < 0 && waitpid(pid, &raw, WNOHANG) == pid) break;
        if (poll(fds, 2, 50) <= 0) continue;  // closed ones (fd -1) are passed over
        for (int i = 0; i < 2; ++i) {
            if (!fds[i].revents) continue;
            char buffer[65536];
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, size_t(n));
            } else if (n == 0 || errno != EINTR) {
                close(fds[i].fd);
                fds[i].fd = -1;
            }
        }
    }
    result.exitCode = exitCodeOf(raw);
    if (result.timedOut) ADD_FAILURE() << "no end within " << run.seconds << " s, killed: " << commandText(run.args);
    return result;
}

bool permissionsCanBeDenied() {
    static const bool denied = [] {
        const std::string file = scratchPath("unreadable-probe");
        std::FILE* f = std::fopen(file.c_str(), "w");
        if (!f) return false;
        std::fclose(f);
        chmod(file.c_str(), 0);
        ProgramRun run;
        run.args = {"sh", "-c", "test -r \"$0\"", file};
        run.ownerPermissionsOnly = true;
        const bool refused = runProgram(run).exitCode == 1;
        std::remove(file.c_str());
        return refused;
    }();
    return denied;
}

std::vector<std::string> playerArgs(const std::string& args) {
    std::vector<std::string> words = {builtProgram("orvanel-play")};
    std::istringstream in(args);
    for (std::string word; in >> word;) words.push_back(word);
    return words;
}

ProgramResult runPlayer(const std::string& args, const std::vector<std::string>& through) {
    ProgramRun run;
    run.args = through;
    for (const std::string& word : playerArgs(args)) run.args.push_back(word);
    run.env = {"LANG=C.UTF-8", "LC_ALL=C.UTF-8"};
    return runProgram(run);
}

TerminalProgram::TerminalProgram(std::vector<std::string> args, const std::string& stdoutPath,
                                 const std::string& stdinPath) {
    ExecVectors v(args, {});
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) return;
    pid_ = forkpty(&master_, nullptr, nullptr, nullptr);
    if (pid_ == 0) {
        if (!stdoutPath.empty()) {
            const int out = open(stdoutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(out, 1);
            close(out);
        }
        if (!stdinPath.empty()) {
            const int in = open(stdinPath.c_str(), O_RDONLY);
            dup2(in, 0);
            close(in);
        }
        close(report[0]);
        execChild(v, report[1]);
    }
    close(report[1]);
    if (pid_ < 0) {
        close(report[0]);
        ADD_FAILURE() << "cannot open a pseudo terminal";
        return;
    }
    if (const int error = execError(report[0])) {
        ADD_FAILURE() << "cannot start " << args[0] << ": " << std::strerror(error);
    }
}

TerminalProgram::~TerminalProgram() {
    if (pid_ > 0) {
        kill(-pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    if (master_ >= 0) close(master_);
}

void TerminalProgram::type(const std::string& keys) {
    ASSERT_EQ(write(master_, keys.data(), keys.size()), ssize_t(keys.size()));
}

void TerminalProgram::signal(int number) {
    if (pid_ > 0) kill(pid_, number);
}

void TerminalProgram::resize(int columns) {
    winsize size{};
    size.ws_row = 24;
    size.ws_col = static_cast<unsigned short>(columns);
    ASSERT_EQ(ioctl(master_, TIOCSWINSZ, &size), 0);
}

void TerminalProgram::readFor(int milliseconds) {
    pollfd p{master_, POLLIN, 0};
    if (master_ < 0 || poll(&p, 1, milliseconds) <= 0) return;
    char buffer[4096];
    const ssize_t n = read(master_, buffer, sizeof buffer);
    if (n > 0) shown_.append(buffer, size_t(n));
}

bool TerminalProgram::waitFor(const std::string& text, int count, double seconds) {
    const auto deadline = after(seconds);
    auto seen = [&] {
        int n = 0;
        for (size_t at = 0; (at = shown_.find(text, at)) != std::string::npos; at += text.size()) ++n;
        return n;
    };
    while (seen() < count && Clock::now() < deadline) readFor(50);
    return seen() >= count;
}

int TerminalProgram::waitForExit(double seconds) {
    if (pid_ <= 0) return -1;
    const auto deadline = after(seconds);
    int raw = 0;
    // Reading on, so that a program that still writes never blocks on a full terminal.
    while (waitpid(pid_, &raw, WNOHANG) != pid_) {
        if (Clock::now() >= deadline) {
            ADD_FAILURE() << "no end within " << seconds << " s on the terminal, killed";
            return -1;
        }
        readFor(20);
    }
    pid_ = -1;
    for (size_t before = ~size_t(0); before != shown_.size();) {
        before = shown_.size();
        readFor(20);
    }
    return exitCodeOf(raw);
}

bool TerminalProgram::terminalLeftCooked() const {
    termios t;
    return master_ >= 0 && tcgetattr(master_, &t) == 0 && (t.c_lflag & ICANON) && (t.c_lflag & ECHO);
}
