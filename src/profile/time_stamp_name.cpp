#include "profile/time_stamp_name.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <mutex>

namespace kx58 {

std::string MakeTimeStampName() {
    static std::mutex lock;
    static int64_t lastMs = 0;
    int64_t ms = 0;
    {
        const std::lock_guard<std::mutex> guard(lock);
        using namespace std::chrono;
        ms = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
        if (ms <= lastMs) ms = lastMs + 1;
        lastMs = ms;
    }
    const time_t seconds = static_cast<time_t>(ms / 1000);
    struct tm local {};
    localtime_r(&seconds, &local);
    char buffer[200];
    std::snprintf(buffer, sizeof buffer, "%d_%02d_%02d_%02d_%02d_%02d_%03d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
                  static_cast<int>(ms % 1000));
    return buffer;
}

}  // namespace kx58
