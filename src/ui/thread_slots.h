#pragma once
// The main window's 20 thread slots. A slot holds one worker (a thread it started itself or a
// loop that owns its thread, such as the device-capture loop). At shutdown every slot is
// signalled first, then each one is waited for up to its bound while the waiting thread keeps
// answering messages sent to it, so a worker blocked in a send can see its stop event. A
// worker that does not end in time is reported and left alone: it is never killed.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/worker_thread.h"

namespace kx58 {

inline constexpr std::size_t kThreadSlotCount = 20;
inline constexpr std::size_t kDeviceCaptureSlot = 0;
inline constexpr std::size_t kAudioDaemonSlot = 1;
inline constexpr std::size_t kLightSyncSlot = 8;
inline constexpr std::size_t kSleepWatchSlot = 9;
inline constexpr std::uint32_t kThreadStopBoundMs = 1000;

class ThreadSlots {
public:
    // Signals the worker and waits up to the given time; true once it has ended.
    using StopFunction = std::function<bool(std::uint32_t timeoutMs)>;

    ThreadSlots() = default;
    ~ThreadSlots();
    ThreadSlots(const ThreadSlots&) = delete;
    ThreadSlots& operator=(const ThreadSlots&) = delete;

    // Starts a thread of the slot's own. False for a busy or unknown slot or a failed start.
    bool Start(std::size_t slot, std::string name, WorkerThread::Body body);
    // Puts a worker that owns its thread into the slot.
    bool Adopt(std::size_t slot, std::string name, StopFunction stop);
    bool Holds(std::size_t slot) const;

    struct StopResult {
        std::size_t ended = 0;
        std::size_t stillRunning = 0;
    };
    // Signals every slot, then waits for each up to `boundMs`, calling `pump` between short
    // waits (the UI thread passes a function that handles sends addressed to it). Slots are
    // empty afterwards, except those whose worker is still running.
    StopResult StopAll(const std::function<void()>& pump, std::uint32_t boundMs = kThreadStopBoundMs);

private:
    struct Slot {
        std::string name;
        std::unique_ptr<WorkerThread> thread;  // owned thread, or null for an adopted worker
        StopFunction stop;
    };
    bool WaitForSlot(Slot& slot, std::size_t index, const std::function<void()>& pump, std::uint32_t boundMs);

    std::array<Slot, kThreadSlotCount> slots_;
};

}  // namespace kx58
