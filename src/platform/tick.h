#pragma once
#include <cstdint>

namespace kx58 {

// Milliseconds since an arbitrary start, monotonic; wraps like the system's 32-bit counter.
std::uint32_t TickCount();
std::uint64_t TickCount64();
void SleepMs(std::uint32_t milliseconds);
// Milliseconds since the process was started by the system (exec included); -1 when unknown.
std::int64_t ProcessUptimeMs();

}  // namespace kx58
