#include "cli/console_sink.h"

#include <iconv.h>
#include <langinfo.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "cli/terminal.h"

ConsoleSink::ConsoleSink(FILE* out) : out_(out), converter_(nullptr) {}

// Opened at the first text that needs it: iconv loads a converter module of its own, a
// cost that a run printing no window text should not pay at start-up.
void* ConsoleSink::converter() {
    std::call_once(converterOpened_, [this] {
        const char* charset = nl_langinfo(CODESET);
        if (!charset || !*charset) charset = "UTF-8";
        // Pure ASCII terminals still get a readable line through UTF-8.
        if (std::strcmp(charset, "ANSI_X3.4-1968") == 0) charset = "UTF-8";
        iconv_t cd = iconv_open(charset, "CP932");
        if (cd == reinterpret_cast<iconv_t>(-1)) cd = iconv_open(charset, "SHIFT_JIS");
        if (cd != reinterpret_cast<iconv_t>(-1)) converter_ = cd;
    });
    return converter_;
}

ConsoleSink::~ConsoleSink() {
    if (converter_) iconv_close(static_cast<iconv_t>(converter_));
}

void convertSjis(void* converter, const char* text, char* out, size_t capacity) {
    if (capacity == 0) return;
    if (!converter) {
        std::strncpy(out, text, capacity - 1);
        out[capacity - 1] = '\0';
        return;
    }
    iconv_t cd = static_cast<iconv_t>(converter);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(text);
    size_t inLeft = std::strlen(text);
    char* o = out;
    size_t oLeft = capacity - 1;
    while (inLeft > 0 && oLeft > 0) {
        if (iconv(cd, &in, &inLeft, &o, &oLeft) != static_cast<size_t>(-1)) break;
        // A full buffer ends the text, also when it filled up just before a bad byte.
        if (errno == E2BIG || oLeft == 0) break;
        // An invalid or cut-off character: show a '?' and go on after its first byte.
        *o++ = '?';
        --oLeft;
        ++in;
        --inLeft;
    }
    *o = '\0';
}

void ConsoleSink::print(const char* line) {
    if (!shown_) return;
    char converted[2048];
    // Names on disk are bytes (UTF-8 here), not Shift_JIS: converted they would be garbled.
    struct stat st;
    if (line[0] && lstat(line, &st) == 0) {
        const std::string shown = displayPath(line);
        std::snprintf(converted, sizeof converted, "%s", shown.c_str());
    } else {
        convertSjis(converter(), line, converted, sizeof converted);
    }
    std::fprintf(out_, "%s%s\n", clearLineFirst_ ? "\r\x1b[K" : "", converted);
    std::fflush(out_);
}
