#include "support/wait_until.h"

#include <thread>

namespace kx58test {

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    auto pause = std::chrono::microseconds(100);
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) return condition();
        std::this_thread::sleep_for(pause);
        if (pause < std::chrono::milliseconds(5)) pause *= 2;
    }
    return true;
}

}  // namespace kx58test
