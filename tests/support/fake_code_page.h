#pragma once
// Converters for the code-page seam: UTF-8 with the rules Windows holds it to (no
// best-fit flag, no default-used pointer, or the conversion fails), and a Japanese code
// page that spells ASCII and two kanji and nothing else. Short forms come from a table.
#include <map>
#include <string>

#include "platform/code_page.h"

constexpr unsigned kFakeJapaneseCodePage = 932;

// The converter to code page (kUtf8CodePage or kFakeJapaneseCodePage).
CodePageConverter fakeCodePage(unsigned codePage);
// Short forms by long path; a path not in it has none.
std::map<std::wstring, std::wstring>& fakeShortNames();
