#include "ui/device_pages.h"

#include <algorithm>

namespace kx58 {
namespace {

constexpr const char* kTabXml = "XML\\CustomControlXML\\DeviceOption.xml";
constexpr const char* kTabStrip = "tab_header_device";
constexpr const char* kPowerContainer = "device_power_switch";

constexpr std::array<DeviceTypeRow, kDeviceTypeCount> kTypeRows = {{
    {kTabXml, kTabStrip, kPowerContainer, "mouse", 0, 0, 0, 1, 0x320F, 0x221C, 2},
    {kTabXml, kTabStrip, kPowerContainer, "keyboard", 1, 1, -1, 0, 0x320F, 0x501D, 1},
    {kTabXml, kTabStrip, kPowerContainer, "MousePad", 2, 2, 1, 2, 0x320F, 0x1004, 3},
    {kTabXml, kTabStrip, kPowerContainer, "HD", 3, 3, -1, 3, 0x0C76, 0x1630, 7},
}};

constexpr std::array<DevicePageRow, kDeviceTypeCount> kPageRows = {{
    {{15, 11, 1, -1}, "XML\\DeviceXml\\mousedevice.xml", "orvik_light"},
    {{170, 170, 0, -1}, "XML\\DeviceXml\\keyboarddevice.xml", "orvik_light"},
    {{15, 0, 0, -1}, "XML\\DeviceXml\\mousepaddevice.xml", "orvik_light"},
    {{13, 0, 0, -1}, "XML\\DeviceXml\\hs6533device.xml", "orvik_light"},
}};

constexpr int kSupportedDpis[] = {48, 72, 96, 120, 144, 168, 192};

}  // namespace

const std::array<DeviceTypeRow, kDeviceTypeCount>& DeviceTypeRows() { return kTypeRows; }
const std::array<DevicePageRow, kDeviceTypeCount>& DevicePageRows() { return kPageRows; }

std::optional<std::size_t> FindDeviceTypeRow(std::uint16_t vendorId, std::uint16_t productId, std::uint16_t kind) {
    for (std::size_t i = 0; i < kTypeRows.size(); ++i) {
        const auto& row = kTypeRows[i];
        if (row.vendorId == vendorId && row.productId == productId && row.kind == kind) return i;
    }
    return std::nullopt;
}

int ChooseInterfaceDpi(int monitorWidth, int monitorHeight) {
    return monitorWidth > 1500 && monitorHeight > 960 ? 144 : 96;
}

bool IsSupportedDpi(int dpi) {
    return std::find(std::begin(kSupportedDpis), std::end(kSupportedDpis), dpi) != std::end(kSupportedDpis);
}

}  // namespace kx58
