#include "platform/tick.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace kx58 {

std::uint64_t TickCount64() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 1000u + static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
}

std::uint32_t TickCount() { return static_cast<std::uint32_t>(TickCount64()); }

std::uint32_t MsToTickGrid(std::uint32_t atLeastMs, std::uint32_t gridMs) {
    if (gridMs == 0) return atLeastMs;
    const std::uint64_t now = TickCount64();
    const std::uint64_t earliest = now + atLeastMs;
    const std::uint64_t due = (earliest + gridMs - 1) / gridMs * gridMs;
    return static_cast<std::uint32_t>(due - now);
}

void SleepMs(std::uint32_t milliseconds) {
    timespec remaining{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&remaining, &remaining) == -1 && errno == EINTR) {
    }
}

std::int64_t ProcessUptimeMs() {
    // Field 22 of /proc/self/stat is the start in clock ticks since boot; the comm field before
    // it may hold spaces, so fields are counted after its closing parenthesis.
    std::FILE* file = std::fopen("/proc/self/stat", "re");
    if (!file) return -1;
    char line[1024] = {};
    const bool read = std::fgets(line, sizeof line, file) != nullptr;
    std::fclose(file);
    const char* after = read ? std::strrchr(line, ')') : nullptr;
    unsigned long long startTicks = 0;
    if (!after || std::sscanf(after + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %*u %*u %*d %*d %*d %*d %*d %*d %llu",
                              &startTicks) != 1)
        return -1;
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    const long hz = sysconf(_SC_CLK_TCK);
    const std::int64_t nowMs = static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
    return hz > 0 ? nowMs - static_cast<std::int64_t>(startTicks * 1000 / static_cast<unsigned long long>(hz)) : -1;
}

}  // namespace kx58
