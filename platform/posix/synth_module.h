#pragma once
// The embedded synth and the file renderer (FluidSynth, libsndfile) live in a module of
// their own, orvanel-synth.so, which the player opens only when a device needs it: the
// log device, ALSA and --help never map those libraries and the dozens they pull in.
// The module hands over one table (platform/posix/module_loader.h opens it).
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/midi_device.h"

struct PlayOptions;
struct Settings;

// Raised whenever the table below or a record it takes changes shape.
constexpr uint32_t kSynthModuleAbi = 2;

struct SynthModule {
    uint32_t abi;              // kSynthModuleAbi of the module's build
    uint32_t optionsSize;      // sizeof(PlayOptions) there: another build's layout is refused
    uint32_t settingsSize;     // sizeof(Settings) there
    // Device opens as the device table's rows take them: null with a one-line error.
    std::unique_ptr<MidiDevice> (*openSynth)(const char* arg, std::string& error);
    std::unique_ptr<MidiDevice> (*openRender)(const char* arg, std::string& error);
    // The whole render of --device=wav:OUT / file:OUT; returns the exit code.
    int (*runRender)(const PlayOptions& options, const Settings& settings, const std::atomic<bool>& interrupted);
    // Removes the render's file in progress from a signal handler (async-signal-safe).
    void (*removePartialInSignal)();
    // The render's terminal, given back from the player's signal handlers (async-signal-safe):
    // restored for an ending; for Ctrl-Z, stopped and taken again once continued.
    void (*restoreTerminalInSignal)();
    void (*stopInSignal)();
};

// The symbol the module exports: the version is in its name too, so a far older module
// fails to load with a clear word rather than a crash.
#define ORVANEL_SYNTH_MODULE_ENTRY orvanel_synth_module_1
#define ORVANEL_SYNTH_MODULE_ENTRY_NAME "orvanel_synth_module_1"
#define ORVANEL_SYNTH_MODULE_FILE "orvanel-synth.so"

// The places the module is looked for, beside the program first (a build folder), then
// where make install and the package put it: <program folder>/../libexec/orvanel-play/.
// exe is the program's own path (/proc/self/exe).
void synthModulePlaces(const std::string& exe, std::string& beside, std::string& installed);

// Opens the module once (later calls return the same table), or returns null with a
// one-line error naming the module, or the library it lacks. sizes are the caller's
// sizeof(PlayOptions) and sizeof(Settings); 0 skips that check.
const SynthModule* loadSynthModule(uint32_t optionsSize, uint32_t settingsSize, std::string& error);

// The table already loaded, or null: for a signal handler.
const SynthModule* loadedSynthModule();
