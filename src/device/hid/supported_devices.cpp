#include "device/hid/supported_devices.h"

namespace kx58 {
namespace {

using namespace usb;
using K = DeviceKind;

// A command row and its consumer row for a 0x320F product; `twin` is the command row of the
// same product by its other connection.
DeviceMatchEntry Command(std::uint16_t pid, K kind, bool hasTwin, std::uint16_t twin) {
    return {.vendorId = kVendor, .productId = pid, .interfaceNumber = kGamingInterface,
            .collection = kCommandCollection, .kind = kind, .role = kRoleCommand, .usagePage = kCommandUsagePage,
            .usage = kCommandUsage, .hasTwin = hasTwin, .twinRow = twin, .path = {}, .arrival = 0};
}
DeviceMatchEntry Consumer(std::uint16_t pid, K kind, bool hasTwin, std::uint16_t twin) {
    return {.vendorId = kVendor, .productId = pid, .interfaceNumber = kGamingInterface,
            .collection = kConsumerCollection, .kind = kind, .role = kRoleConsumer, .usagePage = kConsumerUsagePage,
            .usage = kConsumerUsage, .hasTwin = hasTwin, .twinRow = twin, .path = {}, .arrival = 0};
}

}  // namespace

DeviceTable SupportedDevices() {
    // Row order is the row numbers of the device messages.
    return {
        Command(kKeyboard, K::KeyboardWired, true, 2),
        Consumer(kKeyboard, K::KeyboardWired, true, 3),
        Command(kKeyboardReceiver, K::KeyboardWireless, true, 0),
        Consumer(kKeyboardReceiver, K::KeyboardWireless, true, 1),
        Command(kMouse, K::MouseWired, true, 6),
        Consumer(kMouse, K::MouseWired, true, 7),
        Command(kMouseReceiver, K::MouseWireless, true, 4),
        Consumer(kMouseReceiver, K::MouseWireless, true, 5),
        Command(kMousePad, K::MousePad, false, 0),
        Consumer(kMousePad, K::MousePad, false, 0),
        DeviceMatchEntry{.vendorId = kHeadsetVendor, .productId = kHeadset, .interfaceNumber = kHeadsetInterface,
                         .collection = 0, .kind = K::Headset, .role = kRoleCommand, .usagePage = kConsumerUsagePage,
                         .usage = kConsumerUsage, .hasTwin = false, .twinRow = 0, .path = {}, .arrival = 0},
    };
}

std::optional<std::size_t> FindSupportedRow(const DeviceTable& table, std::uint16_t vid,
                                            std::uint16_t pid, std::uint16_t col,
                                            std::uint16_t mi, std::uint16_t page,
                                            std::uint16_t use) {
    for (std::size_t i = 0; i < table.size(); ++i)
        if (table[i].SameKeys(vid, pid, col, mi, page, use)) return i;
    return std::nullopt;
}

}  // namespace kx58
