#pragma once
// A source of HID interfaces: the kernel's hidraw nodes or the virtual HID bus. Backends only
// list, open and probe; report I/O is the same for both (one read or write = one report).
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kx58 {

// One HID interface as its backend sees it.
struct HidInterfaceInfo {
    std::string node;  // "/dev/hidraw3" or the bus socket file
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint16_t version = 0;
    std::uint16_t interfaceNumber = 0;
    std::string product;
    std::vector<std::uint8_t> descriptor;
};

// An open interface: a non-blocking descriptor that reads and writes whole reports.
struct HidOpenedNode {
    int fd = -1;
    bool isSocket = false;  // use send() so a vanished peer is an error, not a signal
    HidInterfaceInfo info;
};

class HidBackend {
public:
    virtual ~HidBackend() = default;
    virtual const char* Name() const = 0;
    // Appends every present interface. False when the backend could not be asked at all.
    virtual bool Enumerate(std::vector<HidInterfaceInfo>& out) const = 0;
    // Opens the node for the given top-level collection (1-based, 0 = the only one).
    virtual bool Open(const std::string& node, bool wantRead, bool wantWrite, std::uint16_t collection,
                      HidOpenedNode& out) const = 0;
    // Cheap presence check, no I/O with the device.
    virtual bool Present(const std::string& node) const = 0;
};

const HidBackend& HidrawBackend();
const HidBackend& VhidBackend();

// The backend a path prefix names, or nullptr.
const HidBackend* FindHidBackend(std::string_view name);
// The backends to enumerate: both, or the one named by KX58_HID ("hidraw" or "vhid").
std::vector<const HidBackend*> EnabledHidBackends();

}  // namespace kx58
