// The player's side of orvanel-alsa.so: only the player's platform layer is built with
// ORVANEL_ALSA_MODULE; the others link the ALSA device itself.
#ifdef ORVANEL_ALSA_MODULE

#include "platform/posix/alsa_module.h"

#include "platform/posix/alsa_midi.h"
#include "platform/posix/module_loader.h"

namespace {

ModuleSlot slot(ORVANEL_ALSA_MODULE_FILE, "ALSA module", ORVANEL_ALSA_MODULE_ENTRY_NAME, kAlsaModuleAbi);

} // namespace

const AlsaModule* loadAlsaModule(std::string& error) { return static_cast<const AlsaModule*>(loadModule(slot, error)); }

// Each module quiets the ALSA library as it loads it; until then there is none to quiet.
void quietAlsaLibrary() {}

bool listAlsaPorts(std::string& text, std::string& error)
{
    const AlsaModule* module = loadAlsaModule(error);
    return module && module->listPorts(text, error);
}

#endif // ORVANEL_ALSA_MODULE
