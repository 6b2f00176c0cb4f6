#pragma once
// The built-in lighting effects and lighting areas shipped in "default_light.json".
#include <string>
#include <vector>

namespace kx58 {

struct BuiltInEffect {
    std::string LightName;
    bool visible = false;  // offered in the effect list; hidden ones still take their index
    int value = 0;         // effect number sent to the device
    bool operator==(const BuiltInEffect&) const = default;
};

struct DefaultLightNames {
    std::vector<BuiltInEffect> effects;
    std::vector<std::string> areas;
};

// The effects and areas of one product slot (see ProductProfileFiles::lightNameSlot); empty
// lists when the file or the slot is missing.
DefaultLightNames LoadDefaultLightNames(const std::string& path, int slot);

}  // namespace kx58
