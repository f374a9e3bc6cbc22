#pragma once
// Runs the programs of the build (orvanel-play, the tools) from the native tests, always
// with a deadline: a program that hangs is killed with its whole process group and the
// test fails, instead of the suite hanging.
#include <sys/types.h>

#include <string>
#include <vector>

// A program of the build folder, by name: "orvanel-play" -> /.../build/native/orvanel-play.
std::string builtProgram(const char* name);
// The version of the build (ORVANEL_VERSION in CMakeLists.txt).
std::string projectVersion();

struct ProgramRun {
    std::vector<std::string> args;  // args[0]: a path, or a name looked up in PATH
    std::vector<std::string> env;   // NAME=VALUE, added to the test's environment
    std::string input = "/dev/null";
    double seconds = 120;           // the deadline
    // The child may not read or list what its owner may not, even as root (root's power
    // to pass over file permissions is dropped from it).
    bool ownerPermissionsOnly = false;
};

// Whether ownerPermissionsOnly holds here: false where root cannot give up its power over
// file permissions (a container without the capability to), so such tests skip.
bool permissionsCanBeDenied();

struct ProgramResult {
    int exitCode = -1;  // 128 + N when signal N ended it
    bool timedOut = false;
    std::string out, err;
    std::vector<std::string> outLines() const;
    std::vector<std::string> errLines() const;
};

// Runs it to its end or its deadline; a start that fails or a deadline passed is a test
// failure of its own.
ProgramResult runProgram(const ProgramRun& run);

// The build's orvanel-play and the words of args (split at spaces).
std::vector<std::string> playerArgs(const std::string& args);
// It run in the C.UTF-8 locale, started through the words of `through` when given (a
// wrapper such as timeout).
ProgramResult runPlayer(const std::string& args, const std::vector<std::string>& through = {});

// A program on a pseudo terminal of its own (its controlling terminal, standard input and
// standard error; standard output goes to stdoutPath, or also to the terminal when empty;
// standard input comes from stdinPath when given).
class TerminalProgram {
public:
    TerminalProgram(std::vector<std::string> args, const std::string& stdoutPath = "",
                    const std::string& stdinPath = "");
    ~TerminalProgram();  // kills the program if it still runs
    TerminalProgram(const TerminalProgram&) = delete;
    TerminalProgram& operator=(const TerminalProgram&) = delete;

    bool started() const { return pid_ > 0; }
    void type(const std::string& keys);
    // Sends the program a signal, as a closed window (HUP) or another process would.
    void signal(int number);
    // Gives the terminal a width, as a window resized does (the program gets SIGWINCH).
    void resize(int columns);
    // Reads what the terminal shows until text has appeared count times in all, or the
    // deadline passes. False then.
    bool waitFor(const std::string& text, int count = 1, double seconds = 30);
    // Waits for the end: the exit code (128 + N for signal N), or -1 with a test failure
    // when the deadline passes (the program is killed then).
    int waitForExit(double seconds = 30);
    const std::string& shown() const { return shown_; }
    // The terminal's input modes as the program left them: canonical input with echo.
    bool terminalLeftCooked() const;

private:
    void readFor(int milliseconds);
    int master_ = -1;
    pid_t pid_ = -1;
    std::string shown_;
};
