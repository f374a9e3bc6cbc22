// The entry of orvanel-synth.so: the embedded synth, the file renderer and the render
// loop, built into a module of their own so that FluidSynth and libsndfile are mapped
// only by a run that sounds through them (see platform/posix/synth_module.h).
#include "cli/options.h"
#include "cli/render.h"
#include "core/settings.h"
#include "platform/posix/alsa_midi.h"
#include "platform/posix/render_midi.h"
#include "platform/posix/synth_midi.h"
#include "platform/posix/synth_module.h"

namespace {

std::unique_ptr<MidiDevice> opened(std::unique_ptr<MidiDevice> device, std::string& error)
{
    if (device->open()) return device;
    error = device->errorText();
    if (error.empty()) error = "the device did not open";
    return nullptr;
}

std::unique_ptr<MidiDevice> openSynth(const char* arg, std::string& error)
{
    return opened(std::make_unique<SynthMidiDevice>(arg), error);
}

std::unique_ptr<MidiDevice> openRender(const char* arg, std::string& error)
{
    return opened(std::make_unique<RenderMidiDevice>(arg ? arg : "", ""), error);
}

const SynthModule table = {
    kSynthModuleAbi, sizeof(PlayOptions), sizeof(Settings), openSynth, openRender, runRender,
    removePartialRenderInSignal, restoreRenderTerminalInSignal, stopRenderInSignal,
};

} // namespace

extern "C" __attribute__((visibility("default"))) const SynthModule* ORVANEL_SYNTH_MODULE_ENTRY()
{
    // The synth's audio output may go through ALSA: its messages stay off standard error.
    quietAlsaLibrary();
    return &table;
}
