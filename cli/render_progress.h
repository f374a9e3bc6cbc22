#pragma once
// The progress line of a render on standard error. On a terminal one line per song,
// redrawn in place: "[3/12] path/song.mid  42%  01:23 / 03:10  38x"; it ends with a
// newline when the song is done. Elsewhere only the finished song's line.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

struct RenderCount {
    size_t index = 0;  // 1-based
    size_t count = 0;
};

// The line for a song: its place in the run, its path as shown, the percent done, the
// song time rendered and the whole, in steps of 10 ms, and song seconds per real second.
std::string progressText(RenderCount place, const std::string& shown, int percent, uint64_t doneSteps,
                         uint64_t totalSteps, double speed);

class RenderProgress {
public:
    RenderProgress(FILE* out, bool inPlace) : out_(out), inPlace_(inPlace) {}
    // A song begins: its place, its path as shown and its expected length in steps.
    void begin(RenderCount place, const std::string& shown, uint64_t totalSteps);
    // The expected length changed (the render learnt where the song's loop lies).
    void setTotal(uint64_t totalSteps) { total_ = totalSteps; }
    // doneSteps rendered so far; redrawn on a terminal at most every 100 ms.
    void update(uint64_t doneSteps);
    // The song is done: its line, whole, with a newline, and how many samples were
    // clipped when any were.
    void finish(uint64_t doneSteps, uint64_t clippedSamples = 0);
    // A line of its own (a skip, an error), after the line in place is moved off.
    void say(const std::string& line);
    // Moves off a line drawn in place without finishing it (the render was stopped).
    void abandon();

private:
    std::string text(uint64_t doneSteps, bool done) const;

    FILE* out_;
    bool inPlace_;
    bool drawn_ = false;
    RenderCount place_;
    std::string shown_;
    uint64_t total_ = 0;
    std::chrono::steady_clock::time_point start_, lastDraw_;
};
