#pragma once
// SleepWatch: the system's suspend and resume, delivered to a window as the power broadcasts
// it knows (WM_POWERBROADCAST with PBT_APMSUSPEND, then PBT_APMRESUMEAUTOMATIC).
//
// It follows logind's PrepareForSleep signal on the system bus ($DBUS_SYSTEM_BUS_ADDRESS when
// set) from a thread of its own, "sleep watch", that runs a GLib loop of its own: nothing
// polls. While the machine is awake the watch holds a logind "delay" inhibitor lock, so a
// suspend waits until the window has handled it (the suspend is sent: the thread waits for the
// window's answer); the lock is let go right after that and taken anew on resume, which is
// posted. Without a system bus, or without logind on it, the watch traces once and the
// program goes on without it. Start and Stop belong to one thread (the window's).
#include <cstdint>
#include <memory>

#include "platform/win_types.h"
#include "platform/worker_thread.h"

namespace kx58 {

class SleepWatch {
public:
    SleepWatch() = default;
    ~SleepWatch();
    SleepWatch(const SleepWatch&) = delete;
    SleepWatch& operator=(const SleepWatch&) = delete;

    // Starts the thread for `window`. False when it already runs.
    bool Start(HWND window);
    // Asks the loop to end and waits up to timeoutMs; true once the thread has ended (or
    // never ran). May be called again after a false.
    bool Stop(std::uint32_t timeoutMs);

    struct Loop;

private:
    std::shared_ptr<Loop> loop_;  // shared with the thread, which may outlive a timed-out Stop
    WorkerThread thread_;
};

}  // namespace kx58
