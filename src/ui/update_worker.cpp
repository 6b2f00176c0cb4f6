#include "ui/update_worker.h"

#include <strings.h>

#include <cstdio>

#include "net/http_client.h"
#include "platform/debug_trace.h"
#include "platform/message_queue.h"

namespace kx58 {
namespace {

// The HTTP client serves one request at a time; a worker left from an earlier opening may
// still be in its last query.
std::mutex g_queryLock;

UpdateCheckResult Query(const UpdateProduct& entry) {
    std::lock_guard lock(g_queryLock);
    return CheckForUpdate(UpdateAppKey(entry), entry.localVersion, entry.formatNumber != 0);
}

}  // namespace

UpdateItemState StateOfResult(const UpdateCheckResult& result) {
    if (strcasecmp(result.name.c_str(), kNoLinkServer) == 0) return UpdateItemState::NotConnected;
    if (result.status == kUpdateNewer) return UpdateItemState::Newer;
    if (result.status == kUpdateCurrent) return UpdateItemState::Current;
    return UpdateItemState::Failed;
}

std::string UpdateTypeText(const UpdateProduct& entry) { return entry.chip == "ALL" ? "AP" : entry.typeCode1; }

std::string LocalVersionText(const UpdateProduct& entry) {
    char text[24];
    std::snprintf(text, sizeof text, entry.formatNumber == 0 ? "V%d" : "V%04x", entry.localVersion);
    return text;
}

bool UpdateWorker::Start(std::vector<UpdateProduct> entries, HWND window, UINT message) {
    if (thread_.Running()) return false;
    shared_ = std::make_shared<Shared>();
    // The body holds what it needs by value: a worker that outlives the window touches nothing of it.
    return thread_.Start("update check", [entries = std::move(entries), shared = shared_, window, message](Event& stop) {
        Run(entries, *shared, window, message, stop);
    });
}

bool UpdateWorker::Stop(std::uint32_t timeoutMs) { return thread_.Stop(timeoutMs); }

std::optional<UpdateOutcome> UpdateWorker::Outcome(std::size_t index) const {
    std::lock_guard lock(shared_->lock);
    for (const UpdateOutcome& outcome : shared_->outcomes)
        if (outcome.index == index) return outcome;
    return std::nullopt;
}

void UpdateWorker::Run(const std::vector<UpdateProduct>& entries, Shared& shared, HWND window, UINT message, Event& stop) {
    for (std::size_t i = 0; i < entries.size() && !stop.IsSet(); ++i) {
        const UpdateProduct& entry = entries[i];
        UpdateOutcome outcome;
        outcome.index = i;
        outcome.result = Query(entry);
        outcome.state = StateOfResult(outcome.result);
        DebugTraceF("update check: %s answered %d", UpdateAppKey(entry).c_str(), static_cast<int>(outcome.result.status));
        {
            std::lock_guard lock(shared.lock);
            shared.outcomes.push_back(std::move(outcome));
        }
        PostMessage(window, message, i, 0);
    }
    if (!stop.IsSet()) PostMessage(window, message, kAllChecked, 0);
}

}  // namespace kx58
