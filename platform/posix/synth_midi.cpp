#include "platform/posix/synth_midi.h"

#ifdef ORVANEL_HAVE_FLUIDSYNTH

#include <fluidsynth.h>

SynthMidiDevice::SynthMidiDevice(const char* soundFont) : soundFontArg_(soundFont ? soundFont : "") {}

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
    static const char* const drivers[] = {"pulseaudio", "alsa"};
    std::string causes;
    for (const char* name : drivers) {
        if (fluid_settings_setstr(engine_.settings, "audio.driver", name) != FLUID_OK) {
            causes += std::string(causes.empty() ? "" : "; ") + name + ": not built in";
            continue;
        }
        clearFluidError();
        driver_ = new_fluid_audio_driver(engine_.settings, engine_.synth);
        if (driver_) {
            driverName_ = name;
            break;
        }
        const std::string cause = lastFluidError();
        causes += std::string(causes.empty() ? "" : "; ") + name + ": " + (cause.empty() ? "failed" : cause);
    }
    if (!driver_) {
        error_ = "no audio output for the embedded synth (" + causes + ")";
        fluidEngineStop(engine_);
        return false;
    }
    if (!fluidEngineLoad(engine_, path, error_)) {
        close();
        return false;
    }
    return true;
}

void SynthMidiDevice::close()
{
    // The driver calls into the synth from its own thread, so it goes first.
    if (driver_)
        delete_fluid_audio_driver(driver_);
    driver_ = nullptr;
    driverName_ = "";
    fluidEngineStop(engine_);
}

void SynthMidiDevice::sendShort(uint32_t message) { fluidEngineSendShort(engine_, message); }

uint32_t SynthMidiDevice::sendLong(const uint8_t* bytes, uint32_t count)
{
    return fluidEngineSendLong(engine_, bytes, count);
}

#endif // ORVANEL_HAVE_FLUIDSYNTH
