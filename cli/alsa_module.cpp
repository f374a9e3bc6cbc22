// The entry of orvanel-alsa.so: the ALSA sequencer device, built into a module of its own
// so that libasound is mapped only by a run that uses it (see platform/posix/alsa_module.h).
#include "platform/posix/alsa_midi.h"
#include "platform/posix/alsa_module.h"

namespace {

std::unique_ptr<MidiDevice> openDevice(const char* arg, std::string& error)
{
    auto device = std::make_unique<AlsaMidiDevice>(arg);
    if (device->open()) return device;
    error = device->errorText();
    if (error.empty()) error = "the device did not open";
    return nullptr;
}

const AlsaModule table = {kAlsaModuleAbi, openDevice, listAlsaPorts};

} // namespace

extern "C" __attribute__((visibility("default"))) const AlsaModule* ORVANEL_ALSA_MODULE_ENTRY()
{
    quietAlsaLibrary();
    return &table;
}
