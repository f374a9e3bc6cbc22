// The offline render's CPU time per second of song: orvanel-play --device=wav against
// fluidsynth -F rendering the same one-minute song with the same SoundFont into WAV and
// into FLAC, whole process. Each also renders a song with no notes, and that start-up (mostly loading the
// SoundFont) is taken off for the second figure. Three rounds: median [range].
#include <cstdio>
#include <string>
#include <vector>

#include "bench/render_peer.h"
#include "tests/support/song_shapes.h"

namespace {

using namespace bench;

}  // namespace

int main(int, char** argv) {
#ifndef ORVANEL_HAVE_FLUIDSYNTH
    (void)argv;
    std::printf("built without FluidSynth: no render to measure\n");
    return 0;
#else
    bool withFluidsynth = false;
    const char* soundFont = renderSoundFont(withFluidsynth);
    if (!soundFont) return 0;
    const std::string play = programFolder(argv[0]) + "/orvanel-play";
    const std::string dir = scratchFolder();
    const std::string song = dir + "/orvanel-bench-render.mid", empty = dir + "/orvanel-bench-empty.mid";
    Track nothing;
    nothing.end(0);
    if (!writeBytes(song, renderSong()) || !writeBytes(empty, buildSmf(96, {nothing}))) {
        std::fprintf(stderr, "cannot write into %s\n", dir.c_str());
        return 1;
    }
    const double seconds = 60.0;
    bool failed = false;
    std::printf("render of a one-minute song with %s, CPU ms per song-second:\n", soundFont);
    std::printf("                                whole process      without start-up\n");
    for (const char* type : {"wav", "flac"}) {
        const std::string out = dir + "/orvanel-bench-render." + type;
        auto ours = [&](const std::string& midi) { return runProcess({play, "--device=wav:" + out, midi}); };
        auto theirs = [&](const std::string& midi) {
            return runProcess({"fluidsynth", "-n", "-i", "-q", "-r", "44100", "-T", type, "-F", out, soundFont, midi});
        };
        std::vector<double> oursRaw, oursNet, theirsRaw, theirsNet, ratioRaw, ratioNet;
        for (int round = 0; round < kRounds; ++round) {
            const Cost a = ours(song), a0 = ours(empty);
            failed = failed || a.exitCode != 0 || a0.exitCode != 0;
            oursRaw.push_back(a.cpuMs / seconds);
            oursNet.push_back((a.cpuMs - a0.cpuMs) / seconds);
            if (!withFluidsynth) continue;
            const Cost b = theirs(song), b0 = theirs(empty);
            failed = failed || b.exitCode != 0 || b0.exitCode != 0;
            theirsRaw.push_back(b.cpuMs / seconds);
            theirsNet.push_back((b.cpuMs - b0.cpuMs) / seconds);
            ratioRaw.push_back(oursRaw.back() / theirsRaw.back());
            ratioNet.push_back(oursNet.back() / theirsNet.back());
        }
        std::printf("  %-4s orvanel-play --device=wav  %-18s %s\n", type, show(spreadOf(oursRaw), "%.1f").c_str(),
                    show(spreadOf(oursNet), "%.1f").c_str());
        if (withFluidsynth) {
            std::printf("  %-4s fluidsynth -F              %-18s %s\n", type, show(spreadOf(theirsRaw), "%.1f").c_str(),
                        show(spreadOf(theirsNet), "%.1f").c_str());
            std::printf("  %-4s orvanel-play / fluidsynth  %-18s %s\n", type, show(spreadOf(ratioRaw)).c_str(),
                        show(spreadOf(ratioNet)).c_str());
        }
        std::remove(out.c_str());
    }
    std::remove(song.c_str());
    std::remove(empty.c_str());
    if (failed) {
        std::fprintf(stderr, "a render failed\n");
        return 1;
    }
    return 0;
#endif
}
