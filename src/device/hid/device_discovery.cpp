#include "device/hid/device_discovery.h"

#include <poll.h>

#include "device/hid/collection_match.h"
#include "device/hid/hid_change_watch.h"
#include "device/hid/device_messages.h"
#include "device/hid/hid_device.h"
#include "device/hid/hid_enumeration.h"
#include "device/hid/hid_path.h"
#include "platform/debug_trace.h"
#include "platform/folders.h"
#include "platform/message_queue.h"
#include "platform/registered_messages.h"
#include "platform/tick.h"

namespace kx58 {

// Shared by the object and its loop; the loop holds a reference for as long as it runs.
struct CDeviceDiscovery::State {
    const DeviceTable supported = SupportedDevices();
    mutable std::mutex mutex;  // working, arrivals
    DeviceTable working = SupportedDevices();
    std::uint32_t arrivals = 0;
    // Set before the loop starts and not changed while it runs.
    HWND target = nullptr;
    UINT announceMessage = 0;
    std::uint32_t safetyPassMs = kSafetyPassMs;
    std::atomic<std::uint64_t> enumerations{0};
    std::atomic<std::uint64_t> passes{0};
    std::atomic<bool> asleep{false};

    DeviceMatchEntry Row(std::size_t index) const {
        std::lock_guard lock(mutex);
        return index < working.size() ? working[index] : DeviceMatchEntry{};
    }
    bool AnyRowFree() const;
    // False when the exit event stopped the pass.
    bool EnumerationPass(CHidDevice& hid, Event& exitEvent);
    void ConsiderPath(CHidDevice& hid, const std::string& path);
    void ProbePresentRows(Event& exitEvent);
};

CDeviceDiscovery::CDeviceDiscovery() : state_(std::make_shared<State>()) {}

// A loop still blocked after this bound ends later on the shared state (WorkerThread traces it).
CDeviceDiscovery::~CDeviceDiscovery() { Stop(1000); }

bool CDeviceDiscovery::Start(HWND target) {
    if (thread_.Running()) return false;
    state_->announceMessage = RegisterWindowMessage(kAppName);
    if (state_->announceMessage == 0) return false;
    state_->target = target;
    return thread_.Start("device capture",
                         [state = state_](Event& exitEvent) { Run(*state, exitEvent); });
}

void CDeviceDiscovery::SetSafetyPassMs(std::uint32_t ms) {
    if (!thread_.Running()) state_->safetyPassMs = ms;
}

bool CDeviceDiscovery::Stop(std::uint32_t timeoutMs) { return thread_.Stop(timeoutMs); }

DeviceMatchEntry CDeviceDiscovery::Row(std::size_t index) const { return state_->Row(index); }

DeviceTable CDeviceDiscovery::Table() const {
    std::lock_guard lock(state_->mutex);
    return state_->working;
}

std::uint64_t CDeviceDiscovery::EnumerationCount() const { return state_->enumerations.load(); }
std::uint64_t CDeviceDiscovery::PassCount() const { return state_->passes.load(); }
bool CDeviceDiscovery::IsAsleep() const { return state_->asleep.load(); }
UINT CDeviceDiscovery::AnnounceMessage() const { return state_->announceMessage; }

namespace {

enum class Wake { Change, Exit, Timeout };

// Sleeps until a backend reports a change, the exit event or the timeout.
Wake WaitForChange(std::vector<std::unique_ptr<HidChangeSource>>& sources, Event& exitEvent, std::uint32_t timeoutMs) {
    std::vector<pollfd> fds;
    for (const auto& source : sources) fds.push_back({source->Fd(), POLLIN, 0});
    const int woke = WaitEventOrFds(exitEvent, fds, timeoutMs);
    if (woke == kWaitEventSet) return Wake::Exit;
    bool changed = false;
    for (std::size_t i = 0; i < fds.size(); ++i)
        if (fds[i].revents) changed |= sources[i]->Drain();
    return changed ? Wake::Change : Wake::Timeout;
}

}  // namespace

void CDeviceDiscovery::Run(State& state, Event& exitEvent) {
    CHidDevice hid;  // serves this loop only
    std::vector<std::unique_ptr<HidChangeSource>> sources = OpenHidChangeSources();
    bool announced = false;
    // The start and every change are followed by passes at the step for a while: a node may
    // come up in parts (its description, its permissions) after the event that announced it.
    std::uint64_t settleUntil = TickCount64() + kSettleMs;
    for (;;) {
        if (exitEvent.Wait(1)) break;
        if (state.AnyRowFree() && !state.EnumerationPass(hid, exitEvent)) break;
        if (!announced) {
            // Once per run, also when nothing was found: it shows the main window.
            PostMessage(state.target, state.announceMessage, 0, 0);
            announced = true;
        }
        state.ProbePresentRows(exitEvent);
        ++state.passes;
        const bool settling = TickCount64() < settleUntil;
        state.asleep = !settling;
        const Wake wake = WaitForChange(sources, exitEvent, settling ? kPollIntervalMs : state.safetyPassMs);
        state.asleep = false;
        if (wake == Wake::Exit) break;
        if (wake == Wake::Change) settleUntil = TickCount64() + kSettleMs;
        if (wake == Wake::Timeout && !settling)
            for (const auto& source : sources) source->Retry();
    }
    DebugTrace("抓取设备线程设定退出");
}

bool CDeviceDiscovery::State::AnyRowFree() const {
    std::lock_guard lock(mutex);
    for (const DeviceMatchEntry& row : working)
        if (row.IsFree()) return true;
    return false;
}

bool CDeviceDiscovery::State::EnumerationPass(CHidDevice& hid, Event& exitEvent) {
    ++enumerations;
    if (!hid.Enumerate()) {
        // Tried again on the next pass; giving up would miss every later attach.
        DebugTrace("device capture: HID enumeration failed");
        return true;
    }
    bool stopped = false;
    while (!stopped) {
        const std::optional<std::string> path = hid.NextPath();
        if (!path) break;
        ConsiderPath(hid, *path);
        // A send may have kept the loop past its stop: nothing more once it is signalled.
        stopped = exitEvent.Wait(0);
    }
    hid.FreePathList();
    return !stopped;
}

void CDeviceDiscovery::State::ConsiderPath(CHidDevice& hid, const std::string& path) {
    if (!PathIdsInTable(supported, path)) return;
    const std::uint16_t vid = ParseVid(path), pid = ParsePid(path);
    const std::uint16_t col = ParseCollection(path), mi = ParseInterface(path);
    {
        std::lock_guard lock(mutex);
        bool freeRow = false;
        for (const DeviceMatchEntry& row : working) freeRow |= row.SameIds(vid, pid, col, mi) && row.IsFree();
        if (!freeRow) return;
    }
    const std::optional<CollectionKeys> keys = ReadCollectionKeys(hid, path);
    if (!keys) return;  // tried again on the next pass
    std::optional<std::size_t> taken;
    {
        std::lock_guard lock(mutex);
        for (std::size_t i = 0; i < working.size() && !taken; ++i) {
            DeviceMatchEntry& row = working[i];
            if (!row.IsFree() || !row.SameKeys(keys->vendorId, keys->productId, keys->collection,
                                               keys->interfaceNumber, keys->usagePage, keys->usage))
                continue;
            row.present = 1;
            row.path = path;
            row.arrival = ++arrivals;
            taken = i;
        }
    }
    if (taken) SendMessage(target, WM_DEVICE_ARRIVED, *taken, 0);
}

void CDeviceDiscovery::State::ProbePresentRows(Event& exitEvent) {
    for (std::size_t i = 0; i < kSupportedDeviceCount && !exitEvent.Wait(0); ++i) {
        const DeviceMatchEntry row = Row(i);
        if (!row.present || HidPathPresent(row.path)) continue;
        {
            std::lock_guard lock(mutex);
            working[i].present = 0;
            working[i].path.clear();
        }
        SendMessage(target, WM_DEVICE_REMOVED, i, 0);
    }
}

}  // namespace kx58
