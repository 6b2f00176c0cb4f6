#include "device/device_discovery.h"

#include "device/collection_match.h"
#include "device/device_messages.h"
#include "device/hid_device.h"
#include "device/hid_enumeration.h"
#include "device/hid_path.h"
#include "platform/debug_trace.h"
#include "platform/folders.h"
#include "platform/message_queue.h"
#include "platform/registered_messages.h"

namespace kx58 {

CDeviceDiscovery::CDeviceDiscovery() : supported_(SupportedDevices()), working_(SupportedDevices()) {}

CDeviceDiscovery::~CDeviceDiscovery() { Stop(1000); }

bool CDeviceDiscovery::Start(HWND target) {
    if (thread_.Running()) return false;
    announceMessage_ = RegisterWindowMessage(kAppName);
    if (announceMessage_ == 0) return false;
    target_ = target;
    return thread_.Start("device capture", [this](Event& exitEvent) { Run(exitEvent); });
}

bool CDeviceDiscovery::Stop(std::uint32_t timeoutMs) { return thread_.Stop(timeoutMs); }

DeviceMatchEntry CDeviceDiscovery::Row(std::size_t index) const {
    std::lock_guard lock(mutex_);
    return index < working_.size() ? working_[index] : DeviceMatchEntry{};
}

DeviceTable CDeviceDiscovery::Table() const {
    std::lock_guard lock(mutex_);
    return working_;
}

void CDeviceDiscovery::Run(Event& exitEvent) {
    CHidDevice hid;  // serves this loop only
    bool announced = false;
    for (;;) {
        if (exitEvent.Wait(1)) break;
        if (AnyRowFree()) EnumerationPass(hid);
        if (!announced) {
            // Once per run, also when nothing was found: it shows the main window.
            PostMessage(target_, announceMessage_, 0, 0);
            announced = true;
        }
        ProbePresentRows();
        ++passes_;
        if (exitEvent.Wait(kPollIntervalMs)) break;
    }
    DebugTrace("抓取设备线程设定退出");
}

bool CDeviceDiscovery::AnyRowFree() const {
    std::lock_guard lock(mutex_);
    for (const DeviceMatchEntry& row : working_)
        if (row.IsFree()) return true;
    return false;
}

void CDeviceDiscovery::EnumerationPass(CHidDevice& hid) {
    ++enumerations_;
    if (!hid.Enumerate()) {
        // Tried again on the next pass; giving up would miss every later attach.
        DebugTrace("device capture: HID enumeration failed");
        return;
    }
    while (std::optional<std::string> path = hid.NextPath()) ConsiderPath(hid, *path);
    hid.FreePathList();
}

void CDeviceDiscovery::ConsiderPath(CHidDevice& hid, const std::string& path) {
    if (!PathIdsInTable(supported_, path)) return;
    const std::uint16_t vid = ParseVid(path), pid = ParsePid(path);
    const std::uint16_t col = ParseCollection(path), mi = ParseInterface(path);
    {
        std::lock_guard lock(mutex_);
        bool freeRow = false;
        for (const DeviceMatchEntry& row : working_) freeRow |= row.SameIds(vid, pid, col, mi) && row.IsFree();
        if (!freeRow) return;
    }
    const std::optional<CollectionKeys> keys = ReadCollectionKeys(hid, path);
    if (!keys) return;  // tried again on the next pass
    std::optional<std::size_t> taken;
    {
        std::lock_guard lock(mutex_);
        for (std::size_t i = 0; i < working_.size() && !taken; ++i) {
            DeviceMatchEntry& row = working_[i];
            if (!row.IsFree() || !row.SameKeys(keys->vendorId, keys->productId, keys->collection,
                                               keys->interfaceNumber, keys->usagePage, keys->usage))
                continue;
            row.present = 1;
            row.path = path;
            taken = i;
        }
    }
    if (taken) SendMessage(target_, WM_DEVICE_ARRIVED, *taken, 0);
}

void CDeviceDiscovery::ProbePresentRows() {
    for (std::size_t i = 0; i < kSupportedDeviceCount; ++i) {
        const DeviceMatchEntry row = Row(i);
        if (!row.present || HidPathPresent(row.path)) continue;
        {
            std::lock_guard lock(mutex_);
            working_[i].present = 0;
            working_[i].path.clear();
        }
        SendMessage(target_, WM_DEVICE_REMOVED, i, 0);
    }
}

}  // namespace kx58
