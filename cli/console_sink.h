#pragma once
// Prints panel lines on standard error (with --verbose): a line that names a file or
// folder on disk as the path is there, any other converted from Shift_JIS to the
// terminal's character set.
#include <cstdio>
#include <mutex>

#include "core/line_sink.h"

class ConsoleSink : public LineSink {
public:
    explicit ConsoleSink(FILE* out);
    ~ConsoleSink() override;
    ConsoleSink(const ConsoleSink&) = delete;
    ConsoleSink& operator=(const ConsoleSink&) = delete;

    void print(const char* line) override;
    // On a terminal with a status line drawn in place, each line first clears it.
    void setClearLineFirst(bool on) { clearLineFirst_ = on; }
    // The window's texts are shown only when asked for.
    void setShown(bool on) { shown_ = on; }

private:
    void* converter();

    FILE* out_;
    std::once_flag converterOpened_;
    void* converter_;  // iconv_t, or null when no conversion is needed or possible
    bool clearLineFirst_ = false;
    bool shown_ = true;
};

// Converts zero-terminated Shift_JIS text into out (capacity bytes, always terminated)
// with an open converter; bytes that do not convert become '?'.
void convertSjis(void* converter, const char* text, char* out, size_t capacity);
