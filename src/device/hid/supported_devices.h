#pragma once
// The fixed table of supported HID collections. The row index names an attached collection
// in the device-arrived and device-removed messages.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "device/hid/products.h"

namespace kx58 {

// Interface roles.
inline constexpr std::uint16_t kRoleCommand = 0;    // carries the command protocol
inline constexpr std::uint16_t kRoleConsumer = 255; // consumer-control collection of the device

struct DeviceMatchEntry {
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint16_t interfaceNumber = 0;
    std::uint16_t collection = 0;
    DeviceKind kind = DeviceKind::None;
    std::uint16_t role = 0;
    std::uint16_t present = 0;
    std::uint16_t usagePage = 0;
    std::uint16_t usage = 0;
    std::uint16_t hasTwin = 0;
    std::uint16_t twinRow = 0;
    std::string path;
    // Set by the discovery loop each time it takes the row: a device that left and came back
    // (at the same node or another) has a new number.
    std::uint32_t arrival = 0;

    bool IsFree() const { return present == 0 && path.empty(); }
    // Vendor, product, collection and interface.
    bool SameIds(std::uint16_t vid, std::uint16_t pid, std::uint16_t col, std::uint16_t mi) const {
        return vendorId == vid && productId == pid && collection == col && interfaceNumber == mi;
    }
    // The four ids plus usage page and usage.
    bool SameKeys(std::uint16_t vid, std::uint16_t pid, std::uint16_t col, std::uint16_t mi,
                  std::uint16_t page, std::uint16_t use) const {
        return SameIds(vid, pid, col, mi) && usagePage == page && usage == use;
    }
};

inline constexpr std::size_t kSupportedDeviceCount = 11;
using DeviceTable = std::array<DeviceMatchEntry, kSupportedDeviceCount>;

// A fresh copy of the table: nothing present, no paths.
DeviceTable SupportedDevices();

// The first row equal in all six keys, if any.
std::optional<std::size_t> FindSupportedRow(const DeviceTable& table, std::uint16_t vid,
                                            std::uint16_t pid, std::uint16_t col,
                                            std::uint16_t mi, std::uint16_t page,
                                            std::uint16_t use);

}  // namespace kx58
