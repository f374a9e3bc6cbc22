#pragma once
// The ALSA sequencer device lives in a module of its own, orvanel-alsa.so, which the player
// opens only when ALSA is chosen, listed or tried as the default output: libasound was most
// of the relocations at start-up, for the log device and --help too.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/midi_device.h"

// Raised whenever the table below changes shape.
constexpr uint32_t kAlsaModuleAbi = 1;

struct AlsaModule {
    uint32_t abi; // kAlsaModuleAbi of the module's build
    // "alsa[:CLIENT:PORT]" opened (arg null for the default port): null with a one-line error.
    std::unique_ptr<MidiDevice> (*openDevice)(const char* arg, std::string& error);
    // The listing of --list, or false with a one-line error.
    bool (*listPorts)(std::string& text, std::string& error);
};

#define ORVANEL_ALSA_MODULE_ENTRY orvanel_alsa_module_1
#define ORVANEL_ALSA_MODULE_ENTRY_NAME "orvanel_alsa_module_1"
#define ORVANEL_ALSA_MODULE_FILE "orvanel-alsa.so"

// Opens the module once, or returns null with a one-line error naming it.
const AlsaModule* loadAlsaModule(std::string& error);
