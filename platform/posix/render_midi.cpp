#include "platform/posix/render_midi.h"

#ifdef ORVANEL_HAVE_FLUIDSYNTH

#include <cerrno>
#include <cmath>
#include <fluidsynth.h>

namespace {

// -90 dBFS: 10^(-90/20) of full scale, below half a step of the 16-bit output.
constexpr float kQuietLevel = 3.1622777e-5f;

} // namespace

RenderMidiDevice::RenderMidiDevice(const std::string& path, const std::string& soundFont, uint32_t sampleRate)
    : path_(path), soundFontArg_(soundFont), rate_(sampleRate), quietFrames_(sampleRate / 10)
{
}

RenderMidiDevice::~RenderMidiDevice() { close(); }

void RenderMidiDevice::setTone(double gainDb, bool reverb, bool chorus)
{
    gain_ = float(std::pow(10.0, gainDb / 20.0));
    reverb_ = reverb;
    chorus_ = chorus;
}

bool RenderMidiDevice::startSynth(FluidEngine& engine)
{
    engine.reverb = reverb_;
    engine.chorus = chorus_;
    return fluidEngineStart(engine, true, error_, rate_) && fluidEngineLoad(engine, soundFont_, error_);
}

bool RenderMidiDevice::open()
{
    if (engine_.synth)
        return true;
    error_.clear();
    if (rate_ < kMinRate || rate_ > kMaxRate) {
        error_ = "the sample rate must be from 8000 to 96000 Hz";
        return false;
    }
    if (!resolveSoundFont(soundFontArg_.c_str(), soundFont_, error_))
        return false;
    if (!path_.empty()) {
        SoundFormat format = SoundFormat::wav;
        soundFormatOfPath(path_, format);
        // The file first: a bad path should not cost loading the SoundFont.
        if (!file_.open(path_, format, rate_)) {
            error_ = file_.error();
            return false;
        }
    }
    if (!startSynth(engine_)) {
        fluidEngineStop(engine_);
        file_.discard();
        return false;
    }
    synthUsed_ = false;
    startStep();
    return true;
}

void RenderMidiDevice::close()
{
    if (file_.isOpen()) {
        drain();
        finishFile();
    }
    fluidEngineStop(engine_);
}

bool RenderMidiDevice::beginFile(const std::string& path, const SoundFormat& format, bool freshSynth)
{
    file_.discard();
    error_.clear();
    if (!engine_.synth) {
        error_ = "the synth is not loaded";
        return false;
    }
    if (freshSynth && synthUsed_) {
        // The new synth loads while the old one holds the SoundFont, so its samples come
        // from FluidSynth's cache instead of the disk.
        FluidEngine fresh;
        if (!startSynth(fresh)) {
            fluidEngineStop(fresh);
            return false;
        }
        fluidEngineStop(engine_);
        engine_ = fresh;
        synthUsed_ = false;
    }
    if (!file_.open(path, format, rate_)) {
        error_ = file_.error();
        return false;
    }
    queue_.clear();
    stepIndex_ = 0;
    fadeFrames_ = fadeDone_ = 0;
    quietFrames_ = rate_ / 10;
    startStep();
    return true;
}

bool RenderMidiDevice::finishFile()
{
    applyQueued();
    return file_.finish();
}

void RenderMidiDevice::discardFile()
{
    queue_.clear();
    file_.discard();
}

void RenderMidiDevice::startFade(uint64_t frames)
{
    fadeFrames_ = frames;
    fadeDone_ = 0;
}

const char* RenderMidiDevice::errorText() const
{
    return error_.empty() ? file_.error().c_str() : error_.c_str();
}

void RenderMidiDevice::apply(const StepQueue::Message& m)
{
    // Any message may start a sound, so the quiet is counted from the last one on.
    quietFrames_ = 0;
    if (m.longLength)
        fluidEngineSendLong(engine_, queue_.longBytes(m), m.longLength);
    else
        fluidEngineSendShort(engine_, m.message);
}

void RenderMidiDevice::sendShort(uint32_t message)
{
    if (place_ == kOutsideStep) {
        // Between steps: at once, after what came before.
        applyQueued();
        apply({0, 0, message, 0, 0});
        return;
    }
    if (!queue_.add(place_, message)) {
        applyQueued();
        queue_.add(place_, message);
    }
}

uint32_t RenderMidiDevice::sendLong(const uint8_t* bytes, uint32_t count)
{
    if (!bytes || count == 0 || bytes[0] != 0xF0)
        return EINVAL;
    if (!engine_.synth)
        return ENODEV;
    if (place_ != kOutsideStep && queue_.addLong(place_, bytes, count))
        return 0;
    // Between steps, or more than a step holds: at once, after what came before.
    applyQueued();
    quietFrames_ = 0;
    return fluidEngineSendLong(engine_, bytes, count);
}

void RenderMidiDevice::applyQueued()
{
    queue_.sort();
    for (const StepQueue::Message& m : queue_) {
        renderTo(stepFrames_ * m.place / kStepPlaceOne);
        apply(m);
    }
    queue_.clear();
}

void RenderMidiDevice::startStep()
{
    // Steps of 10 ms: rate / 100 frames, the remainder spread over the steps.
    stepFrames_ = (stepIndex_ + 1) * rate_ / 100 - stepIndex_ * rate_ / 100;
    stepDone_ = 0;
}

void RenderMidiDevice::renderTo(uint64_t target)
{
    if (!engine_.synth || !file_.isOpen())
        return;
    while (stepDone_ < target && !file_.failed()) {
        const uint32_t n = uint32_t(target - stepDone_ < kChunk ? target - stepDone_ : kChunk);
        fluid_synth_write_float(engine_.synth, int(n), left_, 0, 1, right_, 0, 1);
        synthUsed_ = true;
        const uint64_t quietNeeded = rate_ / 10;
        for (uint32_t i = 0; i < n; ++i) {
            float gain = gain_;
            if (fadeFrames_) {
                gain *= fadeDone_ < fadeFrames_ ? float(double(fadeFrames_ - fadeDone_) / double(fadeFrames_)) : 0.0f;
                ++fadeDone_;
            }
            frames_[2 * i] = left_[i] * gain;
            frames_[2 * i + 1] = right_[i] * gain;
            const bool quiet = std::fabs(frames_[2 * i]) < kQuietLevel && std::fabs(frames_[2 * i + 1]) < kQuietLevel;
            quietFrames_ = quiet ? quietFrames_ + (quietFrames_ < quietNeeded) : 0;
        }
        if (!file_.write(frames_, n))
            return;
        stepDone_ += n;
    }
}

void RenderMidiDevice::renderStep()
{
    applyQueued();
    renderTo(stepFrames_);
    ++stepIndex_;
    startStep();
}

void RenderMidiDevice::endStep(uint32_t) { renderStep(); }

void RenderMidiDevice::drain()
{
    const uint64_t maxTail = uint64_t(rate_) * 10;
    // A note that never ends is faded out over the last second, not cut with a click.
    const uint64_t fadeFrom = maxTail - rate_;
    for (uint64_t tail = 0; quietFrames_ < rate_ / 10 && tail < maxTail && file_.isOpen(); tail += stepFrames_) {
        if (tail >= fadeFrom && fadeFrames_ == 0)
            startFade(maxTail - tail);
        const uint64_t before = file_.framesWritten();
        renderStep();
        if (file_.framesWritten() == before)
            return; // nothing more can be written
    }
}

#else // no FluidSynth: nothing to render with

RenderMidiDevice::RenderMidiDevice(const std::string& path, const std::string& soundFont, uint32_t sampleRate)
    : path_(path), soundFontArg_(soundFont), rate_(sampleRate), quietFrames_(0)
{
}
RenderMidiDevice::~RenderMidiDevice() = default;
bool RenderMidiDevice::open()
{
    error_ = "this build has no FluidSynth to render with";
    return false;
}
void RenderMidiDevice::close() {}
void RenderMidiDevice::sendShort(uint32_t) {}
uint32_t RenderMidiDevice::sendLong(const uint8_t*, uint32_t) { return 1; }
void RenderMidiDevice::endStep(uint32_t) {}
void RenderMidiDevice::drain() {}
const char* RenderMidiDevice::errorText() const { return error_.c_str(); }
bool RenderMidiDevice::beginFile(const std::string&, const SoundFormat&, bool) { return false; }
void RenderMidiDevice::setTone(double, bool, bool) {}
bool RenderMidiDevice::finishFile() { return false; }
void RenderMidiDevice::discardFile() {}
void RenderMidiDevice::startFade(uint64_t) {}

#endif // ORVANEL_HAVE_FLUIDSYNTH
