#pragma once
// The program's own version, as the build stamps it (project version in CMakeLists.txt).
#include <array>
#include <cstdint>

namespace kx58 {

struct ProgramVersion {
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint32_t patch = 0;
    // The digits without the dots read as one decimal number: 1.0.4 is 104.
    std::uint32_t Number() const;
};

ProgramVersion BuiltVersion();

// The four values at the head of the "WorkTool" report: major, minor, patch and the number.
std::array<std::uint32_t, 4> VersionDescriptor();

}  // namespace kx58
