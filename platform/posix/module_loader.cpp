#include "platform/posix/module_loader.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>

namespace {

std::string programPath()
{
    char path[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    return n > 0 ? std::string(path, size_t(n)) : std::string();
}

bool readable(const std::string& path) { return !path.empty() && access(path.c_str(), R_OK) == 0; }

const void* open(const ModuleSlot& slot, std::string& error)
{
    std::string beside, installed;
    modulePlaces(programPath(), slot.file, beside, installed);
    const std::string& path = readable(beside) || !readable(installed) ? beside : installed;
    const std::string what = slot.what;
    if (!readable(path)) {
        error = "the " + what + " " + slot.file + " is not installed (looked for " + beside + " and " + installed + ")";
        return nullptr;
    }
    // RTLD_LOCAL: the module's own copies of the player's code stay its own.
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = dlerror();
        error = "cannot load the " + what + " " + path + ": " + (why ? why : "unknown error");
        return nullptr;
    }
    using Entry = const void* (*)();
    const auto entry = reinterpret_cast<Entry>(dlsym(handle, slot.entry));
    const void* table = entry ? entry() : nullptr;
    if (!table || *static_cast<const uint32_t*>(table) != slot.abi) {
        error = "the " + what + " " + path + " belongs to another version of orvanel-play";
        dlclose(handle);
        return nullptr;
    }
    // Never closed: devices made by it live until the program ends.
    return table;
}

} // namespace

void modulePlaces(const std::string& exe, const char* file, std::string& beside, std::string& installed)
{
    const size_t slash = exe.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : exe.substr(0, slash);
    beside = folder + "/" + file;
    const size_t up = folder.rfind('/');
    installed = (up == std::string::npos ? std::string() : folder.substr(0, up)) + "/libexec/orvanel-play/" + file;
}

const void* loadModule(ModuleSlot& slot, std::string& error)
{
    const void* table = slot.loaded.load(std::memory_order_acquire);
    if (table)
        return table;
    std::lock_guard<std::mutex> lock(slot.loading);
    table = slot.loaded.load(std::memory_order_relaxed);
    if (!table && slot.error.empty()) {
        table = open(slot, slot.error);
        slot.loaded.store(table, std::memory_order_release);
    }
    if (!table)
        error = slot.error;
    return table;
}
