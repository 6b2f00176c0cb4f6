#include "platform/program_version.h"

#include <string>

namespace kx58 {

std::uint32_t ProgramVersion::Number() const {
    const std::string digits = std::to_string(major) + std::to_string(minor) + std::to_string(patch);
    std::uint32_t number = 0;
    for (char digit : digits) number = number * 10 + static_cast<std::uint32_t>(digit - '0');
    return number;
}

ProgramVersion BuiltVersion() { return {KX58_VERSION_MAJOR, KX58_VERSION_MINOR, KX58_VERSION_PATCH}; }

std::array<std::uint32_t, 4> VersionDescriptor() {
    const ProgramVersion version = BuiltVersion();
    return {version.major, version.minor, version.patch, version.Number()};
}

}  // namespace kx58
