#pragma once
// Paths for the program's ANSI calls. A name the code page cannot spell (accented Latin
// on a Japanese system, Korean, many symbols) comes out of the ANSI calls with "?" or a
// look-alike ("Café" as "Cafe"), which names a file that does not exist or another one.
// Such a name is taken by its short (8.3) form, which names the same file in plain ASCII.
#include <cstddef>

// Whether the code page spells wide exactly (no default character, no best fit).
bool spelledExactly(const wchar_t* wide);
// wide in the code page, without best fit (what it cannot spell becomes "?", which no
// file name holds). Returns the length needed without the zero byte; out (size bytes) is
// left empty when that does not fit.
size_t toAnsi(const wchar_t* wide, char* out, size_t size);
// A path for the ANSI calls: as it is when the code page spells it, else its short form
// when the file has one that the code page spells. Returns the length needed, as toAnsi.
size_t ansiPathOf(const wchar_t* path, char* out, size_t size);
// The text after the program's name in a command line (GetCommandLineW), for the ANSI
// calls: as it is, or, when the code page cannot spell it, the short form of the path it
// names (one pair of surrounding quotes taken off). Returns the length needed.
size_t ansiArgumentsOf(const wchar_t* commandLine, char* out, size_t size);
