#include "platform/win32/ansi_path.h"

#include <windows.h>

static_assert(kUtf8CodePage == CP_UTF8 && kNoBestFitFlag == WC_NO_BEST_FIT_CHARS &&
                  kInvalidCharsFailFlag == WC_ERR_INVALID_CHARS,
              "the portable names of the conversion's constants are Windows' own");

namespace {

// The API's own calling convention differs from a plain function pointer's on i686.
int convert(unsigned codePage, unsigned long flags, const wchar_t* wide, int wideLength, char* out, int outSize,
            const char* defaultChar, int* usedDefault) {
    return WideCharToMultiByte(codePage, flags, wide, wideLength, out, outSize, defaultChar, usedDefault);
}

unsigned long shortPath(const wchar_t* path, wchar_t* out, unsigned long size) {
    return GetShortPathNameW(path, out, size);
}

}  // namespace

const CodePageConverter& ansiCodePage() {
    // The ANSI code page is fixed for the life of the process.
    static const CodePageConverter converter{GetACP(), convert, shortPath};
    return converter;
}
