#include "device/hid/hid_change_watch.h"

#include <libudev.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "device/hid/hid_backend.h"
#include "device/hid/vhid_bus.h"
#include "platform/debug_trace.h"

namespace kx58 {
namespace {

class HidrawChangeSource final : public HidChangeSource {
public:
    HidrawChangeSource(udev* context, udev_monitor* monitor) : context_(context), monitor_(monitor) {}
    ~HidrawChangeSource() override {
        udev_monitor_unref(monitor_);
        udev_unref(context_);
    }
    int Fd() const override { return udev_monitor_get_fd(monitor_); }
    bool Drain() override {
        bool any = false;
        // The monitor's socket is non-blocking: this ends when the queue is empty.
        while (udev_device* device = udev_monitor_receive_device(monitor_)) {
            any = true;
            udev_device_unref(device);
        }
        return any;
    }

private:
    udev* context_;
    udev_monitor* monitor_;
};

class VhidChangeSource final : public HidChangeSource {
public:
    explicit VhidChangeSource(int fd) : fd_(fd) { Retry(); }
    ~VhidChangeSource() override { close(fd_); }
    int Fd() const override { return fd_; }
    bool Drain() override {
        alignas(inotify_event) char buffer[4096];
        bool any = false;
        for (;;) {
            const ssize_t length = read(fd_, buffer, sizeof buffer);
            if (length <= 0) break;
            for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= length;) {
                inotify_event event;
                std::memcpy(&event, buffer + at, sizeof event);
                // The folder itself went: watch it again once it is back.
                if (event.wd == watch_ && (event.mask & (IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF))) watch_ = -1;
                if (event.wd == parentWatch_ && (event.mask & IN_IGNORED)) parentWatch_ = -1;
                any = true;
                at += static_cast<ssize_t>(sizeof(inotify_event) + event.len);
            }
        }
        if (watch_ < 0 || parentWatch_ >= 0) Retry();
        return any;
    }
    void Retry() override {
        const std::string folder = VhidFolder();
        // A socket appears with its description written beside it by rename: creation, moves
        // and removal are all a device coming or going.
        if (watch_ < 0)
            watch_ = inotify_add_watch(fd_, folder.c_str(),
                                       IN_CREATE | IN_DELETE | IN_MOVED_TO | IN_MOVED_FROM | IN_CLOSE_WRITE |
                                           IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR);
        if (watch_ >= 0) {
            if (parentWatch_ >= 0) inotify_rm_watch(fd_, parentWatch_);
            parentWatch_ = -1;
        } else if (parentWatch_ < 0) {
            // No bus yet: its folder's parent says when one is made.
            const std::string parent = folder.substr(0, folder.find_last_of('/') + 1);
            if (!parent.empty()) parentWatch_ = inotify_add_watch(fd_, parent.c_str(), IN_CREATE | IN_MOVED_TO | IN_ONLYDIR);
        }
    }

private:
    int fd_;
    int watch_ = -1;
    int parentWatch_ = -1;
};

}  // namespace

std::unique_ptr<HidChangeSource> OpenHidrawChangeSource() {
    udev* context = udev_new();
    if (!context) return nullptr;
    udev_monitor* monitor = udev_monitor_new_from_netlink(context, "udev");
    if (!monitor || udev_monitor_filter_add_match_subsystem_devtype(monitor, "hidraw", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor) < 0) {
        if (monitor) udev_monitor_unref(monitor);
        udev_unref(context);
        return nullptr;
    }
    return std::make_unique<HidrawChangeSource>(context, monitor);
}

std::unique_ptr<HidChangeSource> OpenVhidChangeSource() {
    const int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0) return nullptr;
    return std::make_unique<VhidChangeSource>(fd);
}

std::vector<std::unique_ptr<HidChangeSource>> OpenHidChangeSources() {
    std::vector<std::unique_ptr<HidChangeSource>> sources;
    for (const HidBackend* backend : EnabledHidBackends()) {
        const std::string name = backend->Name();
        std::unique_ptr<HidChangeSource> source = name == "hidraw" ? OpenHidrawChangeSource() : OpenVhidChangeSource();
        if (source) sources.push_back(std::move(source));
        else DebugTraceF("device capture: no change events from %s; found by the safety pass only", name.c_str());
    }
    return sources;
}

}  // namespace kx58
