#include "device/device_threads.h"

#include "platform/debug_trace.h"

namespace kx58 {

void TracedThread::SignalExit() {
    if (Event* exit = thread_.ExitEvent()) exit->Set();
}

bool TracedThread::Start(std::string name, WorkerThread::Body body) {
    if (!thread_.Start(std::move(name), std::move(body))) return false;
    started_ = true;
    return true;
}

ThreadStopOutcome TracedThread::Stop(std::uint32_t timeoutMs) {
    if (!started_) return ThreadStopOutcome::NotRunning;
    if (thread_.Stop(timeoutMs)) {
        started_ = false;
        DebugTrace(kThreadEndedTrace);
        return ThreadStopOutcome::Ended;
    }
    DebugTrace(kThreadTimedOutTrace);
    return ThreadStopOutcome::TimedOut;
}

EventCollections::~EventCollections() { CloseAll(); }

bool EventCollections::Open(const std::string& path, DeviceKind kind, UsageHandler handler) {
    Side& side = SideOf(kind);
    std::lock_guard lock(side.lock);
    // A sync thread that did not end still owns the collection; it must not be reopened.
    if (!CloseSide(side)) return false;
    if (!side.collection.Open(path, true, false, true, false)) return false;
    side.open = true;
    side.reports = 0;
    const bool started = side.thread.Start(
        IsReceiver(kind) ? "device sync 2.4G" : "device sync cable",
        [&side, kind, handler = std::move(handler)](Event& exitEvent) { SyncLoop(side, kind, handler, exitEvent); });
    if (!started) {
        side.collection.Close();
        side.open = false;
    }
    return started;
}

void EventCollections::Close(DeviceKind kind) {
    Side& side = SideOf(kind);
    std::lock_guard lock(side.lock);
    CloseSide(side);
}

void EventCollections::CloseAll() {
    for (Side* side : {&cable_, &wireless_}) {
        std::lock_guard lock(side->lock);
        // The handler reaches the owner, so the owner waits (in bounded, traced rounds) until
        // the thread has ended rather than leave it running.
        for (int round = 0; round < kFinalStopRounds && !CloseSide(*side); ++round) {}
    }
}

bool EventCollections::IsOpen(DeviceKind kind) const { return SideOf(kind).open; }

std::uint64_t EventCollections::ReportsHandled(DeviceKind kind) const { return SideOf(kind).reports; }

bool EventCollections::CloseSide(Side& side) {
    side.thread.SignalExit();
    side.open = false;
    side.collection.Close();  // wakes a read that waits without timeout
    return side.thread.Stop(kSyncThreadStopMs) != ThreadStopOutcome::TimedOut;
}

void EventCollections::SyncLoop(Side& side, DeviceKind kind, const UsageHandler& handler, Event& exitEvent) {
    std::vector<std::uint8_t> report(64);
    std::vector<HidUsageEntry> usages;  // a copy: a Close may free the collection's own table
    while (!exitEvent.Wait(1)) {
        if (!side.open) continue;
        const auto length = static_cast<std::uint32_t>(report.size());
        std::uint32_t count = 0;
        if (!side.collection.Read(report.data(), length, &count, kInfinite)) {
            // Closed or gone: wait for the exit event rather than spin on a dead collection.
            exitEvent.Wait(100);
            continue;
        }
        if (!side.collection.DecodeInput(report.data(), count, &usages) || usages.empty()) continue;
        const HidUsageEntry& first = usages.front();
        const std::uint16_t usage =
            first.isButton ? (first.listLength > 0 ? first.usageList.front() : 0)
                           : static_cast<std::uint16_t>(first.rawValue);
        if (handler) handler(kind, usage);
        ++side.reports;  // counted once handled, so a caller that sees it sees what it caused
    }
    DebugTrace(kSyncThreadExitTrace);
}

}  // namespace kx58
