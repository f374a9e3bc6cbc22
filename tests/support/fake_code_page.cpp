#include "tests/support/fake_code_page.h"

#include <cstring>
#include <cwchar>

namespace {

std::string spell(unsigned codePage, unsigned long flags, wchar_t c, int* usedDefault, bool& fail) {
    const unsigned long u = static_cast<unsigned long>(c);
    if (codePage == kFakeJapaneseCodePage) {
        if (u < 0x80) return std::string(1, char(u));
        if (u == 0x65E5) return "\x93\xFA";  // 日
        if (u == 0x672C) return "\x96\x7B";  // 本
        if (usedDefault) *usedDefault = 1;
        return "?";
    }
    if (u >= 0xD800 && u <= 0xDFFF) {  // a lone surrogate
        fail = fail || (flags & kInvalidCharsFailFlag) != 0;
        return "\xEF\xBF\xBD";
    }
    std::string s;
    if (u < 0x80) return std::string(1, char(u));
    if (u < 0x800) return s + char(0xC0 | (u >> 6)) + char(0x80 | (u & 0x3F));
    return s + char(0xE0 | (u >> 12)) + char(0x80 | ((u >> 6) & 0x3F)) + char(0x80 | (u & 0x3F));
}

int convert(unsigned codePage, unsigned long flags, const wchar_t* wide, int wideLength, char* out, int outSize,
            const char* defaultChar, int* usedDefault) {
    // Windows' rule for UTF-8: ERROR_INVALID_FLAGS or ERROR_INVALID_PARAMETER otherwise.
    if (codePage == kUtf8CodePage && ((flags & ~kInvalidCharsFailFlag) != 0 || defaultChar || usedDefault)) return 0;
    if (wideLength != -1) return 0;  // the program converts zero-terminated text only
    bool fail = false;
    std::string bytes;
    for (const wchar_t* p = wide; *p; ++p) bytes += spell(codePage, flags, *p, usedDefault, fail);
    const int need = static_cast<int>(bytes.size() + 1);
    if (fail || (outSize != 0 && outSize < need)) return 0;
    if (outSize != 0) std::memcpy(out, bytes.c_str(), bytes.size() + 1);
    return need;
}

unsigned long shortPath(const wchar_t* path, wchar_t* out, unsigned long size) {
    const auto found = fakeShortNames().find(path);
    if (found == fakeShortNames().end()) return 0;
    const std::wstring& s = found->second;
    if (s.size() >= size) return static_cast<unsigned long>(s.size() + 1);
    std::wmemcpy(out, s.c_str(), s.size() + 1);
    return static_cast<unsigned long>(s.size());
}

}  // namespace

CodePageConverter fakeCodePage(unsigned codePage) { return {codePage, convert, shortPath}; }

std::map<std::wstring, std::wstring>& fakeShortNames() {
    static std::map<std::wstring, std::wstring> names;
    return names;
}
