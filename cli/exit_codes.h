#pragma once
// orvanel-play's exit statuses: one table for the program and its --help, to which the
// tests hold the README and the man page.

enum ExitCode : int {
    kExitPlayed = 0,
    kExitFailed = 1,
    kExitUsage = 2,
    kExitNoDevice = 3,
    kExitInterrupted = 130,
};

struct ExitCodeRow {
    int code;
    const char* meaning;
};

inline constexpr ExitCodeRow kExitCodes[] = {
    {kExitPlayed, "played"},
    {kExitFailed, "a file could not be played, or a folder held no song"},
    {kExitUsage, "bad usage: an unknown option, a bad value, an unknown device"},
    {kExitNoDevice, "no output device (also --list without an ALSA sequencer)"},
    {128 + 1, "hung up (the terminal closed, a HUP signal)"},
    {kExitInterrupted, "interrupted (Ctrl-C, a TERM signal)"},
    {128 + 3, "quit (the terminal's quit key, a QUIT signal)"},
};
