#pragma once
// The embedded FluidSynth rendered offline into audio files: "wav:FILE" (or "file:FILE").
// A step renders its 10 ms of audio with each message applied at its own place in it, so
// a note starts within one synth block (64 frames) of its time in the song. Any format
// SoundFile writes; 16-bit WAV and FLAC have the same bytes every time for the same song.
#include "platform/midi_device.h"
#include "platform/posix/fluid_engine.h"
#include "platform/posix/sound_file.h"
#include "platform/posix/step_queue.h"

#include <cstdint>
#include <string>

class RenderMidiDevice : public MidiDevice {
public:
    static constexpr uint32_t kDefaultRate = 44100;
    static constexpr uint32_t kMinRate = 8000;
    static constexpr uint32_t kMaxRate = 96000;

    // path: the file open() starts, in the format its extension names (WAV for any
    // other); empty when the caller starts the files itself (beginFile). soundFont: empty
    // for the first General MIDI SoundFont found.
    RenderMidiDevice(const std::string& path, const std::string& soundFont, uint32_t sampleRate = kDefaultRate);
    ~RenderMidiDevice() override;
    RenderMidiDevice(const RenderMidiDevice&) = delete;
    RenderMidiDevice& operator=(const RenderMidiDevice&) = delete;

    // Loads the synth and starts the file named at construction, if any. True at once if
    // already open.
    bool open() override;
    // Drains and completes the file, then releases the synth.
    void close() override;
    void sendShort(uint32_t message) override;
    uint32_t sendLong(const uint8_t* bytes, uint32_t count) override;
    void setStepPlace(uint32_t place) override { place_ = place; }
    // Renders the step's frames, each of its messages at its place. Renders nothing when
    // no file is open or after a write failure.
    void endStep(uint32_t wallPeriodMs) override;
    // Lets the music end: renders whole steps until the output has stayed below -90 dBFS
    // for 100 ms since the last message, at most 10 s more.
    void drain() override;
    const char* errorText() const override;

    // Starts an output file. freshSynth: the synth starts over first if it has rendered
    // anything, so that each file sounds the same whatever was rendered before it (the
    // reverb and the chorus keep moving even in silence).
    bool beginFile(const std::string& path, const SoundFormat& format, bool freshSynth);
    // Completes the file and gives it its name; false with errorText() when that fails.
    bool finishFile();
    // Removes the file being written.
    void discardFile();
    // From the next frame on, the output falls to silence over frames (a gain ramp); 0:
    // no fade, the output at its full level again.
    void startFade(uint64_t frames);
    // Before open(): the gain in decibels, applied before the fade, and the synth's
    // reverb and chorus.
    void setTone(double gainDb, bool reverb, bool chorus);

    bool fileOpen() const { return file_.isOpen(); }
    uint64_t framesWritten() const { return file_.framesWritten(); }
    // Samples of the file so far that lay beyond full scale.
    uint64_t clippedSamples() const { return file_.clippedSamples(); }
    uint32_t sampleRate() const { return rate_; }
    // The unfinished file under its temporary name, "" when none.
    const char* partialPath() const { return file_.partialPath(); }

private:
    bool startSynth(FluidEngine& engine);
    void apply(const StepQueue::Message& m);
    void applyQueued();
    // Renders up to frame target of the current step.
    void renderTo(uint64_t target);
    void startStep();
    void renderStep();

    std::string path_;
    std::string soundFontArg_;
    std::string soundFont_;
    std::string error_;
    uint32_t rate_;
    FluidEngine engine_;
    SoundFile file_;
    StepQueue queue_;
    uint32_t place_ = kOutsideStep;
    bool synthUsed_ = false;
    uint64_t stepIndex_ = 0;
    uint64_t stepFrames_ = 0;
    uint64_t stepDone_ = 0;
    // Frames at the end of the output below -90 dBFS, none counted before the last
    // message; kQuietFrames or more: nothing is left to ring out.
    uint64_t quietFrames_;
    uint64_t fadeFrames_ = 0; // 0: no fade
    uint64_t fadeDone_ = 0;
    float gain_ = 1.0f;
    bool reverb_ = true;
    bool chorus_ = true;

    static constexpr uint32_t kChunk = 512;
    float left_[kChunk];
    float right_[kChunk];
    float frames_[kChunk * 2];
};
