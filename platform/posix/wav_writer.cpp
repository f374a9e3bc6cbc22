#include "platform/posix/wav_writer.h"

#ifdef ORVANEL_HAVE_FLUIDSYNTH

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fluidsynth.h>
#include <unistd.h>

namespace {

constexpr uint32_t kHeaderBytes = 44;
// -90 dBFS: 10^(-90/20) of full scale, below half a step of the 16-bit output.
constexpr float kQuietLevel = 3.1622777e-5f;
// The RIFF size field counts everything after itself; it must stay below 4 GiB.
constexpr uint32_t kMaxDataBytes = 0xFFFFFFFFu - (kHeaderBytes - 8);

void put16(uint8_t* p, uint32_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

void put32(uint8_t* p, uint32_t v)
{
    put16(p, v & 0xFFFF);
    put16(p + 2, v >> 16);
}

void makeHeader(uint8_t (&h)[kHeaderBytes], uint32_t dataBytes)
{
    const uint32_t channels = 2, bits = 16, rate = WavMidiDevice::kSampleRate;
    std::memcpy(h, "RIFF", 4);
    put32(h + 4, kHeaderBytes - 8 + dataBytes);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    put32(h + 16, 16);     // fmt chunk size
    put16(h + 20, 1);      // PCM
    put16(h + 22, channels);
    put32(h + 24, rate);
    put32(h + 28, rate * channels * bits / 8);
    put16(h + 32, channels * bits / 8);
    put16(h + 34, bits);
    std::memcpy(h + 36, "data", 4);
    put32(h + 40, dataBytes);
}

// Plain rounding, no dither: FluidSynth's own 16-bit output dithers from a table filled by
// rand(), so its bytes would change with any srand() in the process.
int16_t toSample(float x)
{
    float v = x * 32767.0f;
    if (!(v == v))
        v = 0.0f;
    if (v > 32767.0f)
        v = 32767.0f;
    if (v < -32768.0f)
        v = -32768.0f;
    return int16_t(std::lrintf(v));
}

} // namespace

WavMidiDevice::WavMidiDevice(const char* path, const char* soundFont)
    : path_(path ? path : ""), soundFontArg_(soundFont ? soundFont : "")
{
}

WavMidiDevice::~WavMidiDevice() { close(); }

void WavMidiDevice::fail(const char* what, int err)
{
    if (failed_)
        return; // the first cause is the one worth telling
    failed_ = true;
    error_ = std::string(what) + " " + path_ + " failed: " + std::strerror(err);
}

bool WavMidiDevice::open()
{
    if (file_)
        return true;
    error_.clear();
    failed_ = false;
    dataBytes_ = 0;
    quietFrames_ = kQuietFrames;
    if (path_.empty()) {
        error_ = "the wav device needs a file name (wav:FILE)";
        return false;
    }
    std::string soundFont;
    if (!resolveSoundFont(soundFontArg_.c_str(), soundFont, error_))
        return false;
    // The file first: a bad path should not cost loading the SoundFont. Only a file this
    // call created is removed again on failure (the path may name a device, /dev/full).
    const bool existed = access(path_.c_str(), F_OK) == 0;
    file_ = std::fopen(path_.c_str(), "wb");
    if (!file_) {
        error_ = "cannot create " + path_ + ": " + std::strerror(errno);
        return false;
    }
    uint8_t header[kHeaderBytes];
    makeHeader(header, 0);
    if (std::fwrite(header, 1, sizeof header, file_) != sizeof header)
        fail("writing", errno);
    if (!fluidEngineStart(engine_, true, error_) || !fluidEngineLoad(engine_, soundFont, error_)) {
        fluidEngineStop(engine_);
        std::fclose(file_);
        file_ = nullptr;
        if (!existed)
            std::remove(path_.c_str());
        return false;
    }
    return true;
}

void WavMidiDevice::close()
{
    if (!file_)
        return;
    drain();
    if (std::fflush(file_) != 0)
        fail("writing", errno);
    uint8_t header[kHeaderBytes];
    makeHeader(header, dataBytes_);
    if (std::fseek(file_, 0, SEEK_SET) != 0 || std::fwrite(header, 1, sizeof header, file_) != sizeof header)
        fail("writing", errno);
    if (std::fclose(file_) != 0)
        fail("closing", errno);
    file_ = nullptr;
    fluidEngineStop(engine_);
}

// Any message may start a sound, so the quiet is counted from the last one on.
void WavMidiDevice::sendShort(uint32_t message)
{
    quietFrames_ = 0;
    fluidEngineSendShort(engine_, message);
}

uint32_t WavMidiDevice::sendLong(const uint8_t* bytes, uint32_t count)
{
    quietFrames_ = 0;
    return fluidEngineSendLong(engine_, bytes, count);
}

void WavMidiDevice::endStep() { renderStep(); }

void WavMidiDevice::drain()
{
    for (uint32_t tail = 0; quietFrames_ < kQuietFrames && tail < kMaxTailFrames; tail += kFramesPerStep)
        if (!renderStep())
            return;
}

bool WavMidiDevice::renderStep()
{
    if (!file_ || failed_)
        return false;
    if (dataBytes_ > kMaxDataBytes - sizeof block_) {
        failed_ = true;
        error_ = path_ + " reached the WAV size limit of 4 GiB; the rest of the song is not in it";
        return false;
    }
    fluid_synth_write_float(engine_.synth, int(kFramesPerStep), left_, 0, 1, right_, 0, 1);
    uint8_t* p = block_;
    for (uint32_t i = 0; i < kFramesPerStep; ++i, p += kBytesPerFrame) {
        put16(p, uint16_t(toSample(left_[i])));
        put16(p + 2, uint16_t(toSample(right_[i])));
        const bool quiet = std::fabs(left_[i]) < kQuietLevel && std::fabs(right_[i]) < kQuietLevel;
        quietFrames_ = quiet ? quietFrames_ + (quietFrames_ < kQuietFrames) : 0;
    }
    if (std::fwrite(block_, 1, sizeof block_, file_) != sizeof block_) {
        fail("writing", errno);
        return false;
    }
    dataBytes_ += sizeof block_;
    return true;
}

#endif // ORVANEL_HAVE_FLUIDSYNTH
