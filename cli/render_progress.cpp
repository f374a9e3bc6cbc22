#include "cli/render_progress.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string clockText(uint64_t steps) {
    const uint64_t seconds = steps / 100;
    char text[32];
    std::snprintf(text, sizeof text, "%02llu:%02llu", static_cast<unsigned long long>(seconds / 60),
                  static_cast<unsigned long long>(seconds % 60));
    return text;
}

}  // namespace

std::string progressText(RenderCount place, const std::string& shown, int percent, uint64_t doneSteps,
                         uint64_t totalSteps, double speed) {
    char head[48], tail[32];
    std::snprintf(head, sizeof head, "[%zu/%zu] ", place.index, place.count);
    std::snprintf(tail, sizeof tail, speed >= 10 ? "  %.0fx" : "  %.1fx", speed);
    return head + shown + "  " + std::to_string(percent) + "%  " + clockText(doneSteps) + " / " +
           clockText(totalSteps) + tail;
}

void RenderProgress::begin(RenderCount place, const std::string& shown, uint64_t totalSteps) {
    place_ = place;
    shown_ = shown;
    total_ = totalSteps;
    start_ = lastDraw_ = Clock::now();
    drawn_ = false;
}

std::string RenderProgress::text(uint64_t doneSteps, bool done) const {
    const double seconds = std::chrono::duration<double>(Clock::now() - start_).count();
    const double speed = seconds > 0 ? doneSteps / 100.0 / seconds : 0;
    // The tail of a song is not in its expected length: the count stops short of 100 % until
    // it is done, and the whole is never shown smaller than what is done.
    const uint64_t total = done || doneSteps > total_ ? doneSteps : total_;
    int percent = total ? int(doneSteps * 100 / total) : 100;
    if (!done && percent > 99) percent = 99;
    return progressText(place_, shown_, percent, doneSteps, total, speed);
}

void RenderProgress::update(uint64_t doneSteps) {
    if (!inPlace_) return;
    const Clock::time_point now = Clock::now();
    if (drawn_ && now - lastDraw_ < std::chrono::milliseconds(100)) return;
    lastDraw_ = now;
    std::fprintf(out_, "\r%s\x1b[K", text(doneSteps, false).c_str());
    std::fflush(out_);
    drawn_ = true;
}

void RenderProgress::finish(uint64_t doneSteps, uint64_t clippedSamples) {
    std::string line = text(doneSteps, true);
    if (clippedSamples)
        line += "  " + std::to_string(clippedSamples) + " samples clipped (a lower --gain avoids it)";
    std::fprintf(out_, "%s%s%s\n", inPlace_ ? "\r" : "", line.c_str(), inPlace_ ? "\x1b[K" : "");
    std::fflush(out_);
    drawn_ = false;
}

void RenderProgress::say(const std::string& line) {
    abandon();
    std::fprintf(out_, "%s\n", line.c_str());
    std::fflush(out_);
}

void RenderProgress::abandon() {
    if (drawn_) std::fputs("\n", out_);
    drawn_ = false;
}
