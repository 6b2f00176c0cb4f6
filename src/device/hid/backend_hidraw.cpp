// The kernel's hidraw nodes, found through libudev. Kept to thin system calls: everything
// that can be tested without a real device (descriptor parsing, path tags) lives elsewhere.
#include <fcntl.h>
#include <libudev.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "device/hid/hid_backend.h"
#include "platform/atomic_file.h"

namespace kx58 {
namespace {

struct UdevDeleter {
    void operator()(udev* u) const { udev_unref(u); }
    void operator()(udev_enumerate* e) const { udev_enumerate_unref(e); }
    void operator()(udev_device* d) const { udev_device_unref(d); }
};
template <typename T>
using UdevPtr = std::unique_ptr<T, UdevDeleter>;

std::uint16_t HexAttribute(udev_device* device, const char* name) {
    const char* text = device ? udev_device_get_sysattr_value(device, name) : nullptr;
    return text ? static_cast<std::uint16_t>(std::strtoul(text, nullptr, 16)) : 0;
}

// The sysfs report descriptor (at most 4 KiB for a real device); anything else reads as none.
std::vector<std::uint8_t> ReadDescriptorFile(const std::string& path) {
    const std::optional<std::string> bytes = ReadWholeFile(path, kMaxDescriptionBytes);
    return bytes ? std::vector<std::uint8_t>(bytes->begin(), bytes->end()) : std::vector<std::uint8_t>();
}

// Fills ids, interface number, version, product and descriptor from the hidraw device's
// parents (hid device, USB interface, USB device); parents borrowed, never unref'd.
bool DescribeHidraw(udev_device* hidraw, HidInterfaceInfo& info) {
    const char* devnode = udev_device_get_devnode(hidraw);
    udev_device* hid = udev_device_get_parent_with_subsystem_devtype(hidraw, "hid", nullptr);
    if (!devnode || !hid) return false;
    unsigned bus = 0, vid = 0, pid = 0;
    const char* hidId = udev_device_get_property_value(hid, "HID_ID");
    if (!hidId || std::sscanf(hidId, "%x:%x:%x", &bus, &vid, &pid) != 3) return false;
    info.node = devnode;
    info.vendorId = static_cast<std::uint16_t>(vid);
    info.productId = static_cast<std::uint16_t>(pid);
    const char* name = udev_device_get_property_value(hid, "HID_NAME");
    info.product = name ? name : "";
    info.descriptor = ReadDescriptorFile(std::string(udev_device_get_syspath(hid)) + "/report_descriptor");
    udev_device* usbInterface = udev_device_get_parent_with_subsystem_devtype(hidraw, "usb", "usb_interface");
    udev_device* usbDevice = udev_device_get_parent_with_subsystem_devtype(hidraw, "usb", "usb_device");
    info.interfaceNumber = HexAttribute(usbInterface, "bInterfaceNumber");
    info.version = HexAttribute(usbDevice, "bcdDevice");
    return true;
}

class HidrawBackendImpl final : public HidBackend {
public:
    const char* Name() const override { return "hidraw"; }

    bool Enumerate(std::vector<HidInterfaceInfo>& out) const override {
        UdevPtr<udev> u(udev_new());
        if (!u) return false;
        UdevPtr<udev_enumerate> e(udev_enumerate_new(u.get()));
        if (!e || udev_enumerate_add_match_subsystem(e.get(), "hidraw") < 0 ||
            udev_enumerate_scan_devices(e.get()) < 0)
            return false;
        std::vector<HidInterfaceInfo> found;
        udev_list_entry* entry;
        udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(e.get())) {
            UdevPtr<udev_device> d(udev_device_new_from_syspath(u.get(), udev_list_entry_get_name(entry)));
            HidInterfaceInfo info;
            if (d && DescribeHidraw(d.get(), info)) found.push_back(std::move(info));
        }
        std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.node < b.node; });
        std::move(found.begin(), found.end(), std::back_inserter(out));
        return true;
    }

    bool Open(const std::string& node, bool wantRead, bool wantWrite, std::uint16_t,
              HidOpenedNode& out) const override {
        const int access = wantRead && wantWrite ? O_RDWR : wantWrite ? O_WRONLY : O_RDONLY;
        const int fd = open(node.c_str(), access | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) return false;
        // The node's number as its path shows it: a stand-in node (a pseudo-terminal under a
        // test bed such as umockdev) shows its own number through the descriptor.
        struct stat st{};
        UdevPtr<udev> u(udev_new());
        UdevPtr<udev_device> d;
        if (u && stat(node.c_str(), &st) == 0 && S_ISCHR(st.st_mode))
            d.reset(udev_device_new_from_devnum(u.get(), 'c', st.st_rdev));
        if (!d || !DescribeHidraw(d.get(), out.info)) {
            close(fd);
            return false;
        }
        out.info.node = node;
        out.fd = fd;
        out.isSocket = false;
        return true;
    }

    bool Present(const std::string& node) const override {
        struct stat st{};
        return stat(node.c_str(), &st) == 0 && S_ISCHR(st.st_mode);
    }
};

}  // namespace

const HidBackend& HidrawBackend() {
    static const HidrawBackendImpl backend;
    return backend;
}

}  // namespace kx58
