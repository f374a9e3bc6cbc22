// The player's side of the render: the render itself is in orvanel-synth.so, opened
// here when a render is asked for (see platform/posix/synth_module.h).
#include <cstdio>

#include "cli/exit_codes.h"
#include "cli/render.h"
#include "cli/terminal.h"
#include "core/settings.h"
#include "platform/posix/synth_module.h"

int runRender(const PlayOptions& options, const Settings& settings, const std::atomic<bool>& interrupted)
{
    std::string error;
    const SynthModule* module = loadSynthModule(sizeof(PlayOptions), sizeof(Settings), error);
    if (!module) {
        std::fprintf(stderr, "orvanel-play: %s\n", error.c_str());
        return kExitNoDevice;
    }
    return module->runRender(options, settings, interrupted);
}

void removePartialRenderInSignal()
{
    if (const SynthModule* module = loadedSynthModule()) module->removePartialInSignal();
}

void restoreRenderTerminalInSignal()
{
    if (const SynthModule* module = loadedSynthModule()) module->restoreTerminalInSignal();
}

// Without the module there is no render terminal: the player's own is given back.
void stopRenderInSignal()
{
    if (const SynthModule* module = loadedSynthModule())
        module->stopInSignal();
    else
        stopInSignal();
}
