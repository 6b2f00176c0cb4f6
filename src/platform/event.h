#pragma once
// Events with the semantics of the system's event objects: manual reset (stays signalled until
// Reset) and auto reset (one waiter takes the signal and it clears).
#include <condition_variable>
#include <cstdint>
#include <initializer_list>
#include <mutex>
#include <span>
#include <vector>

struct pollfd;

namespace kx58 {

inline constexpr std::uint32_t kInfinite = 0xFFFFFFFFu;
inline constexpr int kWaitTimeout = -1;

class Event {
public:
    enum class ResetMode { Manual, Auto };
    explicit Event(ResetMode mode = ResetMode::Manual, bool initiallySet = false);
    ~Event();
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    void Set();
    void Reset();
    bool IsSet() const;
    // True when the event was (and for auto reset: is taken as) signalled within the timeout.
    bool Wait(std::uint32_t timeoutMs);

private:
    friend int WaitAny(std::span<Event* const>, std::uint32_t);
    friend int WaitEventOrFds(Event&, std::span<pollfd>, std::uint32_t);
    struct Waiter;
    bool TryTake();  // caller holds mutex_
    void AddWaiter(Waiter* waiter);
    void RemoveWaiter(Waiter* waiter);

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Waiter*> waiters_;
    const bool autoReset_;
    bool signalled_;
};

// Waits until one of the events is signalled; returns its index (the lowest when several are),
// or kWaitTimeout.
int WaitAny(std::span<Event* const> events, std::uint32_t timeoutMs);
int WaitAny(std::initializer_list<Event*> events, std::uint32_t timeoutMs);

// For threads that sleep on descriptors and must still end as soon as their exit event is set:
// waits until the event is signalled (returns 1, the signal taken as Wait takes it), one of
// `fds` is ready (0, their revents filled in) or the timeout passes (kWaitTimeout).
inline constexpr int kWaitEventSet = 1;
inline constexpr int kWaitFdReady = 0;
int WaitEventOrFds(Event& event, std::span<pollfd> fds, std::uint32_t timeoutMs);

}  // namespace kx58
