// The evdev side of the input hook: one named thread polls the keyboards and mice of a folder
// of event nodes, the folder itself (devices plugged in later) and a stop eventfd.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <optional>
#include <set>
#include <system_error>
#include <thread>
#include <vector>

#include <dirent.h>
#include <libevdev/libevdev-uinput.h>
#include <libevdev/libevdev.h>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

#include "platform/debug_trace.h"
#include "platform/evdev_device.h"
#include "platform/input_hook.h"
#include "platform/input_key_codes.h"

namespace kx58 {
namespace {

struct ButtonMessages {
    unsigned code;
    UINT down;
    UINT up;
    std::uint32_t xButton;
};
constexpr ButtonMessages kButtons[] = {
    {.code = BTN_LEFT, .down = WM_LBUTTONDOWN, .up = WM_LBUTTONUP, .xButton = 0},
    {.code = BTN_RIGHT, .down = WM_RBUTTONDOWN, .up = WM_RBUTTONUP, .xButton = 0},
    {.code = BTN_MIDDLE, .down = WM_MBUTTONDOWN, .up = WM_MBUTTONUP, .xButton = 0},
    {.code = BTN_SIDE, .down = WM_XBUTTONDOWN, .up = WM_XBUTTONUP, .xButton = XBUTTON1},
    {.code = BTN_EXTRA, .down = WM_XBUTTONDOWN, .up = WM_XBUTTONUP, .xButton = XBUTTON2},
};

constexpr unsigned kLockKeys[] = {KEY_CAPSLOCK, KEY_NUMLOCK, KEY_SCROLLLOCK};

constexpr int kKeyUp = 0;
constexpr int kKeyRepeat = 2;

bool IsLockKey(unsigned code) { return std::find(std::begin(kLockKeys), std::end(kLockKeys), code) != std::end(kLockKeys); }

bool IsEventNode(const char* name) { return std::strncmp(name, "event", 5) == 0; }

std::optional<InputHookEvent> ButtonEvent(const input_event& event, DWORD time) {
    if (event.value == kKeyRepeat) return std::nullopt;
    for (const ButtonMessages& button : kButtons) {
        if (button.code != event.code) continue;
        InputHookEvent hook;
        hook.message = event.value == kKeyUp ? button.up : button.down;
        hook.mouse.mouseData = button.xButton << 16;
        hook.mouse.time = time;
        return hook;
    }
    return std::nullopt;
}

// Auto-repeat arrives as another key-down, as the low-level hook reports it.
std::optional<InputHookEvent> KeyEvent(const input_event& event, DWORD time) {
    const std::optional<InputKeyCode> key = KeyCodeOfEvdev(event.code);
    if (!key) return std::nullopt;
    const bool up = event.value == kKeyUp;
    InputHookEvent hook;
    hook.message = up ? WM_KEYUP : WM_KEYDOWN;
    hook.key.vkCode = key->virtualKey;
    hook.key.scanCode = key->scanCode;
    hook.key.flags = (key->extended ? LLKHF_EXTENDED : 0) | (up ? LLKHF_UP : 0);
    hook.key.time = time;
    return hook;
}

// A virtual keyboard with only the lock keys: while the keyboards are grabbed their lock keys
// go on through it, so that Caps Lock, Num Lock and Scroll Lock still toggle on the desktop.
class LockKeyPassOn {
public:
    ~LockKeyPassOn() { Destroy(); }

    // False when /dev/uinput cannot be opened for writing.
    bool Create() {
        libevdev* keys = libevdev_new();
        libevdev_set_name(keys, "KX58 lock keys");
        libevdev_enable_event_type(keys, EV_SYN);
        libevdev_enable_event_type(keys, EV_KEY);
        for (unsigned code : kLockKeys) libevdev_enable_event_code(keys, EV_KEY, code, nullptr);
        const int created = libevdev_uinput_create_from_device(keys, LIBEVDEV_UINPUT_OPEN_MANAGED, &uinput_);
        libevdev_free(keys);
        if (created < 0) uinput_ = nullptr;
        return uinput_ != nullptr;
    }

    void Destroy() {
        if (uinput_) libevdev_uinput_destroy(uinput_);
        uinput_ = nullptr;
    }

    bool Active() const { return uinput_ != nullptr; }

    void PassOn(unsigned code, int value) {
        if (!uinput_) return;
        libevdev_uinput_write_event(uinput_, EV_KEY, code, value);
        libevdev_uinput_write_event(uinput_, EV_SYN, SYN_REPORT, 0);
    }

private:
    libevdev_uinput* uinput_ = nullptr;
};

class EvdevInputSource final : public InputDeviceSource {
public:
    explicit EvdevInputSource(std::string folder) : folder_(std::move(folder)) {}
    ~EvdevInputSource() override { Stop(); }

    bool Start(Deliver deliver, bool grabKeyboards) override;
    void Stop() override;
    InputDeviceStatus Status() const override;

private:
    void WatchFolder();
    void ScanFolder();
    void OpenNode(const std::string& name);
    bool IsOpen(const std::string& path) const;
    void Run();
    bool WaitAndDispatch();
    void ReadFolderChanges();
    void ReadDevice(std::size_t index, short revents);
    void OnKey(const EvdevDevice& device, const input_event& event, DWORD time);
    void PublishStatus();
    void CloseAll();

    const std::string folder_;
    Deliver deliver_;
    bool grab_ = false;
    int stopFd_ = -1;
    int inotifyFd_ = -1;
    std::vector<std::unique_ptr<EvdevDevice>> devices_;
    std::set<std::string> unreadable_;  // node names
    std::set<std::string> neither_;     // node names of devices that are no keyboard nor mouse
    LockKeyPassOn passOn_;
    std::thread thread_;
    mutable std::mutex statusMutex_;
    InputDeviceStatus status_;
};

bool EvdevInputSource::Start(Deliver deliver, bool grabKeyboards) {
    Stop();
    deliver_ = deliver ? std::move(deliver) : [](const InputHookEvent&) {};
    grab_ = grabKeyboards;
    stopFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (stopFd_ < 0) return false;
    if (grab_ && !passOn_.Create()) DebugTrace("input hook: no uinput, lock keys do not toggle while grabbed");
    // Watched before the scan, so that no node created in between is missed.
    WatchFolder();
    ScanFolder();
    PublishStatus();
    try {
        thread_ = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
        CloseAll();
        return false;
    }
    return true;
}

void EvdevInputSource::Stop() {
    if (thread_.joinable()) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = write(stopFd_, &one, sizeof one);
        thread_.join();
    }
    CloseAll();
}

InputDeviceStatus EvdevInputSource::Status() const {
    std::lock_guard<std::mutex> lock(statusMutex_);
    return status_;
}

void EvdevInputSource::CloseAll() {
    // Every grab goes at once, before the slower closing of the nodes.
    for (auto& device : devices_) device->ReleaseGrab();
    devices_.clear();
    passOn_.Destroy();
    if (inotifyFd_ >= 0) close(inotifyFd_);
    if (stopFd_ >= 0) close(stopFd_);
    inotifyFd_ = stopFd_ = -1;
    unreadable_.clear();
    neither_.clear();
    PublishStatus();
}

void EvdevInputSource::WatchFolder() {
    inotifyFd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (inotifyFd_ < 0) return;
    // udev creates a node, then gives the user access to it (an attribute change).
    if (inotify_add_watch(inotifyFd_, folder_.c_str(), IN_CREATE | IN_ATTRIB | IN_DELETE) >= 0) return;
    close(inotifyFd_);
    inotifyFd_ = -1;
}

void EvdevInputSource::ScanFolder() {
    DIR* dir = opendir(folder_.c_str());
    if (!dir) return;  // no input folder: no devices
    std::vector<std::string> names;
    while (const dirent* entry = readdir(dir))
        if (IsEventNode(entry->d_name)) names.emplace_back(entry->d_name);
    closedir(dir);
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) OpenNode(name);
}

bool EvdevInputSource::IsOpen(const std::string& path) const {
    return std::any_of(devices_.begin(), devices_.end(), [&](const auto& device) { return device->Path() == path; });
}

void EvdevInputSource::OpenNode(const std::string& name) {
    const std::string path = folder_ + "/" + name;
    if (IsOpen(path) || neither_.count(name)) return;
    std::unique_ptr<EvdevDevice> device;
    const EvdevOpenResult result = EvdevDevice::Open(path, device);
    if (result == EvdevOpenResult::Unreadable) unreadable_.insert(name);
    else unreadable_.erase(name);
    if (result == EvdevOpenResult::Neither) neither_.insert(name);
    if (result != EvdevOpenResult::Opened) return;
    // A node that is a keyboard and a mouse at once stays shared: the user must still be
    // able to click the stop button.
    if (grab_ && device->IsKeyboard() && !device->IsMouse()) device->RequestGrab();
    devices_.push_back(std::move(device));
}

void EvdevInputSource::Run() {
    pthread_setname_np(pthread_self(), "input-hook");
    while (WaitAndDispatch()) {
    }
}

bool EvdevInputSource::WaitAndDispatch() {
    constexpr std::size_t kFirstDevice = 2;
    std::vector<pollfd> fds{{stopFd_, POLLIN, 0}, {inotifyFd_, POLLIN, 0}};
    for (const auto& device : devices_) fds.push_back({device->Fd(), POLLIN, 0});
    if (poll(fds.data(), fds.size(), -1) < 0) {
        if (errno == EINTR) return true;
        DebugTrace("input hook: poll failed, devices are no longer read");
        return false;
    }
    if (fds[0].revents) return false;
    if (fds[1].revents) ReadFolderChanges();  // only adds devices behind the polled ones
    // From the back, so that closing a device keeps the indices before it.
    for (std::size_t i = fds.size(); i-- > kFirstDevice;)
        if (fds[i].revents) ReadDevice(i - kFirstDevice, fds[i].revents);
    PublishStatus();
    return true;
}

void EvdevInputSource::ReadFolderChanges() {
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t length = read(inotifyFd_, buffer, sizeof buffer);
        if (length <= 0) return;
        for (ssize_t offset = 0; offset < length;) {
            const auto* change = reinterpret_cast<const inotify_event*>(buffer + offset);
            offset += static_cast<ssize_t>(sizeof(inotify_event) + change->len);
            if (change->len == 0 || !IsEventNode(change->name)) continue;
            // A node created anew may be another device than the one that had its name; an
            // open device that went notices it by its read error.
            if (change->mask & (IN_CREATE | IN_DELETE)) {
                neither_.erase(change->name);
                unreadable_.erase(change->name);
            }
            if (!(change->mask & IN_DELETE)) OpenNode(change->name);
        }
    }
}

void EvdevInputSource::ReadDevice(std::size_t index, short revents) {
    EvdevDevice& device = *devices_[index];
    const bool read = device.ReadEvents([&](const input_event& event, DWORD time) { OnKey(device, event, time); });
    if (read && !(revents & (POLLERR | POLLHUP | POLLNVAL))) return;
    // Unplugged or broken: the device goes, with its grab; the others carry on.
    devices_.erase(devices_.begin() + static_cast<std::ptrdiff_t>(index));
}

void EvdevInputSource::OnKey(const EvdevDevice& device, const input_event& event, DWORD time) {
    if (device.IsMouse()) {
        if (const std::optional<InputHookEvent> button = ButtonEvent(event, time)) {
            deliver_(*button);
            return;
        }
    }
    if (!device.IsKeyboard()) return;
    if (device.Grabbed() && IsLockKey(event.code) && event.value != kKeyRepeat) passOn_.PassOn(event.code, event.value);
    if (const std::optional<InputHookEvent> key = KeyEvent(event, time)) deliver_(*key);
}

void EvdevInputSource::PublishStatus() {
    InputDeviceStatus status;
    for (const auto& device : devices_) {
        status.keyboards += device->IsKeyboard();
        status.mice += device->IsMouse();
        status.grabbed += device->Grabbed();
    }
    status.unreadable = static_cast<int>(unreadable_.size());
    status.lockKeysPassedOn = passOn_.Active();
    std::lock_guard<std::mutex> lock(statusMutex_);
    status_ = status;
}

}  // namespace

std::unique_ptr<InputDeviceSource> MakeEvdevInputSource(std::string folder) {
    return std::make_unique<EvdevInputSource>(std::move(folder));
}

}  // namespace kx58
