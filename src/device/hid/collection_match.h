#pragma once
// Deciding whether an enumerated HID collection is one of the supported rows.
#include <cstdint>
#include <optional>
#include <string>

#include "device/hid/supported_devices.h"

namespace kx58 {

class CHidDevice;

// The six keys a row is matched on.
struct CollectionKeys {
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint16_t collection = 0;
    std::uint16_t interfaceNumber = 0;
    std::uint16_t usagePage = 0;
    std::uint16_t usage = 0;
};

// Opens the path read-only, takes vendor and product from the device's attributes and usage
// page and usage from its capabilities (collection and interface from the path), and closes
// it again. Nothing when it cannot be opened.
std::optional<CollectionKeys> ReadCollectionKeys(CHidDevice& hid, const std::string& path);

// True when some row has the path's vendor, product, collection and interface.
bool PathIdsInTable(const DeviceTable& table, const std::string& path);

}  // namespace kx58
