#pragma once
// InputHook: the keys and mouse buttons pressed anywhere on the desktop, for a macro recording
// and for the key capture of the key editor, in place of the low-level keyboard hook and the
// hook library.
//
// Two sources feed it. The input devices (evdev): while the hook is installed with a grab,
// the keyboards are grabbed so their keys reach no other program; the lock keys are passed
// on so they still toggle. The program window's own key and button events: used for keys
// when no keyboard can be read, and for buttons when no mouse can be read; the window also
// tells where the pointer is, which a device cannot. Events reach the sink on the thread that
// installed the hook, through its message queue, in the order they happened.
#include <climits>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/win_types.h"

namespace kx58 {

class MessageWindow;
using ULONG_PTR = std::uintptr_t;

// The low-level keyboard hook's record.
struct KBDLLHOOKSTRUCT {
    DWORD vkCode = 0;
    DWORD scanCode = 0;
    DWORD flags = 0;  // LLKHF_*
    DWORD time = 0;   // tick count of the event
    ULONG_PTR dwExtraInfo = 0;
};
inline constexpr DWORD LLKHF_EXTENDED = 0x01;
inline constexpr DWORD LLKHF_UP = 0x80;

// A mouse-button event as the hook library hands it on: the screen point at byte 0, the mouse
// data at byte 20 (the X button, 1 back or 2 forward, in the high word), then the event time.
struct MouseHookRecord {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::uint32_t window = 0;
    std::uint32_t hitTestCode = 0;
    std::uint32_t extraInfo = 0;
    std::uint32_t mouseData = 0;
    std::uint32_t time = 0;  // tick count of the event
};
static_assert(offsetof(MouseHookRecord, mouseData) == 20);
inline constexpr std::uint32_t XBUTTON1 = 1;  // back
inline constexpr std::uint32_t XBUTTON2 = 2;  // forward

// The point of a button event that happened while the pointer was outside the window.
inline constexpr std::int32_t kPointOutside = INT32_MIN;

struct InputHookEvent {
    UINT message = 0;          // WM_KEYDOWN / WM_KEYUP, or WM_LBUTTONDOWN ... WM_XBUTTONUP
    KBDLLHOOKSTRUCT key{};     // key messages
    MouseHookRecord mouse{};   // button messages
    bool IsKey() const { return message >= WM_KEYDOWN && message <= WM_SYSKEYUP; }
};

// What the input devices offer at the moment.
struct InputDeviceStatus {
    int keyboards = 0;        // keyboards being read
    int mice = 0;             // mice being read
    int grabbed = 0;          // keyboards grabbed
    int unreadable = 0;       // input nodes that exist but cannot be opened (permissions)
    bool lockKeysPassedOn = false;  // lock keys toggle through the pass-on keyboard while grabbed
};

// The device side of the hook: the evdev backend, or a test's own.
class InputDeviceSource {
public:
    using Deliver = std::function<void(const InputHookEvent&)>;
    virtual ~InputDeviceSource() = default;
    // Opens the input devices and reads them on the source's own thread, which calls `deliver`
    // for every key event (down, repeat as down, up) and button event. Mouse points are left
    // 0: the hook fills them in. With `grabKeyboards` the keyboards' keys reach no other
    // program until Stop. False when the thread cannot start; no readable device is not a
    // failure (Status tells).
    virtual bool Start(Deliver deliver, bool grabKeyboards) = 0;
    // Releases every grab, closes the devices and ends the thread. Also run by the destructor.
    virtual void Stop() = 0;
    virtual InputDeviceStatus Status() const = 0;
};

// The evdev backend over the event nodes of `folder` (keyboards: nodes with letter keys;
// mice: nodes with a left button and relative motion). Devices plugged in while it runs are
// opened too.
std::unique_ptr<InputDeviceSource> MakeEvdevInputSource(std::string folder = "/dev/input");

// Which source delivers keys while the hook is installed.
enum class InputHookSource { None, Devices, Window };

class InputHook {
public:
    using Sink = std::function<void(const InputHookEvent&)>;

    // `devices` may be null: the window is then the only source.
    explicit InputHook(std::unique_ptr<InputDeviceSource> devices);
    ~InputHook();
    InputHook(const InputHook&) = delete;
    InputHook& operator=(const InputHook&) = delete;

    // Starts delivering to `sink` on the calling thread (which must run a message queue).
    // Installing again replaces the sink and the grab. False only when nothing can deliver.
    bool Install(Sink sink, bool grabKeyboards);
    void Uninstall();
    bool Installed() const { return installed_; }
    InputHookSource KeySource() const;
    InputDeviceStatus DeviceStatus() const;

    // The program window's input, with the pointer at (x, y) on the screen (kPointOutside
    // when it left the window). True when the hook took the event so that no control sees it
    // (keys while installed and read from the window). Key messages carry the virtual-key
    // code in wParam and the evdev key code, when the window knows it, in lParam bits 0-15.
    bool TakeWindowInput(UINT message, WPARAM wParam, LPARAM lParam, std::int32_t x, std::int32_t y);

    // Tests: an event as if a device had produced it (the pointer filled in as for one); from
    // any thread.
    void InjectDeviceEvent(const InputHookEvent& event);

    struct Shared;

private:
    void Deliver(const InputHookEvent& event);

    std::unique_ptr<InputDeviceSource> devices_;
    std::shared_ptr<Shared> shared_;
    std::unique_ptr<MessageWindow> drainWindow_;
    Sink sink_;
    bool devicesRunning_ = false;
    bool installed_ = false;
    bool grab_ = false;
    std::int32_t pointerX_ = kPointOutside;
    std::int32_t pointerY_ = kPointOutside;
};

}  // namespace kx58
