#pragma once
// The player's optional parts live in modules of their own (orvanel-synth.so for FluidSynth
// and libsndfile, orvanel-alsa.so for the ALSA library), opened only when a device needs
// them, so a run that never sounds through them never maps those libraries.
// A module exports one function returning its table, whose first member is the table's
// ABI number; a module of another build is refused, never called.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

struct ModuleSlot {
    ModuleSlot(const char* file_, const char* what_, const char* entry_, uint32_t abi_)
        : file(file_), what(what_), entry(entry_), abi(abi_) {}
    const char* file;  // "orvanel-synth.so"
    const char* what;  // "synth module", for the messages
    const char* entry; // the exported function
    uint32_t abi;      // what the table's first member must hold
    std::atomic<const void*> loaded{nullptr};
    std::mutex loading;
    std::string error; // the first failure, told again on every later try
};

// The places a module is looked for, beside the program first (a build folder), then
// where make install and the package put it: <program folder>/../libexec/orvanel-play/.
// exe is the program's own path (/proc/self/exe).
void modulePlaces(const std::string& exe, const char* file, std::string& beside, std::string& installed);

// Opens the slot's module once (later calls return the same table), or returns null with
// a one-line error naming the module, or the library it lacks.
const void* loadModule(ModuleSlot& slot, std::string& error);
