#pragma once
// The 80 x 80 character animation in the window's lower right corner, drawn from the
// 26-frame skin bitmap and stepped in sixteenth notes of the playing song.
#include <cstdint>

#include "platform/relaxed.h"

struct DisplaySurfaces;

constexpr int kSkinWidth = 2080;
constexpr int kSkinHeight = 80;
constexpr int kSkinFrameSize = 80;
constexpr int kSkinFrameCount = 26;
constexpr int kSkinFrameX = 210;  // where the frame shows in the back surface and window
constexpr int kSkinFrameY = 172;
constexpr char kDefaultSkinPath[] = "kivo\\default.bmp";

struct SkinAnimation {
    Relaxed<int32_t> frame{1};         // drawn by the next step
    Relaxed<int32_t> shownFrame{0};    // drawn last; -1 forces a redraw
    Relaxed<bool> redrawPending{false};
};

// What a step reads from the sequencer, copied by the caller.
struct AnimationInput {
    bool playing = false;
    bool songLoaded = false;
    int32_t bpm = 0;
    int32_t tick = 0;
    int32_t division = 0;
};

// A skin bitmap is accepted only at exactly 2080 x 80 pixels.
bool skinSizeAccepted(int32_t width, int32_t height);

// The frame the animation moves to: 0 or 1 when not playing, otherwise the tempo's group
// (10 below 100 bpm, 18 above 180, else 2) plus the sixteenth note within two quarter
// notes. Always 0..25, whatever the division.
int32_t nextFrame(const AnimationInput& in);

// One animation step: draws the pending frame (skin surface -> back surface -> window)
// and picks the next. Does nothing while skinReloading is set. Without surfaces it still
// advances the state, and the frame stays pending until it can be drawn. Takes the draw
// lock of the surfaces for the whole step, so the animation thread and the
// user-interface thread can both call it.
void stepAnimation(SkinAnimation& anim, DisplaySurfaces& surfaces, const AnimationInput& in, bool skinReloading);

// The animation thread's loop, with its clock, sleep and step injected. Steps at most once
// every 50 ms of the 32-bit millisecond clock and sleeps 23 ms between checks; a clock
// that wraps starts a new wait. Returns when running is cleared.
struct AnimationLoopOps {
    uint32_t (*now)(void* context);
    void (*sleep)(void* context, uint32_t ms);
    void (*step)(void* context);
    void* context;
};
constexpr uint32_t kAnimationPeriodMs = 50;
constexpr uint32_t kAnimationSleepMs = 23;
void runAnimationLoop(const Relaxed<bool>& running, const AnimationLoopOps& ops);
