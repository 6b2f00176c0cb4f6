#pragma once
// The device-capture loop: polls the HID collections every 100 ms and tells a window about
// supported collections that appear (WM_DEVICE_ARRIVED) or go (WM_DEVICE_REMOVED), sending
// synchronously so the window attaches and detaches in order. After its first full pass it
// posts the registered "KX58RGBVs Device" message once.
//
// The loop owns the working table. Other threads read rows through Row()/Table(); the loop
// updates a row before it sends the message about it, so the window sees the new state.
#include <atomic>
#include <cstdint>
#include <mutex>

#include "device/supported_devices.h"
#include "platform/win_types.h"
#include "platform/worker_thread.h"

namespace kx58 {

class CHidDevice;

class CDeviceDiscovery {
public:
    static constexpr std::uint32_t kPollIntervalMs = 100;

    CDeviceDiscovery();
    ~CDeviceDiscovery();
    CDeviceDiscovery(const CDeviceDiscovery&) = delete;
    CDeviceDiscovery& operator=(const CDeviceDiscovery&) = delete;

    // Starts the loop for `target`. False when it already runs or the announce message
    // cannot be registered.
    bool Start(HWND target);
    // Signals the loop and waits up to timeoutMs; true when it has ended.
    bool Stop(std::uint32_t timeoutMs);

    DeviceMatchEntry Row(std::size_t index) const;
    DeviceTable Table() const;
    // Enumerations done since construction (none while every row is taken).
    std::uint64_t EnumerationCount() const { return enumerations_.load(); }
    // Completed polling passes since construction.
    std::uint64_t PassCount() const { return passes_.load(); }
    UINT AnnounceMessage() const { return announceMessage_; }

private:
    void Run(Event& exitEvent);
    bool AnyRowFree() const;
    void EnumerationPass(CHidDevice& hid);
    void ConsiderPath(CHidDevice& hid, const std::string& path);
    void ProbePresentRows();

    const DeviceTable supported_;
    mutable std::mutex mutex_;  // working_
    DeviceTable working_;
    HWND target_ = nullptr;
    UINT announceMessage_ = 0;
    std::atomic<std::uint64_t> enumerations_{0};
    std::atomic<std::uint64_t> passes_{0};
    WorkerThread thread_;
};

}  // namespace kx58
