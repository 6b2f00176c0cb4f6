#pragma once
// Time-stamped identifiers for profiles, macros and lighting effects.
#include <string>

namespace kx58 {

// Local time as "%d_%02d_%02d_%02d_%02d_%02d_%03d" (year, month, day, hour, minute, second,
// millisecond). Never returns the same name twice in one process: a second call within the
// same millisecond takes the next unused millisecond, because the name becomes a file name.
std::string MakeTimeStampName();

}  // namespace kx58
