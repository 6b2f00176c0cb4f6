#include "platform/message_queue.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <sys/eventfd.h>
#include <unistd.h>

#include "platform/tick.h"
#include "platform/window_registry.h"

namespace kx58 {

// A send waiting for its answer. The sender waits on its own queue (when its thread has one,
// so it keeps answering sends to itself) or on the item's own condition.
struct SentItem {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    std::shared_ptr<MessageQueue> senderQueue;
    std::mutex mutex;
    std::condition_variable doneChanged;
    std::atomic<bool> done{false};
    LRESULT result = 0;
};

struct PostedItem {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

struct TimerKey {
    HWND hwnd;
    std::uintptr_t id;
    bool operator<(const TimerKey& other) const {
        return hwnd != other.hwnd ? hwnd < other.hwnd : id < other.id;
    }
};

struct Timer {
    std::uint32_t intervalMs;
    std::uint64_t due;
};

struct MessageQueue::Impl {
    mutable std::mutex mutex;
    std::condition_variable workChanged;
    std::deque<std::shared_ptr<SentItem>> sends;
    std::deque<PostedItem> posts;
    std::map<TimerKey, Timer> timers;
    std::optional<int> quitCode;
    int wakeFd = -1;

    void Wake() {  // caller holds mutex
        workChanged.notify_all();
        const std::uint64_t one = 1;
        [[maybe_unused]] ssize_t n = write(wakeFd, &one, sizeof one);
    }
    void DrainWakeFd() {
        std::uint64_t value;
        [[maybe_unused]] ssize_t n = read(wakeFd, &value, sizeof value);
    }
    bool HasSendsOrPosts() const { return !sends.empty() || !posts.empty() || quitCode.has_value(); }
    std::optional<std::uint64_t> EarliestDue() const {
        std::optional<std::uint64_t> earliest;
        for (const auto& [key, timer] : timers)
            if (!earliest || timer.due < *earliest) earliest = timer.due;
        return earliest;
    }
};

namespace {

constexpr std::uint32_t kForever = 0xFFFFFFFFu;
thread_local std::shared_ptr<MessageQueue> tCurrentQueue;

LRESULT CallHandler(const detail::WindowEntry& entry, UINT message, WPARAM wParam, LPARAM lParam) {
    return entry.handler && *entry.handler ? (*entry.handler)(message, wParam, lParam) : 0;
}

void Complete(const std::shared_ptr<SentItem>& item, LRESULT result) {
    {
        std::lock_guard lock(item->mutex);
        item->result = result;
        item->done = true;
        item->doneChanged.notify_all();
    }
    if (item->senderQueue) {
        auto& sender = item->senderQueue->impl();
        std::lock_guard lock(sender.mutex);
        sender.Wake();
    }
}

// Blocks the calling thread until the item is answered, answering sends to its own queue.
LRESULT WaitForAnswer(const std::shared_ptr<SentItem>& item) {
    if (!item->senderQueue) {
        std::unique_lock lock(item->mutex);
        item->doneChanged.wait(lock, [&] { return item->done.load(); });
        return item->result;
    }
    auto& own = *item->senderQueue;
    for (;;) {
        own.DispatchSends();
        std::unique_lock lock(own.impl().mutex);
        own.impl().workChanged.wait(lock, [&] { return item->done.load() || !own.impl().sends.empty(); });
        if (item->done.load()) break;
    }
    std::lock_guard lock(item->mutex);
    return item->result;
}

}  // namespace

namespace detail {
std::shared_ptr<MessageQueue> CurrentQueueIfAny() { return tCurrentQueue; }
}  // namespace detail

MessageQueue::MessageQueue(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

MessageQueue::~MessageQueue() {
    // Nobody will answer what is still queued: release the senders with 0.
    for (auto& item : impl_->sends) Complete(item, 0);
    close(impl_->wakeFd);
}

std::shared_ptr<MessageQueue> MessageQueue::ForCurrentThread() {
    if (!tCurrentQueue) {
        auto impl = std::make_unique<Impl>();
        impl->wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        tCurrentQueue = std::make_shared<MessageQueue>(std::move(impl));
    }
    return tCurrentQueue;
}

int MessageQueue::WakeFd() const { return impl_->wakeFd; }

std::optional<int> MessageQueue::QuitCode() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->quitCode;
}

void MessageQueue::DispatchSends() {
    for (;;) {
        std::shared_ptr<SentItem> item;
        {
            std::lock_guard lock(impl_->mutex);
            if (impl_->sends.empty()) return;
            item = impl_->sends.front();
            impl_->sends.pop_front();
        }
        const auto entry = detail::FindLocalWindow(item->hwnd);
        Complete(item, CallHandler(entry, item->message, item->wParam, item->lParam));
    }
}

bool MessageQueue::DispatchPending() {
    impl_->DrainWakeFd();
    DispatchSends();
    // Posts queued before this pass; the ones handlers add wait for the next pass.
    std::deque<PostedItem> posts;
    {
        std::lock_guard lock(impl_->mutex);
        posts.swap(impl_->posts);
    }
    for (const auto& post : posts) {
        DispatchSends();
        CallHandler(detail::FindLocalWindow(post.hwnd), post.message, post.wParam, post.lParam);
    }
    // Due timers, each at most once per pass; re-armed before the handler runs so the
    // handler's own KillTimer/SetTimer decide.
    std::vector<TimerKey> due;
    {
        std::lock_guard lock(impl_->mutex);
        const auto now = TickCount64();
        for (auto& [key, timer] : impl_->timers) {
            if (timer.due > now) continue;
            due.push_back(key);
            timer.due = now + timer.intervalMs;
        }
    }
    for (const auto& key : due) {
        {
            std::lock_guard lock(impl_->mutex);
            if (!impl_->timers.count(key)) continue;  // killed by an earlier handler
        }
        DispatchSends();
        CallHandler(detail::FindLocalWindow(key.hwnd), WM_TIMER, key.id, 0);
    }
    std::lock_guard lock(impl_->mutex);
    if (impl_->quitCode && impl_->sends.empty()) return false;
    return true;
}

std::optional<std::uint32_t> MessageQueue::NextTimerDueMs() const {
    std::lock_guard lock(impl_->mutex);
    const auto earliest = impl_->EarliestDue();
    if (!earliest) return std::nullopt;
    const auto now = TickCount64();
    return static_cast<std::uint32_t>(*earliest > now ? std::min<std::uint64_t>(*earliest - now, 0x7FFFFFFF) : 0);
}

bool MessageQueue::WaitForWork(std::uint32_t timeoutMs) {
    std::unique_lock lock(impl_->mutex);
    const auto ready = [&] {
        if (impl_->HasSendsOrPosts()) return true;
        const auto earliest = impl_->EarliestDue();
        return earliest && *earliest <= TickCount64();
    };
    for (;;) {
        if (ready()) return true;
        std::uint64_t waitMs = timeoutMs;
        if (const auto earliest = impl_->EarliestDue()) {
            const auto now = TickCount64();
            waitMs = std::min<std::uint64_t>(waitMs, *earliest > now ? *earliest - now : 0);
        }
        if (timeoutMs == kForever && !impl_->EarliestDue()) {
            impl_->workChanged.wait(lock);
            continue;
        }
        const auto start = TickCount64();
        impl_->workChanged.wait_for(lock, std::chrono::milliseconds(waitMs));
        if (ready()) return true;
        if (timeoutMs != kForever) {
            const auto spent = TickCount64() - start;
            if (spent >= timeoutMs) return false;
            timeoutMs -= static_cast<std::uint32_t>(spent);
        }
    }
}

int MessageQueue::RunLoop() {
    while (DispatchPending()) WaitForWork(kForever);
    return TakeQuitCode().value_or(0);
}

bool MessageQueue::RunUntil(const std::function<bool()>& done) {
    for (;;) {
        if (!DispatchPending()) return false;
        if (done()) return true;
        WaitForWork(kForever);
    }
}

std::optional<int> MessageQueue::TakeQuitCode() {
    std::lock_guard lock(impl_->mutex);
    auto code = impl_->quitCode;
    impl_->quitCode.reset();
    return code;
}

void PostQuitMessage(int exitCode) {
    auto queue = MessageQueue::ForCurrentThread();
    std::lock_guard lock(queue->impl().mutex);
    queue->impl().quitCode = exitCode;
    queue->impl().Wake();
}

LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!hwnd) return 0;
    if (!detail::IsLocalHwnd(hwnd)) return detail::RemoteSend(hwnd, message, wParam, lParam);
    const auto entry = detail::FindLocalWindow(hwnd);
    if (!entry.queue) return 0;
    if (entry.queue == detail::CurrentQueueIfAny()) return CallHandler(entry, message, wParam, lParam);
    auto item = std::make_shared<SentItem>();
    item->hwnd = hwnd;
    item->message = message;
    item->wParam = wParam;
    item->lParam = lParam;
    item->senderQueue = detail::CurrentQueueIfAny();
    {
        auto& target = entry.queue->impl();
        std::lock_guard lock(target.mutex);
        target.sends.push_back(item);
        target.Wake();
    }
    return WaitForAnswer(item);
}

bool PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!hwnd) return false;
    if (!detail::IsLocalHwnd(hwnd)) return detail::RemotePost(hwnd, message, wParam, lParam);
    const auto entry = detail::FindLocalWindow(hwnd);
    if (!entry.queue) return false;
    auto& target = entry.queue->impl();
    std::lock_guard lock(target.mutex);
    target.posts.push_back({hwnd, message, wParam, lParam});
    target.Wake();
    return true;
}

bool SetTimer(HWND hwnd, std::uintptr_t id, std::uint32_t elapseMs) {
    const auto entry = detail::FindLocalWindow(hwnd);
    if (!entry.queue || entry.queue != detail::CurrentQueueIfAny()) return false;
    auto& impl = entry.queue->impl();
    std::lock_guard lock(impl.mutex);
    // No wake: the queue's own thread is running this, and it works out its next wait from
    // the timers once the handler returns.
    impl.timers[{hwnd, id}] = Timer{elapseMs, TickCount64() + elapseMs};
    return true;
}

bool KillTimer(HWND hwnd, std::uintptr_t id) {
    const auto entry = detail::FindLocalWindow(hwnd);
    if (!entry.queue) return false;
    auto& impl = entry.queue->impl();
    std::lock_guard lock(impl.mutex);
    return impl.timers.erase({hwnd, id}) > 0;
}

bool IsWindow(HWND hwnd) {
    if (!hwnd) return false;
    if (!detail::IsLocalHwnd(hwnd)) return detail::RemoteIsWindow(hwnd);
    return detail::FindLocalWindow(hwnd).queue != nullptr;
}

int HwndProcessId(HWND hwnd) {
    return static_cast<int>(reinterpret_cast<std::uintptr_t>(hwnd) >> detail::kWindowNumberBits);
}

namespace detail {

void DropTimersOf(MessageQueue& queue, HWND hwnd) {
    auto& impl = queue.impl();
    std::lock_guard lock(impl.mutex);
    for (auto it = impl.timers.begin(); it != impl.timers.end();)
        it = it->first.hwnd == hwnd ? impl.timers.erase(it) : std::next(it);
}

}  // namespace detail
}  // namespace kx58
