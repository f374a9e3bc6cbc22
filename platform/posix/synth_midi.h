#pragma once
// MIDI output to the embedded FluidSynth playing on the default audio output:
// "synth" or "synth:FILE.sf2". Each step's messages are played at their places within
// the step, a fixed latency behind the playback thread, on the synth's own clock.
#include "platform/midi_device.h"
#include "platform/posix/fluid_engine.h"
#include "platform/posix/live_schedule.h"
#include "platform/posix/step_queue.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

struct _fluid_audio_driver_t;
struct _fluid_sequencer_t;
struct _fluid_event_t;

class SynthMidiDevice : public MidiDevice {
public:
    // soundFont: a .sf2/.sf3 file, or null/empty for the first General MIDI SoundFont
    // found. audioFile: null for the audio output; else FluidSynth's "file" audio driver
    // writes what the synth plays, in real time, into that file (as a machine without a
    // sound card can measure the live output).
    explicit SynthMidiDevice(const char* soundFont = nullptr, const char* audioFile = nullptr);
    ~SynthMidiDevice() override;
    SynthMidiDevice(const SynthMidiDevice&) = delete;
    SynthMidiDevice& operator=(const SynthMidiDevice&) = delete;

    // Starts the synth on PulseAudio, else on ALSA, and loads the SoundFont. False (with
    // errorText) when there is no SoundFont or no audio output. True at once if already open.
    bool open() override;
    void close() override;
    void sendShort(uint32_t message) override;
    uint32_t sendLong(const uint8_t* bytes, uint32_t count) override;
    void setStepPlace(uint32_t place) override { place_.store(place, std::memory_order_relaxed); }
    // Times the step's messages by their places and hands them to the audio thread.
    void endStep(uint32_t wallPeriodMs) override;
    // Returns once the synth has played what was handed over (at most a moment more than
    // the latency).
    void drain() override;
    const char* errorText() const override { return error_.c_str(); }

    // For the player's status line: the SoundFont loaded and the audio driver in use.
    const char* soundFontPath() const { return engine_.soundFont.c_str(); }
    const char* audioDriverName() const { return driverName_; }

private:
    bool startAudio();
    bool startSequencer();
    // The step's messages so far, timed and handed over.
    void scheduleQueued(uint32_t periodMs);
    // Hands one message over, due at dueMs; waits a little for room when the audio
    // thread lags far behind.
    void handOver(uint32_t dueMs, uint32_t message, const uint8_t* bytes, uint32_t count);
    uint32_t synthNowMs() const;
    // Audio thread: the sequencer calls it at every block; it applies what is due.
    static void onBlock(unsigned int time, _fluid_event_t* event, _fluid_sequencer_t* seq, void* data);

    std::string soundFontArg_;
    std::string audioFile_;
    std::string error_;
    FluidEngine engine_;
    _fluid_audio_driver_t* driver_ = nullptr;
    _fluid_sequencer_t* sequencer_ = nullptr;
    _fluid_event_t* tick_ = nullptr; // the audio thread's own event, re-sent every block
    short client_ = -1;
    const char* driverName_ = "";

    std::atomic<uint32_t> place_{kOutsideStep};
    StepQueue queue_;                 // the stepping thread's alone
    std::mutex sendLock_;             // one sender at a time hands over
    std::unique_ptr<StepTimeline> timeline_;
    uint32_t periodMs_ = 10;          // of the last step
    LiveQueue live_;
};
