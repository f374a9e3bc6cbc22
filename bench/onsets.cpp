// How exactly notes start in the audio: a song of isolated notes whose times fall
// anywhere within the 10 ms steps, rendered by orvanel-play --device=wav, by
// fluidsynth -F with the same SoundFont, and played live by the synth device in real
// time into FluidSynth's "file" audio driver. The figure is the spread of the note
// starts against the song's times (largest minus smallest error, so the constant delay
// of the attack and of the latency drops out); one synth block is 64 frames, 1.45 ms.
// Three rounds: median [range].
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "bench/render_peer.h"
#include "platform/posix/playback_posix.h"
#include "platform/posix/synth_midi.h"
#include "sequencer/playback.h"
#include "sequencer/sequencer.h"
#include "core/control_flags.h"
#include "core/settings.h"
#include "tests/support/onsets.h"

namespace {

using namespace bench;

// The spread in ms of the note starts in a WAV file; NAN when it cannot be measured.
double spreadMs(const std::string& wav, const OnsetSong& song) {
    Audio audio;
    if (!readWav(wav, audio)) return NAN;
    return onsetSpread(findOnsets(audio, song.times), song.times) * 1000;
}

#ifdef ORVANEL_HAVE_FLUIDSYNTH
// The song played by the playback thread on the real clock to the live synth device,
// whose audio FluidSynth's file driver writes in real time.
bool playLive(const std::string& midi, const std::string& wav) {
    SynthMidiDevice device(nullptr, wav.c_str());
    Settings settings;
    ControlFlags flags;
    PosixPlaybackPlatform clock;
    std::unique_ptr<Sequencer> seq(new Sequencer);
    seq->settings = &settings;
    seq->port.attach(&device);
    initSequencer(*seq);
    if (!seq->port.open()) {
        std::fprintf(stderr, "the synth device did not open: %s\n", device.errorText());
        return false;
    }
    bool ok = loadWholeSong(*seq, midi.c_str());
    if (ok) {
        seq->port.panic(settings.resetType, seq->channels);
        Playback pb;
        pb.seq = seq.get();
        pb.settings = &settings;
        pb.flags = &flags;
        pb.platform = &clock;
        ok = startPlayback(pb);
        while (flags.playbackThreadRunning) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        stopPlayback(pb);
        seq->port.drain();
        unloadSong(*seq);
    }
    seq->port.close(settings.resetType, seq->channels);
    return ok;
}
#endif

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
    const std::string midi = dir + "/orvanel-bench-onsets.mid", wav = dir + "/orvanel-bench-onsets.wav";
    const OnsetSong song = offGridSong();
    if (!writeBytes(midi, song.smf)) {
        std::fprintf(stderr, "cannot write into %s\n", dir.c_str());
        return 1;
    }
    std::vector<double> ours, theirs, live;
    bool failed = false;
    for (int round = 0; round < kRounds; ++round) {
        std::remove(wav.c_str());
        failed |= runProcess({play, "--device=wav:" + wav, midi}).exitCode != 0;
        ours.push_back(spreadMs(wav, song));
        if (withFluidsynth) {
            std::remove(wav.c_str());
            failed |= runProcess({"fluidsynth", "-n", "-i", "-q", "-r", "44100", "-T", "wav", "-F", wav, soundFont, midi})
                          .exitCode != 0;
            theirs.push_back(spreadMs(wav, song));
        }
        std::remove(wav.c_str());
        failed |= !playLive(midi, wav);
        live.push_back(spreadMs(wav, song));
    }
    // A round that lost a note (or its file) has no figure; it is counted instead.
    auto line = [](const char* what, std::vector<double> rounds) {
        const size_t all = rounds.size();
        rounds.erase(std::remove_if(rounds.begin(), rounds.end(), [](double v) { return std::isnan(v); }), rounds.end());
        std::printf("  %-36s %s", what, rounds.empty() ? "-" : show(spreadOf(rounds)).c_str());
        if (rounds.size() < all) std::printf("  (%zu of %zu rounds lost a note)", all - rounds.size(), all);
        std::printf("\n");
    };
    std::printf("note starts of %zu notes off the 10 ms grid, spread in ms (one synth block: 1.45 ms):\n",
                song.times.size());
    line("orvanel-play --device=wav", ours);
    if (withFluidsynth) line("fluidsynth -F", theirs);
    line("synth device, live (file driver)", live);
    std::remove(midi.c_str());
    std::remove(wav.c_str());
    if (failed) {
        std::fprintf(stderr, "a render failed\n");
        return 1;
    }
    return 0;
#endif
}
