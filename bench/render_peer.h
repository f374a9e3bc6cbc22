#pragma once
// What the render benchmarks render with and compare with: the first General MIDI
// SoundFont installed and the fluidsynth command line.
#include <cstdio>

#include "bench/bench_support.h"
#include "platform/posix/fluid_engine.h"

namespace bench {

// The SoundFont, or null after a line saying that there is nothing to measure; whether
// fluidsynth is there to compare with (a line says so when it is not).
inline const char* renderSoundFont(bool& withFluidsynth) {
    const char* soundFont = findDefaultSoundFont();
    if (!soundFont) {
        std::printf("no General MIDI SoundFont installed: no render to measure\n");
        return nullptr;
    }
    withFluidsynth = haveProgram("fluidsynth");
    if (!withFluidsynth) std::printf("fluidsynth is not installed (make setup-bench): no comparison with it\n");
    return soundFont;
}

}  // namespace bench
