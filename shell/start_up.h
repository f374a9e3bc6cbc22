#pragma once
// The portable parts of the program's start and end: the song named on the command
// line, and the shutdown that stops every thread before it releases what they use.
#include <cstddef>

struct Program;

// Takes the command line (the text after the program's name) into songPath. Windows
// passes a path with spaces in double quotes, and a path cannot hold a double quote, so
// one pair of surrounding quotes is removed. Returns whether a command line was given;
// one that does not fit songPath leaves songPath empty (a cut path would name another
// file).
bool takeCommandLine(const char* commandLine, char* songPath, size_t size);

// Loads and plays songPath (given on the command line) with the reset message when
// asked; captions "stop" and " ", the song's title. A failed load is not reported.
void startCommandLineSong(Program& p);

// Shutdown up to the greeting: playback stopped (the thread has left), the song
// released, the device silenced and closed, the folder search stopped (its thread has
// left) and its handles closed, a drop run's files answered. The play list's entries
// may be released after it.
void stopEverything(Program& p);
