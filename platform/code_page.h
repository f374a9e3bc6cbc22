#pragma once
// Names between the wide (UTF-16) text Windows gives and the ANSI code page that the
// program's calls take. A name the code page cannot spell (accented Latin on a Japanese
// system, Korean, many symbols) comes out with "?" or a look-alike ("Café" as "Cafe"),
// which names a file that does not exist or another one; such a name is taken by its
// short (8.3) form, which names the same file in plain ASCII.
//
// The conversion goes through a seam, so its rules are checked for every code page,
// UTF-8 included, on any machine: Windows passes WideCharToMultiByte, GetShortPathNameW
// and its ANSI code page; tests pass converters of their own.
#include <cstddef>

#include "platform/folders.h"

struct CodePageConverter {
    unsigned codePage;  // the code page converted to
    // WideCharToMultiByte's parameters and result: bytes written (or needed when outSize
    // is 0), the zero byte included for a wideLength of -1; 0 on failure.
    int (*convert)(unsigned codePage, unsigned long flags, const wchar_t* wide, int wideLength, char* out,
                   int outSize, const char* defaultChar, int* usedDefault);
    // GetShortPathNameW's: characters written, or the size needed when size is too small;
    // 0 when the file has no short form or cannot be found.
    unsigned long (*shortPath)(const wchar_t* path, wchar_t* out, unsigned long size);
};

constexpr unsigned kUtf8CodePage = 65001;
constexpr unsigned kGb18030CodePage = 54936;
constexpr unsigned long kNoBestFitFlag = 0x400;       // WC_NO_BEST_FIT_CHARS
constexpr unsigned long kInvalidCharsFailFlag = 0x80;  // WC_ERR_INVALID_CHARS

// Whether the code page spells wide exactly (no default character, no best fit).
bool spelledExactly(const CodePageConverter& c, const wchar_t* wide);
// wide in the code page, without best fit (what it cannot spell becomes "?", which no
// file name holds). Returns the length needed without the zero byte; out (size bytes) is
// left empty when that does not fit.
size_t toAnsi(const CodePageConverter& c, const wchar_t* wide, char* out, size_t size);
// A path for the ANSI calls: as it is when the code page spells it, else its short form
// when the file has one that the code page spells. Returns the length needed, as toAnsi.
// exact, when given, tells whether the result names the file (false: it holds a "?").
size_t ansiPathOf(const CodePageConverter& c, const wchar_t* path, char* out, size_t size,
                  bool* exact = nullptr);
// The text after the program's name in a command line (GetCommandLineW), for the ANSI
// calls: as it is, or, when the code page cannot spell it, the short form of the path it
// names (one pair of surrounding quotes taken off). Returns the length needed.
size_t ansiArgumentsOf(const CodePageConverter& c, const wchar_t* commandLine, char* out, size_t size);
// The name of a listed entry from its long and short (possibly empty) names: the long one
// when the code page spells it, else the short one; neither (or too long for the entry)
// leaves the name empty and nameTooLong set, as a "?" in it would be a wildcard.
void takeFolderEntryName(const CodePageConverter& c, const wchar_t* name, const wchar_t* shortName,
                         FolderEntry& entry);
