#pragma once
// A sequencer wired to a capture device and a recording panel, with helpers to load a
// song from bytes and to play it step by step as the playback thread does.
#include <memory>
#include <string>

#include "core/settings.h"
#include "sequencer/sequencer.h"
#include "tests/support/capture.h"
#include "tests/support/smf_builder.h"

struct PlayerFixture {
    PlayerFixture() : seq(new Sequencer) {
        seq->settings = &settings;
        seq->panel = &panel;
        seq->port.attach(&device);
        initSequencer(*seq);
        seq->port.open();
    }
    ~PlayerFixture() { unloadSong(*seq); }

    // Writes the bytes to a scratch file and loads it.
    bool load(const Bytes& file, const char* name = "song.mid") {
        const std::string path = scratchPath(name);
        if (!writeBytes(path, file)) return false;
        return loadSong(*seq, path.c_str());
    }

    // Starts playback without a reset and runs live steps until the song stops or
    // maxSteps have run; returns the steps run. Messages are stamped with the step.
    uint32_t play(uint32_t maxSteps = 100000) {
        rewind(*seq);
        seq->playing = true;
        return resume(maxSteps);
    }
    uint32_t resume(uint32_t maxSteps) {
        uint32_t n = 0;
        while (seq->playing && n < maxSteps) {
            device.step = ++stepNumber;
            step(*seq, nullptr, true);
            seq->elapsedSteps = seq->elapsedSteps + 1;
            ++n;
        }
        return n;
    }

    Settings settings;
    CaptureDevice device;
    RecordingSink panel;
    std::unique_ptr<Sequencer> seq;
    uint32_t stepNumber = 0;
};
