#pragma once
#include <cstdint>

namespace kx58 {

// Milliseconds since an arbitrary start, monotonic; wraps like the system's 32-bit counter.
std::uint32_t TickCount();
std::uint64_t TickCount64();
void SleepMs(std::uint32_t milliseconds);
// Milliseconds from now to the first multiple of `gridMs` on the 64-bit tick count that lies
// at least `atLeastMs` ahead. Periodic work of several threads and windows that waits for
// the same grid wakes the machine once per period instead of once per worker.
std::uint32_t MsToTickGrid(std::uint32_t atLeastMs, std::uint32_t gridMs);
// Milliseconds since the process was started by the system (exec included); -1 when unknown.
std::int64_t ProcessUptimeMs();

}  // namespace kx58
