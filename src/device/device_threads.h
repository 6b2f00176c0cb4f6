#pragma once
// The device objects' threads: a worker whose stop reports its outcome in the device
// layer's words, and the consumer collections with their sync threads.
//
// Every thread ends cooperatively: its exit event is signalled and, for a sync thread
// blocked in a read without timeout, the collection is closed, which wakes the read. A thread
// that does not end within its bound is reported and left to end on its own; it is never
// killed (a killed thread could leave a lock held).
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "device/hid/hid_device.h"
#include "device/hid/products.h"
#include "platform/worker_thread.h"

namespace kx58 {

inline constexpr std::uint32_t kLightThreadStopMs = 1000;
inline constexpr std::uint32_t kSyncThreadStopMs = 500;
// Rounds of the bounded wait an owner that is going away allows its threads.
inline constexpr int kFinalStopRounds = 10;

// Traces of a thread stop.
inline constexpr const char* kThreadEndedTrace = "线程退出：：对象处于激发状态\n";
inline constexpr const char* kThreadTimedOutTrace = "线程退出：：对象处于非激发状态，超时\n";
inline constexpr const char* kSyncThreadExitTrace = "MS 设备同步线程设定退出";

enum class ThreadStopOutcome { NotRunning, Ended, TimedOut };

class TracedThread {
public:
    bool Start(std::string name, WorkerThread::Body body);
    // Signals the exit event only (a blocked read is released separately).
    void SignalExit();
    // Signals, waits up to timeoutMs and traces the outcome.
    ThreadStopOutcome Stop(std::uint32_t timeoutMs);
    bool Running() const { return thread_.Running(); }

private:
    WorkerThread thread_;
    bool started_ = false;  // started and not yet seen to end by a Stop
};

// True for the receiver kinds (keyboard 9, mouse 6).

// The two consumer collections of a product (cable and receiver), each with its lock and
// its sync thread. The sync thread reads one report at a time without timeout, decodes it and
// hands the first usage of the first usage entry to the handler.
class EventCollections {
public:
    using UsageHandler = std::function<void(DeviceKind kind, std::uint16_t usage)>;

    EventCollections() = default;
    ~EventCollections();
    EventCollections(const EventCollections&) = delete;
    EventCollections& operator=(const EventCollections&) = delete;

    // Opens the collection of `kind` and starts its sync thread; a collection that is open
    // already is closed first. False when the path does not open.
    bool Open(const std::string& path, DeviceKind kind, UsageHandler handler);
    // Stops the sync thread (closing the collection releases its read) and closes it.
    void Close(DeviceKind kind);
    // Both sides, waiting up to kFinalStopRounds bounded rounds for each thread to end.
    void CloseAll();
    bool IsOpen(DeviceKind kind) const;
    // Reports handled by the sync thread of `kind` since it was opened.
    std::uint64_t ReportsHandled(DeviceKind kind) const;

private:
    struct Side {
        CHidDevice collection;
        std::mutex lock;  // open and close of this side
        std::atomic<bool> open{false};
        std::atomic<std::uint64_t> reports{0};
        TracedThread thread;
    };
    Side& SideOf(DeviceKind kind) { return IsReceiver(kind) ? wireless_ : cable_; }
    const Side& SideOf(DeviceKind kind) const { return IsReceiver(kind) ? wireless_ : cable_; }
    static void SyncLoop(Side& side, DeviceKind kind, const UsageHandler& handler, Event& exitEvent);
    // False when the sync thread did not end in time.
    static bool CloseSide(Side& side);

    Side cable_;
    Side wireless_;
};

}  // namespace kx58
