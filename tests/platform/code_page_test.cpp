// Names for the ANSI calls through the code-page seam, under a Japanese code page and
// under UTF-8, which Windows 10 and 11 may make the ANSI code page.
#include "platform/code_page.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/fake_code_page.h"

namespace {

TEST(CodePage, PathsAndTheCommandLineSongForTheAnsiCalls) {
    fakeShortNames() = {{L"C:\\Caf\u00E9.mid", L"C:\\CAFE~1.MID"}, {L"C:\\x\xD800.mid", L"C:\\X~1.MID"}};
    const struct { unsigned codePage; const wchar_t* path; const char* ansi; bool exact; } cases[] = {
        {kFakeJapaneseCodePage, L"C:\\song.mid", "C:\\song.mid", true},
        {kFakeJapaneseCodePage, L"C:\\\u65E5\u672C.mid", "C:\\\x93\xFA\x96\x7B.mid", true},
        {kFakeJapaneseCodePage, L"C:\\Caf\u00E9.mid", "C:\\CAFE~1.MID", true},
        // No short form: the "?" names no file, and the caller is told.
        {kFakeJapaneseCodePage, L"C:\\\uD55C.mid", "C:\\?.mid", false},
        // UTF-8 spells every name as it is (a failed conversion would leave them empty).
        {kUtf8CodePage, L"C:\\song.mid", "C:\\song.mid", true},
        {kUtf8CodePage, L"C:\\Caf\u00E9.mid", "C:\\Caf\xC3\xA9.mid", true},
        {kUtf8CodePage, L"C:\\\uD55C.mid", "C:\\\xED\x95\x9C.mid", true},
        // A lone surrogate is the one thing it cannot spell.
        {kUtf8CodePage, L"C:\\x\xD800.mid", "C:\\X~1.MID", true},
    };
    for (const auto& c : cases) {
        const CodePageConverter cp = fakeCodePage(c.codePage);
        char out[64];
        bool exact = !c.exact;
        EXPECT_EQ(ansiPathOf(cp, c.path, out, sizeof out, &exact), std::strlen(c.ansi)) << c.ansi;
        EXPECT_EQ(std::string(out), c.ansi);
        EXPECT_EQ(exact, c.exact) << c.ansi;
        // The same path as the command line's song: kept in its quotes when spelled.
        const std::wstring line = L"\"C:\\Orvanel.exe\"  \"" + std::wstring(c.path) + L"\"";
        ansiArgumentsOf(cp, line.c_str(), out, sizeof out);
        const std::string song = out[0] == '"' ? std::string(out + 1, std::strlen(out) - 2) : out;
        EXPECT_EQ(song, c.ansi);
        // A buffer too small is left empty and told the length needed.
        EXPECT_EQ(ansiPathOf(cp, c.path, out, std::strlen(c.ansi)), std::strlen(c.ansi));
        EXPECT_EQ(out[0], '\0');
    }
}

}  // namespace
