#pragma once
// Waits for state outside the test's control (another process, a device, a file).
#include <chrono>
#include <functional>

namespace kx58test {

// Polls `condition` until it holds or `timeout` passes; returns its last value.
// The timeout is a generous upper bound, never a measurement.
bool WaitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds timeout = std::chrono::seconds(20));

}  // namespace kx58test
