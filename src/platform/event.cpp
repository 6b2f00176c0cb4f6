#include "platform/event.h"

#include <algorithm>
#include <chrono>

namespace kx58 {

// One waiter of WaitAny, registered with every event it waits on.
struct Event::Waiter {
    std::mutex mutex;
    std::condition_variable wake;
    bool poked = false;
    void Poke() {
        std::lock_guard lock(mutex);
        poked = true;
        wake.notify_one();
    }
};

namespace {

using Clock = std::chrono::steady_clock;

Clock::time_point DeadlineFor(std::uint32_t timeoutMs) {
    return Clock::now() + std::chrono::milliseconds(timeoutMs == kInfinite ? 0 : timeoutMs);
}

}  // namespace

Event::Event(ResetMode mode, bool initiallySet) : autoReset_(mode == ResetMode::Auto), signalled_(initiallySet) {}

Event::~Event() = default;

void Event::Set() {
    std::lock_guard lock(mutex_);
    signalled_ = true;
    if (autoReset_) changed_.notify_one();
    else changed_.notify_all();
    for (Waiter* waiter : waiters_) waiter->Poke();
}

void Event::Reset() {
    std::lock_guard lock(mutex_);
    signalled_ = false;
}

bool Event::IsSet() const {
    std::lock_guard lock(mutex_);
    return signalled_;
}

bool Event::TryTake() {
    if (!signalled_) return false;
    if (autoReset_) signalled_ = false;
    return true;
}

bool Event::Wait(std::uint32_t timeoutMs) {
    std::unique_lock lock(mutex_);
    if (timeoutMs == kInfinite) {
        changed_.wait(lock, [this] { return signalled_; });
    } else if (!changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return signalled_; })) {
        return false;
    }
    return TryTake();
}

void Event::AddWaiter(Waiter* waiter) {
    std::lock_guard lock(mutex_);
    waiters_.push_back(waiter);
}

void Event::RemoveWaiter(Waiter* waiter) {
    std::lock_guard lock(mutex_);
    waiters_.erase(std::remove(waiters_.begin(), waiters_.end(), waiter), waiters_.end());
}

int WaitAny(std::span<Event* const> events, std::uint32_t timeoutMs) {
    const auto deadline = DeadlineFor(timeoutMs);
    Event::Waiter waiter;
    for (Event* event : events) event->AddWaiter(&waiter);
    int result = kWaitTimeout;
    for (;;) {
        {
            std::lock_guard lock(waiter.mutex);
            waiter.poked = false;
        }
        for (size_t i = 0; i < events.size() && result == kWaitTimeout; ++i) {
            std::lock_guard lock(events[i]->mutex_);
            if (events[i]->TryTake()) result = static_cast<int>(i);
        }
        if (result != kWaitTimeout) break;
        std::unique_lock lock(waiter.mutex);
        if (timeoutMs == kInfinite) waiter.wake.wait(lock, [&] { return waiter.poked; });
        else if (!waiter.wake.wait_until(lock, deadline, [&] { return waiter.poked; })) break;
    }
    for (Event* event : events) event->RemoveWaiter(&waiter);
    return result;
}

int WaitAny(std::initializer_list<Event*> events, std::uint32_t timeoutMs) {
    return WaitAny(std::span<Event* const>(events.begin(), events.size()), timeoutMs);
}

}  // namespace kx58
