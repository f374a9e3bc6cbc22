#pragma once
// The embedded FluidSynth rendered offline into a WAV file, 10 ms per clock step:
// "wav:FILE". 16-bit stereo at 44.1 kHz; the same song always gives the same bytes.
#include "platform/midi_device.h"
#include "platform/posix/fluid_engine.h"

#include <cstdint>
#include <cstdio>
#include <string>

class WavMidiDevice : public MidiDevice {
public:
    static constexpr uint32_t kSampleRate = 44100;
    static constexpr uint32_t kFramesPerStep = 441; // one clock step of 10 ms
    static constexpr uint32_t kBytesPerFrame = 4;   // two channels of 16 bits

    // soundFont: null/empty for the first General MIDI SoundFont found.
    explicit WavMidiDevice(const char* path, const char* soundFont = nullptr);
    ~WavMidiDevice() override;
    WavMidiDevice(const WavMidiDevice&) = delete;
    WavMidiDevice& operator=(const WavMidiDevice&) = delete;

    // Creates (truncates) the file and loads the synth. True at once if already open.
    bool open() override;
    // Drains, then writes the final sizes into the header and closes the file. A failed
    // write at any point leaves errorText() set.
    void close() override;
    void sendShort(uint32_t message) override;
    uint32_t sendLong(const uint8_t* bytes, uint32_t count) override;
    // Renders kFramesPerStep frames and appends them. After a write failure it renders
    // nothing more: the file is lost already and the song plays on silently.
    void endStep() override;
    // Lets the music end: renders on until the output has stayed below -90 dBFS for
    // 100 ms since the last message, at most 10 s more.
    void drain() override;
    const char* errorText() const override { return error_.c_str(); }

    uint32_t framesWritten() const { return dataBytes_ / kBytesPerFrame; }

    static constexpr uint32_t kQuietFrames = kSampleRate / 10;  // 100 ms
    static constexpr uint32_t kMaxTailFrames = kSampleRate * 10;

private:
    void fail(const char* what, int err);
    // One step of audio appended; false when nothing more can be written.
    bool renderStep();

    std::string path_;
    std::string soundFontArg_;
    std::string error_;
    FluidEngine engine_;
    std::FILE* file_ = nullptr;
    uint32_t dataBytes_ = 0;
    bool failed_ = false;
    // Frames at the end of the output below -90 dBFS, none counted before the last
    // message; kQuietFrames or more: nothing is left to ring out.
    uint32_t quietFrames_ = kQuietFrames;
    float left_[kFramesPerStep];
    float right_[kFramesPerStep];
    uint8_t block_[kFramesPerStep * kBytesPerFrame];
};
