#include "platform/win32/ansi_path.h"

#include <windows.h>

#include <cwchar>

namespace {

// A dropped path may be 1023 characters long; a short form is never longer.
constexpr DWORD kWidePathSize = 1024;

}  // namespace

bool spelledExactly(const wchar_t* wide) {
    BOOL defaulted = FALSE;
    const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, nullptr, 0, nullptr, &defaulted);
    return n > 0 && !defaulted;
}

size_t toAnsi(const wchar_t* wide, char* out, size_t size) {
    if (size > 0) out[0] = '\0';
    const int need = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, nullptr, 0, nullptr, nullptr);
    if (need <= 0) return 0;
    if (static_cast<size_t>(need) <= size)
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, out, need, nullptr, nullptr);
    return static_cast<size_t>(need - 1);
}

size_t ansiPathOf(const wchar_t* path, char* out, size_t size) {
    wchar_t shortPath[kWidePathSize];
    if (!spelledExactly(path)) {
        const DWORD n = GetShortPathNameW(path, shortPath, kWidePathSize);
        if (n > 0 && n < kWidePathSize && spelledExactly(shortPath)) return toAnsi(shortPath, out, size);
    }
    return toAnsi(path, out, size);
}

size_t ansiArgumentsOf(const wchar_t* commandLine, char* out, size_t size) {
    // The program's name as Windows takes it: up to the closing quote when it starts with
    // one, else up to the first blank; then the blanks after it.
    const wchar_t* p = commandLine;
    if (*p == L'"') {
        ++p;
        while (*p && *p != L'"') ++p;
        if (*p) ++p;
    } else {
        while (*p && *p != L' ' && *p != L'\t') ++p;
    }
    while (*p == L' ' || *p == L'\t') ++p;
    if (spelledExactly(p)) return toAnsi(p, out, size);
    wchar_t path[kWidePathSize];
    size_t length = std::wcslen(p);
    if (length >= 2 && p[0] == L'"' && p[length - 1] == L'"') {
        ++p;
        length -= 2;
    }
    if (length >= kWidePathSize) return toAnsi(p, out, size);
    wmemcpy(path, p, length);
    path[length] = L'\0';
    return ansiPathOf(path, out, size);
}
