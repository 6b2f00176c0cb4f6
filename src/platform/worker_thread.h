#pragma once
// A thread that ends cooperatively: it owns a manual-reset exit event that its body polls.
// Stop() signals the event and waits a bounded time; a body that does not end in time is
// reported, never killed, and the object may still be destroyed safely.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "platform/event.h"

namespace kx58 {

class WorkerThread {
public:
    using Body = std::function<void(Event& exitEvent)>;

    WorkerThread() = default;
    ~WorkerThread();
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // Starts the body on a new thread with a fresh, unsignalled exit event. False when a
    // previous body still runs.
    bool Start(std::string name, Body body);
    // Signals the exit event and waits up to timeoutMs for the body to return. True when the
    // thread has ended (or never ran); false, with a trace, when it is still running.
    bool Stop(std::uint32_t timeoutMs);
    bool Running() const;
    // The exit event of the running body (signalled by Stop), or nullptr.
    Event* ExitEvent() const;

private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
    std::thread thread_;
    std::string name_;
};

}  // namespace kx58
