#include "ui/device_pages.h"

#include <algorithm>

namespace kx58 {
namespace {

constexpr const char* kTabXml = "XML\\CustomControlXML\\DeviceOption.xml";
constexpr const char* kTabStrip = "tab_header_device";
constexpr const char* kPowerContainer = "device_power_switch";

constexpr DeviceTypeRow TypeRow(const char* typeName, int index, int thirdValue, int typeCode, std::uint16_t vid,
                                std::uint16_t pid, DeviceKind kind) {
    return {.tabXml = kTabXml, .tabStripName = kTabStrip, .powerContainer = kPowerContainer, .typeName = typeName,
            .pageIndex = index, .powerIndex = index, .thirdValue = thirdValue, .typeCode = typeCode,
            .vendorId = vid, .productId = pid, .kind = kind};
}

// The order is the order of the pages in "device_switch".
constexpr std::array<DeviceTypeRow, kDeviceTypeCount> kTypeRows = {{
    TypeRow("mouse", 0, 0, 1, usb::kVendor, usb::kMouse, DeviceKind::MouseWired),
    TypeRow("keyboard", 1, -1, 0, usb::kVendor, usb::kKeyboard, DeviceKind::KeyboardWired),
    TypeRow("MousePad", 2, 1, 2, usb::kVendor, usb::kMousePad, DeviceKind::MousePad),
    TypeRow("HD", 3, -1, 3, usb::kHeadsetVendor, usb::kHeadset, DeviceKind::Headset),
}};

constexpr std::array<DevicePageRow, kDeviceTypeCount> kPageRows = {{
    {.tableSizes = {15, 11, 1, -1}, .pageXml = "XML\\DeviceXml\\mousedevice.xml", .lightControlName = "orvik_light"},
    {.tableSizes = {170, 170, 0, -1}, .pageXml = "XML\\DeviceXml\\keyboarddevice.xml", .lightControlName = "orvik_light"},
    {.tableSizes = {15, 0, 0, -1}, .pageXml = "XML\\DeviceXml\\mousepaddevice.xml", .lightControlName = "orvik_light"},
    {.tableSizes = {13, 0, 0, -1}, .pageXml = "XML\\DeviceXml\\hs6533device.xml", .lightControlName = "orvik_light"},
}};

constexpr int kSupportedDpis[] = {48, 72, 96, 120, 144, 168, 192};

}  // namespace

const std::array<DeviceTypeRow, kDeviceTypeCount>& DeviceTypeRows() { return kTypeRows; }
const std::array<DevicePageRow, kDeviceTypeCount>& DevicePageRows() { return kPageRows; }

std::optional<std::size_t> FindDeviceTypeRow(std::uint16_t vendorId, std::uint16_t productId, DeviceKind kind) {
    for (std::size_t i = 0; i < kTypeRows.size(); ++i) {
        const auto& row = kTypeRows[i];
        if (row.vendorId == vendorId && row.productId == productId && row.kind == kind) return i;
    }
    return std::nullopt;
}

int ChooseInterfaceDpi(int monitorWidth, int monitorHeight) {
    return monitorWidth > 1500 && monitorHeight > 960 ? 144 : 96;
}

std::span<const int> SupportedDpis() { return kSupportedDpis; }

bool IsSupportedDpi(int dpi) {
    return std::find(std::begin(kSupportedDpis), std::end(kSupportedDpis), dpi) != std::end(kSupportedDpis);
}

}  // namespace kx58
