#pragma once
// Prints panel lines on standard error, converted from Shift_JIS to the terminal's
// character set.
#include <cstdio>

#include "display/line_sink.h"

class ConsoleSink : public LineSink {
public:
    explicit ConsoleSink(FILE* out);
    ~ConsoleSink() override;
    ConsoleSink(const ConsoleSink&) = delete;
    ConsoleSink& operator=(const ConsoleSink&) = delete;

    void print(const char* line) override;

private:
    FILE* out_;
    void* converter_;  // iconv_t, or null when no conversion is needed or possible
};

// Converts zero-terminated Shift_JIS text into out (capacity bytes, always terminated)
// with an open converter; bytes that do not convert become '?'.
void convertSjis(void* converter, const char* text, char* out, size_t capacity);
