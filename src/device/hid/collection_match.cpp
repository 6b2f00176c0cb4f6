#include "device/hid/collection_match.h"

#include "device/hid/hid_device.h"
#include "device/hid/hid_path.h"

namespace kx58 {

std::optional<CollectionKeys> ReadCollectionKeys(CHidDevice& hid, const std::string& path) {
    if (!hid.Open(path, true, false, true, false)) return std::nullopt;
    CollectionKeys keys;
    keys.vendorId = hid.Attributes().VendorID;
    keys.productId = hid.Attributes().ProductID;
    keys.collection = ParseCollection(path);
    keys.interfaceNumber = ParseInterface(path);
    keys.usagePage = hid.Caps().UsagePage;
    keys.usage = hid.Caps().Usage;
    hid.Close();
    return keys;
}

bool PathIdsInTable(const DeviceTable& table, const std::string& path) {
    const std::uint16_t vid = ParseVid(path), pid = ParsePid(path);
    const std::uint16_t col = ParseCollection(path), mi = ParseInterface(path);
    for (const DeviceMatchEntry& row : table)
        if (row.SameIds(vid, pid, col, mi)) return true;
    return false;
}

}  // namespace kx58
