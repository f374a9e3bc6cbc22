#include "platform/code_page.h"

#include <cwchar>

namespace {

// A dropped path may be 1023 characters long; a short form is never longer.
constexpr unsigned long kWidePathSize = 1024;

// UTF-8 (Windows 10 and 11 can make it the ANSI code page) and GB18030 spell every
// character. Windows refuses their conversion when asked for no best fit or whether the
// default character was used: only WC_ERR_INVALID_CHARS may be given, and it fails the
// conversion of a lone surrogate, the one thing they cannot spell.
bool spellsEverything(unsigned codePage) { return codePage == kUtf8CodePage || codePage == kGb18030CodePage; }

}  // namespace

bool spelledExactly(const CodePageConverter& c, const wchar_t* wide) {
    if (spellsEverything(c.codePage))
        return c.convert(c.codePage, kInvalidCharsFailFlag, wide, -1, nullptr, 0, nullptr, nullptr) > 0;
    int defaulted = 0;
    const int n = c.convert(c.codePage, kNoBestFitFlag, wide, -1, nullptr, 0, nullptr, &defaulted);
    return n > 0 && !defaulted;
}

size_t toAnsi(const CodePageConverter& c, const wchar_t* wide, char* out, size_t size) {
    if (size > 0) out[0] = '\0';
    const unsigned long flags = spellsEverything(c.codePage) ? 0 : kNoBestFitFlag;
    const int need = c.convert(c.codePage, flags, wide, -1, nullptr, 0, nullptr, nullptr);
    if (need <= 0) return 0;
    if (static_cast<size_t>(need) <= size) c.convert(c.codePage, flags, wide, -1, out, need, nullptr, nullptr);
    return static_cast<size_t>(need - 1);
}

size_t ansiPathOf(const CodePageConverter& c, const wchar_t* path, char* out, size_t size, bool* exact) {
    const bool spelled = spelledExactly(c, path);
    if (exact) *exact = spelled;
    if (!spelled) {
        wchar_t shortPath[kWidePathSize];
        const unsigned long n = c.shortPath(path, shortPath, kWidePathSize);
        if (n > 0 && n < kWidePathSize && spelledExactly(c, shortPath)) {
            if (exact) *exact = true;
            return toAnsi(c, shortPath, out, size);
        }
    }
    return toAnsi(c, path, out, size);
}

size_t ansiArgumentsOf(const CodePageConverter& c, const wchar_t* commandLine, char* out, size_t size) {
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
    if (spelledExactly(c, p)) return toAnsi(c, p, out, size);
    wchar_t path[kWidePathSize];
    size_t length = std::wcslen(p);
    if (length >= 2 && p[0] == L'"' && p[length - 1] == L'"') {
        ++p;
        length -= 2;
    }
    if (length >= kWidePathSize) return toAnsi(c, p, out, size);
    std::wmemcpy(path, p, length);
    path[length] = L'\0';
    return ansiPathOf(c, path, out, size);
}

void takeFolderEntryName(const CodePageConverter& c, const wchar_t* name, const wchar_t* shortName,
                         FolderEntry& entry) {
    if (!spelledExactly(c, name) && shortName != nullptr && shortName[0] != L'\0') name = shortName;
    entry.nameTooLong = !spelledExactly(c, name) || toAnsi(c, name, entry.name, sizeof entry.name) >= sizeof entry.name;
    if (entry.nameTooLong) entry.name[0] = '\0';
}
