#include "platform/posix/synth_module.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <mutex>

namespace {

std::atomic<const SynthModule*> loaded{nullptr};
std::mutex loading;
std::string loadError; // the first failure, told again on every later try

std::string programPath()
{
    char path[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    return n > 0 ? std::string(path, size_t(n)) : std::string();
}

bool readable(const std::string& path) { return !path.empty() && access(path.c_str(), R_OK) == 0; }

const SynthModule* open(std::string& error)
{
    std::string beside, installed;
    synthModulePlaces(programPath(), beside, installed);
    const std::string& path = readable(beside) || !readable(installed) ? beside : installed;
    if (!readable(path)) {
        error = "the synth module " ORVANEL_SYNTH_MODULE_FILE " is not installed (looked for " + beside + " and " +
                installed + ")";
        return nullptr;
    }
    // RTLD_LOCAL: the module's own copies of the player's code stay its own.
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = dlerror();
        error = "cannot load the synth module " + path + ": " + (why ? why : "unknown error");
        return nullptr;
    }
    using Entry = const SynthModule* (*)();
    const auto entry = reinterpret_cast<Entry>(dlsym(handle, ORVANEL_SYNTH_MODULE_ENTRY_NAME));
    const SynthModule* table = entry ? entry() : nullptr;
    if (!table || table->abi != kSynthModuleAbi) {
        error = "the synth module " + path + " belongs to another version of orvanel-play";
        dlclose(handle);
        return nullptr;
    }
    // Never closed: devices and the render made by it live until the program ends.
    return table;
}

} // namespace

void synthModulePlaces(const std::string& exe, std::string& beside, std::string& installed)
{
    const size_t slash = exe.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : exe.substr(0, slash);
    beside = folder + "/" ORVANEL_SYNTH_MODULE_FILE;
    const size_t up = folder.rfind('/');
    installed = (up == std::string::npos ? std::string() : folder.substr(0, up)) +
                "/libexec/orvanel-play/" ORVANEL_SYNTH_MODULE_FILE;
}

const SynthModule* loadSynthModule(uint32_t optionsSize, uint32_t settingsSize, std::string& error)
{
    const SynthModule* table = loaded.load(std::memory_order_acquire);
    if (!table) {
        std::lock_guard<std::mutex> lock(loading);
        table = loaded.load(std::memory_order_relaxed);
        if (!table && loadError.empty()) {
            table = open(loadError);
            loaded.store(table, std::memory_order_release);
        }
        if (!table) {
            error = loadError;
            return nullptr;
        }
    }
    if ((optionsSize && optionsSize != table->optionsSize) || (settingsSize && settingsSize != table->settingsSize)) {
        error = "the synth module " ORVANEL_SYNTH_MODULE_FILE " belongs to another build of orvanel-play";
        return nullptr;
    }
    return table;
}

const SynthModule* loadedSynthModule() { return loaded.load(std::memory_order_acquire); }
