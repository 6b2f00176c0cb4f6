#include "platform/window_registry.h"

#include <map>
#include <mutex>
#include <unistd.h>

#include "platform/session_bus_internal.h"

namespace kx58 {
namespace detail {
namespace {

struct Registry {
    std::mutex mutex;
    std::map<std::uint32_t, WindowEntry> windows;
    std::uint32_t nextNumber = 1;
};

Registry& Windows() {
    static Registry registry;
    return registry;
}

constexpr std::uint32_t kNumberMask = (1u << kWindowNumberBits) - 1;

}  // namespace

HWND MakeHwnd(int pid, std::uint32_t number) {
    const auto value = (static_cast<std::uintptr_t>(pid) << kWindowNumberBits) | (number & kNumberMask);
    return reinterpret_cast<HWND>(value);
}

std::uint32_t HwndNumber(HWND hwnd) { return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(hwnd) & kNumberMask); }

bool IsLocalHwnd(HWND hwnd) { return HwndProcessId(hwnd) == getpid(); }

HWND RegisterWindow(const std::shared_ptr<MessageQueue>& queue, const std::shared_ptr<MessageWindow::Handler>& handler) {
    auto& registry = Windows();
    std::lock_guard lock(registry.mutex);
    std::uint32_t number = registry.nextNumber;
    while (registry.windows.count(number) || number == 0) number = (number + 1) & kNumberMask;
    registry.nextNumber = (number + 1) & kNumberMask;
    registry.windows[number] = WindowEntry{queue, handler};
    return MakeHwnd(getpid(), number);
}

void UnregisterWindow(HWND hwnd) {
    auto& registry = Windows();
    std::lock_guard lock(registry.mutex);
    registry.windows.erase(HwndNumber(hwnd));
}

WindowEntry FindLocalWindow(HWND hwnd) {
    if (!hwnd || !IsLocalHwnd(hwnd)) return {};
    auto& registry = Windows();
    std::lock_guard lock(registry.mutex);
    const auto it = registry.windows.find(HwndNumber(hwnd));
    return it == registry.windows.end() ? WindowEntry{} : it->second;
}

void DropTimersOf(MessageQueue& queue, HWND hwnd);

}  // namespace detail

MessageWindow::MessageWindow(Handler handler)
    : queue_(MessageQueue::ForCurrentThread()), handler_(std::make_shared<Handler>(std::move(handler))) {
    hwnd_ = detail::RegisterWindow(queue_, handler_);
}

MessageWindow::~MessageWindow() {
    // Unregistered first: sends still on their way get 0 instead of a half-destroyed owner.
    detail::UnregisterWindow(hwnd_);
    detail::DropTimersOf(*queue_, hwnd_);
    reachable_.reset();
}

bool MessageWindow::MakeReachable(const std::string& className, const std::string& title, OutsideFilter admits) {
    if (reachable_) return true;
    reachable_ = detail::StartReachable(hwnd_, className, title, std::move(admits));
    return reachable_ != nullptr;
}

}  // namespace kx58
