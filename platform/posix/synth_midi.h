#pragma once
// MIDI output to the embedded FluidSynth playing on the default audio output:
// "synth" or "synth:FILE.sf2".
#include "platform/midi_device.h"
#include "platform/posix/fluid_engine.h"

#include <string>

struct _fluid_audio_driver_t;

class SynthMidiDevice : public MidiDevice {
public:
    // soundFont: a .sf2/.sf3 file, or null/empty for the first General MIDI SoundFont found.
    explicit SynthMidiDevice(const char* soundFont = nullptr);
    ~SynthMidiDevice() override;
    SynthMidiDevice(const SynthMidiDevice&) = delete;
    SynthMidiDevice& operator=(const SynthMidiDevice&) = delete;

    // Starts the synth on PulseAudio, else on ALSA, and loads the SoundFont. False (with
    // errorText) when there is no SoundFont or no audio output. True at once if already open.
    bool open() override;
    void close() override;
    void sendShort(uint32_t message) override;
    uint32_t sendLong(const uint8_t* bytes, uint32_t count) override;
    const char* errorText() const override { return error_.c_str(); }

    // For the player's status line: the SoundFont loaded and the audio driver in use.
    const char* soundFontPath() const { return engine_.soundFont.c_str(); }
    const char* audioDriverName() const { return driverName_; }

private:
    std::string soundFontArg_;
    std::string error_;
    FluidEngine engine_;
    _fluid_audio_driver_t* driver_ = nullptr;
    const char* driverName_ = "";
};
