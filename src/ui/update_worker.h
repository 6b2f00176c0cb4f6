#pragma once
// The settings window's update check: one query of the update service per entry of the
// update list, on a named worker thread. The worker only calls the HTTP client; each result
// is kept under a lock and announced to the window with a posted message, so the window's
// controls are touched on the UI thread alone. Closing the window signals the worker's stop
// event; a query under way ends with the client's time-out.
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "net/update_check.h"
#include "platform/win_types.h"
#include "platform/worker_thread.h"

namespace kx58 {

// What an entry's list item shows, in the order the check moves through.
enum class UpdateItemState { Pending, NotConnected, Failed, Newer, Current };

struct UpdateOutcome {
    std::size_t index = 0;  // into the list the worker was given
    UpdateItemState state = UpdateItemState::Pending;
    UpdateCheckResult result;
};

// The state an answer of the service puts an entry in.
UpdateItemState StateOfResult(const UpdateCheckResult& result);
// "AP" for the application entry, else the product's first type code.
std::string UpdateTypeText(const UpdateProduct& entry);
// "V%d" in decimal, "V%04x" when the entry's versions are hexadecimal.
std::string LocalVersionText(const UpdateProduct& entry);

class UpdateWorker {
public:
    // wParam of the message: the index of the outcome that arrived, or kAllChecked at the end.
    static constexpr WPARAM kAllChecked = ~WPARAM{0};

    // A worker still in a query when the object goes is left to end on its own; it holds
    // nothing of the object.

    // Starts the queries; `message` is posted to `window` as each one ends.
    bool Start(std::vector<UpdateProduct> entries, HWND window, UINT message);
    // Signals the stop event and waits up to `timeoutMs`; true when the thread has ended.
    bool Stop(std::uint32_t timeoutMs);
    // The outcome of entry `index`, once it arrived.
    std::optional<UpdateOutcome> Outcome(std::size_t index) const;

private:
    struct Shared {
        mutable std::mutex lock;
        std::vector<UpdateOutcome> outcomes;
    };
    static void Run(const std::vector<UpdateProduct>& entries, Shared& shared, HWND window, UINT message, Event& stop);

    std::shared_ptr<Shared> shared_ = std::make_shared<Shared>();
    WorkerThread thread_;
};

}  // namespace kx58
