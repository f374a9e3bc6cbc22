#include "display/skin_animation.h"

#include <mutex>

#include "display/display_surfaces.h"
#include "platform/drawing.h"

bool skinSizeAccepted(int32_t width, int32_t height) { return width == kSkinWidth && height == kSkinHeight; }

int32_t nextFrame(const AnimationInput& in) {
    if (!in.playing) return in.songLoaded ? 1 : 0;
    const int32_t groupStart = in.bpm < 100 ? 10 : in.bpm > 180 ? 18 : 2;
    if (in.division <= 0 || in.tick < 0) return groupStart;
    // Eight equal parts of two quarter notes: position * 8 / (2 * division). For a
    // division that is a multiple of 4 this is exactly (tick mod 2d) / (d / 4), one frame
    // per sixteenth; for any other division it still stays within the group and never
    // divides by zero. 64-bit, since 4 * position may pass 2^31.
    const int64_t twoBeats = int64_t(in.division) * 2;
    const int64_t position = int64_t(in.tick) % twoBeats;
    return groupStart + int32_t(position * 4 / in.division);
}

void stepAnimation(SkinAnimation& anim, DisplaySurfaces& surfaces, const AnimationInput& in, bool skinReloading) {
    if (skinReloading) return;
    std::lock_guard<std::mutex> hold(surfaces.drawLock);

    int32_t frame = anim.frame;
    if (frame < 0 || frame >= kSkinFrameCount) frame = 0;  // only frames of the skin are read
    if (frame != anim.shownFrame) anim.redrawPending = true;
    if (anim.redrawPending && surfacesReady(surfaces)) {
        surfaces.backSurface->copyFrom(kSkinFrameX, kSkinFrameY, kSkinFrameSize, kSkinFrameSize,
                                       *surfaces.skinSurface, kSkinFrameSize * frame, 0);
        surfaces.windowSurface->copyFrom(kSkinFrameX, kSkinFrameY, kSkinFrameSize, kSkinFrameSize,
                                         *surfaces.backSurface, kSkinFrameX, kSkinFrameY);
        anim.redrawPending = false;
    }
    anim.shownFrame = frame;

    if (in.playing) anim.redrawPending = true;
    anim.frame = nextFrame(in);
}

void runAnimationLoop(const Relaxed<bool>& running, const AnimationLoopOps& ops) {
    uint32_t last = ops.now(ops.context);
    while (running) {
        const uint32_t now = ops.now(ops.context);
        if (now < last) last = now;  // the counter wrapped: start a new wait
        // Elapsed time, not last + 50, so a wait that ends past the wrap cannot turn
        // into steps without sleeping.
        if (now - last >= kAnimationPeriodMs) {
            ops.step(ops.context);
            last = now;
        } else {
            ops.sleep(ops.context, kAnimationSleepMs);
        }
    }
}
