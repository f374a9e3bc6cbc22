#include "platform/drops.h"

#include <cstring>

size_t PathListDrop::path(uint32_t index, char* out, size_t size) {
    if (size == 0) return 0;
    if (index >= paths_.size()) {
        out[0] = '\0';
        return 0;
    }
    const std::string& p = paths_[index];
    const size_t n = p.size() < size - 1 ? p.size() : size - 1;
    std::memcpy(out, p.data(), n);
    out[n] = '\0';
    return p.size();
}
