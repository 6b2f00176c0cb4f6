#include "platform/input_hook.h"

#include <deque>
#include <mutex>
#include <optional>
#include <utility>

#include "platform/input_key_codes.h"
#include "platform/message_queue.h"
#include "platform/tick.h"

namespace kx58 {

namespace {

constexpr UINT kDrainEvents = 0x0401;

bool IsButtonMessage(UINT message) {
    switch (message) {
        case WM_LBUTTONDOWN: case WM_LBUTTONUP: case WM_RBUTTONDOWN: case WM_RBUTTONUP:
        case WM_MBUTTONDOWN: case WM_MBUTTONUP: case WM_XBUTTONDOWN: case WM_XBUTTONUP: return true;
        default: return false;
    }
}

// A double click of the window counts as the press it is.
UINT PlainButtonMessage(UINT message) {
    if (message == WM_LBUTTONDBLCLK) return WM_LBUTTONDOWN;
    if (message == 0x0206) return WM_RBUTTONDOWN;  // WM_RBUTTONDBLCLK
    return message;
}

std::optional<InputHookEvent> WindowKeyEvent(UINT message, WPARAM wParam, LPARAM lParam) {
    const unsigned evdevCode = static_cast<unsigned>(lParam & 0xFFFF);
    std::optional<InputKeyCode> key = evdevCode ? KeyCodeOfEvdev(evdevCode) : std::nullopt;
    if (!key) key = KeyCodeOfVirtualKey(static_cast<unsigned>(wParam));
    if (!key) return std::nullopt;
    InputHookEvent event;
    const bool up = message == WM_KEYUP || message == WM_SYSKEYUP;
    event.message = up ? WM_KEYUP : WM_KEYDOWN;
    event.key.vkCode = key->virtualKey;
    event.key.scanCode = key->scanCode;
    event.key.flags = (key->extended ? LLKHF_EXTENDED : 0) | (up ? LLKHF_UP : 0);
    event.key.time = TickCount();
    return event;
}

}  // namespace

// What the device thread and the UI thread share: the events not yet handed on.
struct InputHook::Shared {
    std::mutex lock;
    std::deque<InputHookEvent> events;
    bool accepting = false;
    HWND drainWindow = nullptr;

    void Push(const InputHookEvent& event) {
        bool wake = false;
        {
            std::lock_guard<std::mutex> guard(lock);
            if (!accepting) return;
            wake = events.empty();
            events.push_back(event);
        }
        if (wake) PostMessage(drainWindow, kDrainEvents, 0, 0);
    }
    std::deque<InputHookEvent> Take() {
        std::lock_guard<std::mutex> guard(lock);
        return std::exchange(events, {});
    }
    void Accept(bool on) {
        std::lock_guard<std::mutex> guard(lock);
        accepting = on;
        if (!on) events.clear();
    }
};

InputHook::InputHook(std::unique_ptr<InputDeviceSource> devices)
    : devices_(std::move(devices)), shared_(std::make_shared<Shared>()) {}

InputHook::~InputHook() {
    Uninstall();
}

bool InputHook::Install(Sink sink, bool grabKeyboards) {
    if (!drainWindow_) {
        drainWindow_ = std::make_unique<MessageWindow>([this](UINT message, WPARAM, LPARAM) -> LRESULT {
            if (message != kDrainEvents) return 0;
            for (InputHookEvent event : shared_->Take()) {
                // A device does not know where the pointer is; the window does while it is over it.
                if (!event.IsKey()) {
                    event.mouse.x = pointerX_;
                    event.mouse.y = pointerY_;
                }
                Deliver(event);
            }
            return 0;
        });
        std::lock_guard<std::mutex> guard(shared_->lock);
        shared_->drainWindow = drainWindow_->Hwnd();
    }
    sink_ = std::move(sink);
    if (devices_ && (!devicesRunning_ || grab_ != grabKeyboards)) {
        devices_->Stop();
        shared_->Accept(true);
        devicesRunning_ = devices_->Start([shared = shared_](const InputHookEvent& event) { shared->Push(event); },
                                          grabKeyboards);
    }
    shared_->Accept(true);
    grab_ = grabKeyboards;
    installed_ = true;
    return true;
}

void InputHook::Uninstall() {
    if (devices_ && devicesRunning_) devices_->Stop();
    devicesRunning_ = false;
    shared_->Accept(false);
    installed_ = false;
    sink_ = nullptr;
}

InputDeviceStatus InputHook::DeviceStatus() const {
    return devices_ && devicesRunning_ ? devices_->Status() : InputDeviceStatus{};
}

InputHookSource InputHook::KeySource() const {
    if (!installed_) return InputHookSource::None;
    return DeviceStatus().keyboards > 0 ? InputHookSource::Devices : InputHookSource::Window;
}

bool InputHook::TakeWindowInput(UINT message, WPARAM wParam, LPARAM lParam, std::int32_t x, std::int32_t y) {
    if (message == WM_MOUSEMOVE || message == WM_MOUSELEAVE) {
        pointerX_ = message == WM_MOUSELEAVE ? kPointOutside : x;
        pointerY_ = message == WM_MOUSELEAVE ? kPointOutside : y;
        return false;
    }
    if (!installed_) return false;
    const bool key = message >= WM_KEYDOWN && message <= WM_SYSKEYUP;
    if (key) {
        // Keys from a keyboard being read arrive through the device; the window's copy is
        // only swallowed, so no control types them.
        if (DeviceStatus().keyboards == 0)
            if (const auto event = WindowKeyEvent(message, wParam, lParam)) Deliver(*event);
        return true;
    }
    message = PlainButtonMessage(message);
    if (!IsButtonMessage(message) || DeviceStatus().mice > 0) return false;
    InputHookEvent event;
    event.message = message;
    event.mouse.x = x;
    event.mouse.y = y;
    pointerX_ = x;
    pointerY_ = y;
    if (message == WM_XBUTTONDOWN || message == WM_XBUTTONUP) event.mouse.mouseData = static_cast<std::uint32_t>(wParam & 0xFFFF0000u);
    event.mouse.time = TickCount();
    Deliver(event);
    return false;  // the click still reaches the window's controls (the stop button among them)
}

void InputHook::InjectDeviceEvent(const InputHookEvent& event) {
    shared_->Push(event);
}

void InputHook::Deliver(const InputHookEvent& event) {
    if (!installed_ || !sink_) return;
    const Sink sink = sink_;  // the sink may uninstall the hook
    sink(event);
}

}  // namespace kx58
