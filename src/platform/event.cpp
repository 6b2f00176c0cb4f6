#include "platform/event.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

namespace kx58 {

// One waiter of WaitAny, registered with every event it waits on.
struct Event::Waiter {
    std::mutex mutex;
    std::condition_variable wake;
    bool poked = false;
    int wakeFd = -1;  // an eventfd written on each poke, for waiters in poll()
    void Poke() {
        std::lock_guard lock(mutex);
        poked = true;
        wake.notify_one();
        if (wakeFd >= 0) {
            const std::uint64_t one = 1;
            [[maybe_unused]] const ssize_t written = write(wakeFd, &one, sizeof one);
        }
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

int WaitEventOrFds(Event& event, std::span<pollfd> fds, std::uint32_t timeoutMs) {
    {
        std::lock_guard lock(event.mutex_);
        if (event.TryTake()) return kWaitEventSet;
    }
    std::vector<pollfd> polled(fds.begin(), fds.end());
    Event::Waiter waiter;
    waiter.wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (waiter.wakeFd >= 0) polled.push_back({waiter.wakeFd, POLLIN, 0});
    event.AddWaiter(&waiter);
    {
        // Set between the first look and AddWaiter: no poke came for it.
        std::lock_guard lock(event.mutex_);
        if (event.signalled_) waiter.Poke();
    }
    // Without an eventfd the event is still seen, at the latest every 100 ms.
    const auto deadline = DeadlineFor(timeoutMs);
    for (;;) {
        int waitMs = -1;
        if (timeoutMs != kInfinite) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            waitMs = static_cast<int>(std::clamp<std::int64_t>(left, 0, 0x7FFFFFFF));
        }
        if (waiter.wakeFd < 0 && (waitMs < 0 || waitMs > 100)) waitMs = 100;
        const int ready = poll(polled.data(), polled.size(), waitMs);
        if (ready < 0 && errno == EINTR) continue;
        if (ready != 0 || waiter.wakeFd >= 0) break;
        if ((timeoutMs != kInfinite && Clock::now() >= deadline) || event.IsSet()) break;
    }
    event.RemoveWaiter(&waiter);  // no poke after this: Set pokes under the event's mutex
    if (waiter.wakeFd >= 0) close(waiter.wakeFd);
    {
        std::lock_guard lock(event.mutex_);
        if (event.TryTake()) return kWaitEventSet;
    }
    bool anyFd = false;
    for (std::size_t i = 0; i < fds.size(); ++i) {
        fds[i].revents = polled[i].revents;
        anyFd |= polled[i].revents != 0;
    }
    return anyFd ? kWaitFdReady : kWaitTimeout;
}

}  // namespace kx58
