#pragma once
// The embedded FluidSynth behind the "synth" and "wav" devices: one synth with one General
// MIDI SoundFont, and the player's messages turned into synth calls.
#include <cstdint>
#include <string>

struct _fluid_hashtable_t;
struct _fluid_synth_t;

struct FluidEngine {
    _fluid_hashtable_t* settings = nullptr;
    _fluid_synth_t* synth = nullptr;
    std::string soundFont; // path of the loaded SoundFont
    // Set before fluidEngineStart; they outlast fluidEngineStop.
    bool reverb = true;
    bool chorus = true;
};

// Where a General MIDI SoundFont is looked for when none is named, in this order (the
// Debian packages fluid-soundfont-gm, timgm6mb-soundfont, musescore-general-soundfont and
// the system's chosen default).
extern const char* const kSoundFontPlaces[];
extern const int kSoundFontPlaceCount;

// The first place above that holds a readable file, or nullptr.
const char* findDefaultSoundFont();
// The SoundFont to load: named (must be a readable file) or the default. False with a
// one-line error that gives the system's reason otherwise.
bool resolveSoundFont(const char* named, std::string& path, std::string& error);

// Creates settings and synth (no SoundFont yet). offline: sampleRate, one core and
// nothing that depends on the time of day or the process's random seed, so a render can
// be repeated byte for byte.
bool fluidEngineStart(FluidEngine& engine, bool offline, std::string& error, uint32_t sampleRate = 44100);
bool fluidEngineLoad(FluidEngine& engine, const std::string& path, std::string& error);
void fluidEngineStop(FluidEngine& engine);

void fluidEngineSendShort(FluidEngine& engine, uint32_t message);
// F0 ... F7 with both ends stripped for the synth, so GS, GM and XG resets act on it.
// 0, or ENODEV (no synth), EINVAL (not System Exclusive), EIO (the synth refused it).
uint32_t fluidEngineSendLong(FluidEngine& engine, const uint8_t* bytes, uint32_t count);

// The last error FluidSynth logged, "" if none since fluidEngineStart. FluidSynth's own
// printing is switched off; its words end up in the device's error text instead.
std::string lastFluidError();
void clearFluidError();
