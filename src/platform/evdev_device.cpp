#include "platform/evdev_device.h"

#include <cerrno>
#include <ctime>
#include <iterator>

#include <fcntl.h>
#include <libevdev/libevdev.h>
#include <unistd.h>

#include "platform/tick.h"

namespace kx58 {
namespace {

constexpr unsigned kLetterKeys[] = {
    KEY_A, KEY_B, KEY_C, KEY_D, KEY_E, KEY_F, KEY_G, KEY_H, KEY_I, KEY_J, KEY_K, KEY_L, KEY_M,
    KEY_N, KEY_O, KEY_P, KEY_Q, KEY_R, KEY_S, KEY_T, KEY_U, KEY_V, KEY_W, KEY_X, KEY_Y, KEY_Z,
};

bool HasKey(const libevdev* dev, unsigned code) { return libevdev_has_event_code(dev, EV_KEY, code); }

bool LooksLikeKeyboard(const libevdev* dev) {
    bool letters = true;
    for (unsigned code : kLetterKeys) letters = letters && HasKey(dev, code);
    return letters || (HasKey(dev, KEY_SPACE) && HasKey(dev, KEY_ENTER));
}

bool LooksLikeMouse(const libevdev* dev) {
    return HasKey(dev, BTN_LEFT) && libevdev_has_event_code(dev, EV_REL, REL_X);
}

EvdevOpenResult OpenFailure(int error) {
    if (error == EACCES || error == EPERM) return EvdevOpenResult::Unreadable;
    if (error == ENOENT || error == ENODEV || error == ENXIO) return EvdevOpenResult::Missing;
    return EvdevOpenResult::NotInput;
}

}  // namespace

EvdevOpenResult EvdevDevice::Open(const std::string& path, std::unique_ptr<EvdevDevice>& device) {
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return OpenFailure(errno);
    libevdev* dev = nullptr;
    if (libevdev_new_from_fd(fd, &dev) < 0) {
        close(fd);
        return EvdevOpenResult::NotInput;
    }
    std::unique_ptr<EvdevDevice> opened(new EvdevDevice(path, fd, dev));
    if (!opened->keyboard_ && !opened->mouse_) return EvdevOpenResult::Neither;
    device = std::move(opened);
    return EvdevOpenResult::Opened;
}

EvdevDevice::EvdevDevice(std::string path, int fd, libevdev* dev)
    : path_(std::move(path)), fd_(fd), dev_(dev), keyboard_(LooksLikeKeyboard(dev)), mouse_(LooksLikeMouse(dev)) {
    // Event times then share the clock of TickCount.
    monotonicTimes_ = libevdev_set_clock_id(dev_, CLOCK_MONOTONIC) == 0;
}

EvdevDevice::~EvdevDevice() {
    ReleaseGrab();
    libevdev_free(dev_);
    close(fd_);
}

void EvdevDevice::RequestGrab() {
    if (grabbed_) return;
    grabPending_ = true;
    GrabIfNoKeyHeld();
}

void EvdevDevice::ReleaseGrab() {
    grabPending_ = false;
    if (grabbed_) libevdev_grab(dev_, LIBEVDEV_UNGRAB);
    grabbed_ = false;
}

bool EvdevDevice::AnyKeyHeld() const {
    for (unsigned code = 0; code <= KEY_MAX; ++code)
        if (HasKey(dev_, code) && libevdev_get_event_value(dev_, EV_KEY, code) != 0) return true;
    return false;
}

void EvdevDevice::GrabIfNoKeyHeld() {
    if (AnyKeyHeld()) return;
    // Another program's grab (EBUSY) is not fought over: the keys then stay shared.
    grabbed_ = libevdev_grab(dev_, LIBEVDEV_GRAB) == 0;
    grabPending_ = false;
}

DWORD EvdevDevice::EventTime(const input_event& event) const {
    if (!monotonicTimes_) return TickCount();
    const auto ms = static_cast<std::uint64_t>(event.input_event_sec) * 1000u +
                    static_cast<std::uint64_t>(event.input_event_usec) / 1000u;
    return static_cast<DWORD>(ms);
}

void EvdevDevice::HandleEvent(const input_event& event, const KeySink& sink) {
    if (event.type != EV_KEY) return;
    sink(event, EventTime(event));
    if (grabPending_ && event.value == 0) GrabIfNoKeyHeld();
}

bool EvdevDevice::ReadEvents(const KeySink& sink) {
    unsigned flags = LIBEVDEV_READ_FLAG_NORMAL;
    for (;;) {
        input_event event{};
        const int rc = libevdev_next_event(dev_, flags, &event);
        if (rc == -EAGAIN && flags == LIBEVDEV_READ_FLAG_NORMAL) return true;
        if (rc == -EAGAIN) {
            // The missed changes are all handed on; the queue goes on after them.
            flags = LIBEVDEV_READ_FLAG_NORMAL;
            continue;
        }
        if (rc < 0) return false;
        if (rc == LIBEVDEV_READ_STATUS_SYNC) flags = LIBEVDEV_READ_FLAG_SYNC;
        HandleEvent(event, sink);
    }
}

}  // namespace kx58
