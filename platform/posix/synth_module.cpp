#include "platform/posix/synth_module.h"

#include "platform/posix/module_loader.h"

namespace {

ModuleSlot slot(ORVANEL_SYNTH_MODULE_FILE, "synth module", ORVANEL_SYNTH_MODULE_ENTRY_NAME, kSynthModuleAbi);

} // namespace

void synthModulePlaces(const std::string& exe, std::string& beside, std::string& installed)
{
    modulePlaces(exe, ORVANEL_SYNTH_MODULE_FILE, beside, installed);
}

const SynthModule* loadSynthModule(uint32_t optionsSize, uint32_t settingsSize, std::string& error)
{
    const auto* table = static_cast<const SynthModule*>(loadModule(slot, error));
    if (!table)
        return nullptr;
    if ((optionsSize && optionsSize != table->optionsSize) || (settingsSize && settingsSize != table->settingsSize)) {
        error = "the synth module " ORVANEL_SYNTH_MODULE_FILE " belongs to another build of orvanel-play";
        return nullptr;
    }
    return table;
}

const SynthModule* loadedSynthModule() { return static_cast<const SynthModule*>(slot.loaded.load(std::memory_order_acquire)); }
