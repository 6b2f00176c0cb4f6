#pragma once
// Answers this thread's messages (the sends of a device loop, posted arrivals) while waiting
// for a condition; header-only, for tests that link the platform layer.
#include <cstdint>
#include <functional>

#include "platform/message_queue.h"
#include "platform/tick.h"

namespace kx58test {

inline bool PumpUntil(const std::function<bool()>& done, std::uint64_t timeoutMs = 20000) {
    auto queue = kx58::MessageQueue::ForCurrentThread();
    const std::uint64_t deadline = kx58::TickCount64() + timeoutMs;
    for (;;) {
        queue->DispatchPending();
        if (done()) return true;
        if (kx58::TickCount64() > deadline) return false;
        queue->WaitForWork(10);
    }
}

}  // namespace kx58test
