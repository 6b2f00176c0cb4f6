#include "device/hid/hid_backend.h"

#include <cstdlib>

namespace kx58 {

const HidBackend* FindHidBackend(std::string_view name) {
    if (name == HidrawBackend().Name()) return &HidrawBackend();
    if (name == VhidBackend().Name()) return &VhidBackend();
    return nullptr;
}

std::vector<const HidBackend*> EnabledHidBackends() {
    const char* only = std::getenv("KX58_HID");
    if (only && *only) {
        const HidBackend* backend = FindHidBackend(only);
        return backend ? std::vector<const HidBackend*>{backend} : std::vector<const HidBackend*>{};
    }
    return {&HidrawBackend(), &VhidBackend()};
}

}  // namespace kx58
