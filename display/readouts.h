#pragma once
// The tempo and play-time boxes beside the animation, drawn into the back buffer and
// copied to the window. Either surface may be null (silent runs, no window).
#include <cstdint>

class Surface;

constexpr int kTempoBoxX = 210, kTempoBoxY = 145;
constexpr int kTimeBoxX = 210, kTimeBoxY = 159;
constexpr int kReadoutW = 80, kReadoutH = 13;

void drawTempoReadout(Surface* windowSurface, Surface* backSurface, int32_t bpm);
// "%02d:%02d / %02d:%02d" for shown and total seconds (each at most 5999).
void drawPlayTime(Surface* windowSurface, Surface* backSurface, int32_t shownSeconds,
                  int32_t totalSeconds);
