#include "device/supported_devices.h"

namespace kx58 {
namespace {

struct RowData {
    std::uint16_t vid, pid, mi, col, kind, role, page, usage, hasTwin, twin;
};

constexpr RowData kRows[kSupportedDeviceCount] = {
    {0x320F, 0x501D, 1, 4, 1, 0, 0xFF1C, 0x0092, 1, 2},
    {0x320F, 0x501D, 1, 3, 1, 255, 0x000C, 0x0001, 1, 3},
    {0x320F, 0x5001, 1, 4, 9, 0, 0xFF1C, 0x0092, 1, 0},
    {0x320F, 0x5001, 1, 3, 9, 255, 0x000C, 0x0001, 1, 1},
    {0x320F, 0x221C, 1, 4, 2, 0, 0xFF1C, 0x0092, 1, 6},
    {0x320F, 0x221C, 1, 3, 2, 255, 0x000C, 0x0001, 1, 7},
    {0x320F, 0x221D, 1, 4, 6, 0, 0xFF1C, 0x0092, 1, 4},
    {0x320F, 0x221D, 1, 3, 6, 255, 0x000C, 0x0001, 1, 5},
    {0x320F, 0x1004, 1, 4, 3, 0, 0xFF1C, 0x0092, 0, 0},
    {0x320F, 0x1004, 1, 3, 3, 255, 0x000C, 0x0001, 0, 0},
    {0x0C76, 0x1630, 3, 0, 7, 0, 0x000C, 0x0001, 0, 0},
};

struct KindName {
    DeviceKind kind;
    const char* name;
};

constexpr KindName kKindNames[] = {
    {DeviceKind::KeyboardWired, "keyboard"},   {DeviceKind::KeyboardWireless, "keyboard-2.4g"},
    {DeviceKind::MouseWired, "mouse"},         {DeviceKind::MouseWireless, "mouse-2.4g"},
    {DeviceKind::MousePad, "mousepad"},        {DeviceKind::Headset, "headset"},
};

}  // namespace

DeviceTable SupportedDevices() {
    DeviceTable table;
    for (std::size_t i = 0; i < kSupportedDeviceCount; ++i) {
        const RowData& r = kRows[i];
        DeviceMatchEntry& e = table[i];
        e.vendorId = r.vid;
        e.productId = r.pid;
        e.interfaceNumber = r.mi;
        e.collection = r.col;
        e.kind = r.kind;
        e.role = r.role;
        e.usagePage = r.page;
        e.usage = r.usage;
        e.hasTwin = r.hasTwin;
        e.twinRow = r.twin;
    }
    return table;
}

const char* DeviceKindName(std::uint16_t kind) {
    for (const KindName& k : kKindNames)
        if (static_cast<std::uint16_t>(k.kind) == kind) return k.name;
    return "unknown";
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
