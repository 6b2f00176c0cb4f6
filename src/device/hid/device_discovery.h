#pragma once
// The device-capture loop: passes over the HID collections when a backend reports a change
// (then every 100 ms for a second), and every few seconds as a safety net, and tells a window about
// supported collections that appear (WM_DEVICE_ARRIVED) or go (WM_DEVICE_REMOVED), sending
// synchronously so the window attaches and detaches in order. After its first full pass it
// posts the registered "KX58RGBVs Device" message once.
//
// The loop owns the working table. Other threads read rows through Row()/Table(); the loop
// updates a row before it sends the message about it, so the window sees the new state.
//
// Everything the loop uses lives in a state it shares with this object: a loop that overran
// its stops (blocked in a send to an owner that is not answering) and outlives the object ends
// on that state alone and sends nothing more once it sees its exit event.
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "device/hid/supported_devices.h"
#include "platform/win_types.h"
#include "platform/worker_thread.h"

namespace kx58 {

class CHidDevice;

class CDeviceDiscovery {
public:
    static constexpr std::uint32_t kPollIntervalMs = 100;
    // How long after the start and after each change the passes run at the step above.
    static constexpr std::uint32_t kSettleMs = 1000;
    // With nothing changing, a pass this often catches what the change events missed.
    static constexpr std::uint32_t kSafetyPassMs = 5000;

    CDeviceDiscovery();
    ~CDeviceDiscovery();
    CDeviceDiscovery(const CDeviceDiscovery&) = delete;
    CDeviceDiscovery& operator=(const CDeviceDiscovery&) = delete;

    // Starts the loop for `target`. False when it already runs or the announce message
    // cannot be registered.
    bool Start(HWND target);
    // Before Start: another safety-pass interval (tests use a long one to see the events work).
    void SetSafetyPassMs(std::uint32_t ms);
    // Signals the loop and waits up to timeoutMs; true when it has ended.
    bool Stop(std::uint32_t timeoutMs);

    DeviceMatchEntry Row(std::size_t index) const;
    DeviceTable Table() const;
    // Enumerations done since construction (none while every row is taken).
    std::uint64_t EnumerationCount() const;
    // Completed polling passes since construction.
    std::uint64_t PassCount() const;
    // True while the loop sleeps until a change event or its safety pass.
    bool IsAsleep() const;
    UINT AnnounceMessage() const;

private:
    struct State;
    static void Run(State& state, Event& exitEvent);

    std::shared_ptr<State> state_;
    WorkerThread thread_;
};

}  // namespace kx58
