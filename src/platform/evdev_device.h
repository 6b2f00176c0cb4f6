#pragma once
// One evdev input node read through libevdev: what kind of device it is, its keyboard grab,
// and its key events. Used only by the evdev input source, on one thread at a time.
#include <functional>
#include <memory>
#include <string>

#include <linux/input.h>

#include "platform/win_types.h"

struct libevdev;

namespace kx58 {

enum class EvdevOpenResult {
    Opened,
    Missing,     // the node went away
    Unreadable,  // the node exists but this user may not open it
    NotInput,    // opened, but not an evdev device (or a broken one)
    Neither,     // an input device that is neither a keyboard nor a mouse
};

class EvdevDevice {
public:
    // A key or button change, with its time in the tick-count clock.
    using KeySink = std::function<void(const input_event& event, DWORD time)>;

    static EvdevOpenResult Open(const std::string& path, std::unique_ptr<EvdevDevice>& device);
    ~EvdevDevice();
    EvdevDevice(const EvdevDevice&) = delete;
    EvdevDevice& operator=(const EvdevDevice&) = delete;

    int Fd() const { return fd_; }
    const std::string& Path() const { return path_; }
    bool IsKeyboard() const { return keyboard_; }
    bool IsMouse() const { return mouse_; }
    bool Grabbed() const { return grabbed_; }

    // Grabs the keyboard now when none of its keys is held, otherwise as soon as the last
    // held key goes up (a grab taken over a held key leaves that key stuck down elsewhere).
    void RequestGrab();
    void ReleaseGrab();

    // Reads every event waiting and hands the EV_KEY ones to `sink`, the missed changes
    // included after the kernel dropped events. False when the device is gone or broken.
    [[nodiscard]] bool ReadEvents(const KeySink& sink);

private:
    EvdevDevice(std::string path, int fd, libevdev* dev);
    bool AnyKeyHeld() const;
    void GrabIfNoKeyHeld();
    DWORD EventTime(const input_event& event) const;
    void HandleEvent(const input_event& event, const KeySink& sink);

    std::string path_;
    int fd_ = -1;
    libevdev* dev_ = nullptr;
    bool keyboard_ = false;
    bool mouse_ = false;
    bool monotonicTimes_ = false;
    bool grabbed_ = false;
    bool grabPending_ = false;
};

}  // namespace kx58
