#pragma once
// What wakes the discovery loop when HID interfaces may have come or gone, instead of a
// timer: udev's hidraw events (netlink, after udev's rules ran, so the node's permissions are
// set) and the entries of the virtual bus folder (inotify). Each enabled backend adds its own
// source. Nothing here says what changed: the loop's pass finds that out.
#include <memory>
#include <vector>

struct pollfd;

namespace kx58 {

class HidChangeSource {
public:
    virtual ~HidChangeSource() = default;
    virtual int Fd() const = 0;
    // Reads what made the descriptor readable; true when it may concern HID interfaces.
    virtual bool Drain() = 0;
    // Called on every safety pass: a source that could not watch yet (the bus folder did not
    // exist) tries again.
    virtual void Retry() {}
};

// The sources of the enabled backends (KX58_HID); a backend whose source cannot be opened is
// left to the loop's safety pass.
std::vector<std::unique_ptr<HidChangeSource>> OpenHidChangeSources();

// A udev monitor of the "hidraw" subsystem.
std::unique_ptr<HidChangeSource> OpenHidrawChangeSource();
// inotify on the virtual bus folder (created when missing, as the bus itself does).
std::unique_ptr<HidChangeSource> OpenVhidChangeSource();

}  // namespace kx58
