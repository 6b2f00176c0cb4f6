#include "platform/worker_thread.h"

#include <pthread.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "platform/debug_trace.h"

namespace kx58 {

// Lives as long as either the object or the thread, so a thread that outlives its object
// (after a Stop that timed out) still has its exit event and finished flag.
struct WorkerThread::Shared {
    Event exitEvent{Event::ResetMode::Manual};
    std::mutex mutex;
    std::condition_variable finishedChanged;
    bool finished = false;
};

WorkerThread::~WorkerThread() {
    if (!thread_.joinable()) return;
    if (!Stop(0)) {
        DebugTraceF("worker thread '%s' still running at destruction; left to end on its own", name_.c_str());
        thread_.detach();
    }
}

bool WorkerThread::Start(std::string name, Body body) {
    if (Running()) return false;
    if (thread_.joinable()) thread_.join();
    name_ = std::move(name);
    shared_ = std::make_shared<Shared>();
    // The system keeps 15 bytes of a thread's name; what it shows in ps, top and /proc.
    thread_ = std::thread([shared = shared_, body = std::move(body), osName = name_.substr(0, 15)] {
        pthread_setname_np(pthread_self(), osName.c_str());
        body(shared->exitEvent);
        std::lock_guard lock(shared->mutex);
        shared->finished = true;
        shared->finishedChanged.notify_all();
    });
    return true;
}

bool WorkerThread::Stop(std::uint32_t timeoutMs) {
    if (!thread_.joinable()) return true;
    shared_->exitEvent.Set();
    bool finished;
    {
        std::unique_lock lock(shared_->mutex);
        finished = shared_->finishedChanged.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                                     [this] { return shared_->finished; });
    }
    if (!finished) {
        DebugTraceF("worker thread '%s' did not end within %u ms", name_.c_str(), timeoutMs);
        return false;
    }
    thread_.join();
    return true;
}

bool WorkerThread::Running() const {
    if (!thread_.joinable()) return false;
    std::lock_guard lock(shared_->mutex);
    return !shared_->finished;
}

Event* WorkerThread::ExitEvent() const { return Running() ? &shared_->exitEvent : nullptr; }

}  // namespace kx58
