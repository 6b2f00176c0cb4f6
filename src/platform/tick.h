#pragma once
#include <cstdint>

namespace kx58 {

// Milliseconds since an arbitrary start, monotonic; wraps like the system's 32-bit counter.
std::uint32_t TickCount();
std::uint64_t TickCount64();
void SleepMs(std::uint32_t milliseconds);

}  // namespace kx58
