#pragma once
// One connection to the sound server: libpulse's threaded main loop (thread "sound-conf") and
// its context. Callers on other threads take the loop's lock (Lock) around every use of the
// context; callbacks run on the loop thread with that lock held.
//
// No wait here is open-ended: Wait() gives the lock up until a callback Signal()s or the
// deadline passes, so a server that stops answering (a stopped daemon) costs a caller at most
// its own deadline. Call() runs one request and waits for its reply up to the deadline.
#include <pulse/pulseaudio.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace kx58::soundconf {

using Clock = std::chrono::steady_clock;
using Deadline = Clock::time_point;

// The time one entry point may take.
inline constexpr std::chrono::milliseconds kCallBudget{2000};
inline Deadline DeadlineFromNow() { return Clock::now() + kCallBudget; }

// A request's answer: empty when it failed or was cancelled.
template <class T>
using Reply = std::function<void(std::optional<T>)>;

class PulseConnection {
public:
    // Server events the owner asked for (sinks, sources, cards, modules).
    using EventHandler = std::function<void(pa_subscription_event_type_t type, std::uint32_t index)>;
    // The connection failed after it was up.
    using LostHandler = std::function<void()>;

    PulseConnection() = default;
    ~PulseConnection();
    PulseConnection(const PulseConnection&) = delete;
    PulseConnection& operator=(const PulseConnection&) = delete;

    // Both are called on the loop thread with the lock held. Set before Connect.
    void SetHandlers(EventHandler onEvent, LostHandler onLost);

    // Starts the loop and connects; true once the server answered before the deadline.
    // Called without the lock.
    bool Connect(Deadline deadline);
    // Ends the context and the loop thread. Called without the lock.
    void Disconnect();

    // With the lock held:
    bool Ready() const;
    pa_context* Context() const { return context_; }
    // Wakes every Wait (from callbacks).
    void Signal();
    // Until `done` holds or the deadline passes; the lock is given up meanwhile. `done`'s value.
    bool Wait(const std::function<bool()>& done, Deadline deadline);
    // Runs `start`, which issues one request and hands it the reply, and waits for the answer
    // until the deadline. A reply that comes later is dropped.
    template <class T>
    std::optional<T> Call(const std::function<void(Reply<T>)>& start, Deadline deadline);
    // Runs `task` on the loop thread after `delay`, with the lock held. False without a loop.
    bool After(std::chrono::milliseconds delay, std::function<void()> task);

    class Lock {
    public:
        explicit Lock(const PulseConnection& connection);
        ~Lock();
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;

    private:
        pa_threaded_mainloop* loop_;
    };

private:
    // A task for later on the loop thread, kept here so one that never ran is freed.
    struct Timer {
        PulseConnection* owner;
        pa_time_event* event = nullptr;
        std::function<void()> task;
    };
    static void OnState(pa_context* context, void* self);
    static void OnEvent(pa_context* context, pa_subscription_event_type_t type, std::uint32_t index, void* self);
    static void OnTimer(pa_mainloop_api* api, pa_time_event* event, const timeval* when, void* timer);
    bool StartLoop();
    void DropContext();
    void Subscribe();

    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    bool wasReady_ = false;
    EventHandler onEvent_;
    LostHandler onLost_;
    // Wakes waiters; `signals_` changes under both the loop lock and `wakeMutex_`.
    std::mutex wakeMutex_;
    std::condition_variable woken_;
    std::uint64_t signals_ = 0;
    std::vector<std::unique_ptr<Timer>> timers_;  // under the loop lock
};

template <class T>
std::optional<T> PulseConnection::Call(const std::function<void(Reply<T>)>& start, Deadline deadline) {
    // Shared with the reply, which may come after this returns (or at the disconnection).
    struct Answer {
        bool came = false;
        std::optional<T> value;
    };
    auto answer = std::make_shared<Answer>();
    start([this, answer](std::optional<T> value) {
        answer->came = true;
        answer->value = std::move(value);
        Signal();
    });
    Wait([&] { return answer->came; }, deadline);
    return answer->came ? answer->value : std::nullopt;
}

}  // namespace kx58::soundconf
