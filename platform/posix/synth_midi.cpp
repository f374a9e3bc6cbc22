#include "platform/posix/synth_midi.h"

#ifdef ORVANEL_HAVE_FLUIDSYNTH

#include <cerrno>
#include <chrono>
#include <fluidsynth.h>
#include <thread>

namespace {

// How long a sender waits for the audio thread to make room, and how long drain waits
// for what was handed over to be played, beyond the latency.
constexpr auto kRoomWait = std::chrono::milliseconds(200);
constexpr auto kPoll = std::chrono::milliseconds(2);

} // namespace

SynthMidiDevice::SynthMidiDevice(const char* soundFont, const char* audioFile)
    : soundFontArg_(soundFont ? soundFont : ""), audioFile_(audioFile ? audioFile : "")
{
}

SynthMidiDevice::~SynthMidiDevice() { close(); }

bool SynthMidiDevice::open()
{
    if (driver_)
        return true;
    error_.clear();
    std::string path;
    if (!resolveSoundFont(soundFontArg_.c_str(), path, error_))
        return false;
    if (!fluidEngineStart(engine_, false, error_))
        return false;
    // The audio output is the likelier failure and costs nothing to try, so it comes
    // before loading a SoundFont of a hundred megabytes.
    if (!startSequencer() || !startAudio() || !fluidEngineLoad(engine_, path, error_)) {
        close();
        return false;
    }
    return true;
}

bool SynthMidiDevice::startSequencer()
{
    double rate = 44100.0;
    fluid_settings_getnum(engine_.settings, "synth.sample-rate", &rate);
    timeline_.reset(new StepTimeline(uint32_t(rate)));
    live_.clear();
    queue_.clear();
    // Driven by the synth's own sample clock: the sequencer runs once per block, in ms.
    sequencer_ = new_fluid_sequencer2(0);
    tick_ = new_fluid_event();
    if (!sequencer_ || !tick_ || fluid_sequencer_register_fluidsynth(sequencer_, engine_.synth) == FLUID_FAILED) {
        error_ = "cannot start the synth's sequencer";
        return false;
    }
    client_ = fluid_sequencer_register_client(sequencer_, "orvanel-play", onBlock, this);
    if (client_ == FLUID_FAILED) {
        error_ = "cannot start the synth's sequencer";
        return false;
    }
    fluid_event_set_source(tick_, -1);
    fluid_event_set_dest(tick_, client_);
    fluid_event_timer(tick_, nullptr);
    fluid_sequencer_send_at(sequencer_, tick_, 0, 1);
    return true;
}

bool SynthMidiDevice::startAudio()
{
    fluid_settings_t* s = engine_.settings;
    static const char* const outputs[] = {"pulseaudio", "alsa"};
    static const char* const toFile[] = {"file"};
    const bool file = !audioFile_.empty();
    const char* const* first = file ? toFile : outputs;
    const char* const* last = file ? toFile + 1 : outputs + 2;
    if (file) {
        fluid_settings_setstr(s, "audio.file.name", audioFile_.c_str());
        fluid_settings_setstr(s, "audio.file.type", "wav");
        // The file driver renders a period every whole ms: 10 ms periods keep it in time.
        double rate = 44100.0;
        fluid_settings_getnum(s, "synth.sample-rate", &rate);
        fluid_settings_setint(s, "audio.period-size", int(rate / 100));
    }
    std::string causes;
    for (const char* const* it = first; it != last; ++it) {
        const char* name = *it;
        if (fluid_settings_setstr(s, "audio.driver", name) != FLUID_OK) {
            causes += std::string(causes.empty() ? "" : "; ") + name + ": not built in";
            continue;
        }
        clearFluidError();
        driver_ = new_fluid_audio_driver(s, engine_.synth);
        if (driver_) {
            driverName_ = name;
            return true;
        }
        const std::string cause = lastFluidError();
        causes += std::string(causes.empty() ? "" : "; ") + name + ": " + (cause.empty() ? "failed" : cause);
    }
    error_ = "no audio output for the embedded synth (" + causes + ")";
    return false;
}

void SynthMidiDevice::close()
{
    // The driver calls into the synth and the sequencer from its own thread, so it goes
    // first; the sequencer takes its clock from the synth, so it goes before it.
    if (driver_)
        delete_fluid_audio_driver(driver_);
    driver_ = nullptr;
    driverName_ = "";
    if (sequencer_)
        delete_fluid_sequencer(sequencer_);
    sequencer_ = nullptr;
    if (tick_)
        delete_fluid_event(tick_);
    tick_ = nullptr;
    client_ = -1;
    fluidEngineStop(engine_);
}

void SynthMidiDevice::onBlock(unsigned int time, fluid_event_t* event, fluid_sequencer_t* seq, void* data)
{
    if (fluid_event_get_type(event) != FLUID_SEQ_TIMER)
        return; // the client is going away
    auto* self = static_cast<SynthMidiDevice*>(data);
    self->live_.dispatch(time, [self](const LiveQueue::Entry& e, const uint8_t* bytes) {
        if (bytes)
            fluidEngineSendLong(self->engine_, bytes, e.longLength);
        else
            fluidEngineSendShort(self->engine_, e.message);
    });
    // Again at the next block: blocks last more than a ms at the usual rates.
    fluid_sequencer_send_at(seq, self->tick_, time + 1, 1);
}

uint32_t SynthMidiDevice::synthNowMs() const { return fluid_sequencer_get_tick(sequencer_); }

void SynthMidiDevice::handOver(uint32_t dueMs, uint32_t message, const uint8_t* bytes, uint32_t count)
{
    const auto give = std::chrono::steady_clock::now() + kRoomWait;
    for (;;) {
        if (bytes ? live_.pushLong(dueMs, bytes, count) : live_.push(dueMs, message))
            return;
        // Dropped only when the audio thread has not taken anything for a long while.
        if (std::chrono::steady_clock::now() > give)
            return;
        std::this_thread::sleep_for(kPoll);
    }
}

void SynthMidiDevice::sendShort(uint32_t message)
{
    if (!driver_)
        return;
    const uint32_t place = place_.load(std::memory_order_relaxed);
    if (place == kOutsideStep) {
        // After everything handed over before: the queue keeps the order.
        std::lock_guard<std::mutex> hold(sendLock_);
        handOver(synthNowMs(), message, nullptr, 0);
        return;
    }
    if (!queue_.add(place, message)) {
        scheduleQueued(periodMs_);
        queue_.add(place, message);
    }
}

uint32_t SynthMidiDevice::sendLong(const uint8_t* bytes, uint32_t count)
{
    if (!bytes || count == 0 || bytes[0] != 0xF0)
        return EINVAL;
    if (!driver_ || !engine_.synth)
        return ENODEV;
    if (count > LiveQueue::kLongBytes)
        return EINVAL;
    const uint32_t place = place_.load(std::memory_order_relaxed);
    if (place != kOutsideStep) {
        if (!queue_.addLong(place, bytes, count)) {
            scheduleQueued(periodMs_);
            queue_.addLong(place, bytes, count);
        }
        return 0;
    }
    std::lock_guard<std::mutex> hold(sendLock_);
    handOver(synthNowMs(), 0, bytes, count);
    return 0;
}

void SynthMidiDevice::scheduleQueued(uint32_t periodMs)
{
    timeline_->beginStep(synthNowMs(), periodMs);
    queue_.sort();
    std::lock_guard<std::mutex> hold(sendLock_);
    for (const StepQueue::Message& m : queue_)
        handOver(timeline_->dueMs(m.place), m.message, m.longLength ? queue_.longBytes(m) : nullptr, m.longLength);
    queue_.clear();
}

void SynthMidiDevice::endStep(uint32_t wallPeriodMs)
{
    if (!driver_)
        return;
    scheduleQueued(wallPeriodMs);
    timeline_->endStep();
    periodMs_ = wallPeriodMs;
}

void SynthMidiDevice::drain()
{
    if (!driver_)
        return;
    const auto give = std::chrono::steady_clock::now() + std::chrono::milliseconds(StepTimeline::kLatencyMs) + kRoomWait;
    while (!live_.empty() && std::chrono::steady_clock::now() < give)
        std::this_thread::sleep_for(kPoll);
}

#endif // ORVANEL_HAVE_FLUIDSYNTH
