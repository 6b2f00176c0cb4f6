#include "platform/tick.h"

#include <ctime>
#include <cerrno>

namespace kx58 {

std::uint64_t TickCount64() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 1000u + static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
}

std::uint32_t TickCount() { return static_cast<std::uint32_t>(TickCount64()); }

void SleepMs(std::uint32_t milliseconds) {
    timespec remaining{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&remaining, &remaining) == -1 && errno == EINTR) {
    }
}

}  // namespace kx58
