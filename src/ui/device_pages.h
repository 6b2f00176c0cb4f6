#pragma once
// What the main window knows about each product: its tab, its power indicator and its page.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "device/hid/products.h"

namespace kx58 {

struct DeviceTypeRow {
    const char* tabXml;            // skin file of the device tab
    const char* tabStripName;      // container the tab goes into
    const char* powerContainer;    // container the power indicator goes into
    const char* typeName;          // the tab's text
    int pageIndex;                 // the page's place in "device_switch"
    int powerIndex;                // its power indicator's place in "device_power_switch"
    int thirdValue;                // carried for the products' tables; nothing reads it
    int typeCode;                  // handed to the device object
    std::uint16_t vendorId;
    std::uint16_t productId;
    DeviceKind kind;               // the cable form
};

struct DevicePageRow {
    std::array<int, 4> tableSizes;  // sizes of the device object's per-device tables
    const char* pageXml;
    const char* lightControlName;
};

inline constexpr std::size_t kDeviceTypeCount = 4;

const std::array<DeviceTypeRow, kDeviceTypeCount>& DeviceTypeRows();
const std::array<DevicePageRow, kDeviceTypeCount>& DevicePageRows();

// The row of a product by vendor, product and kind; nothing for other devices.
std::optional<std::size_t> FindDeviceTypeRow(std::uint16_t vendorId, std::uint16_t productId, DeviceKind kind);

// The interface DPI for a monitor: 144 on monitors wider than 1500 and taller than 960
// pixels, 96 otherwise.
int ChooseInterfaceDpi(int monitorWidth, int monitorHeight);
// True for the DPI values windows accept (48, 72, 96, 120, 144, 168, 192).
bool IsSupportedDpi(int dpi);
// Those values, ascending.
std::span<const int> SupportedDpis();

}  // namespace kx58
