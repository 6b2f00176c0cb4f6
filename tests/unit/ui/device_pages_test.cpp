#include <gtest/gtest.h>

#include "device/supported_devices.h"
#include "ui/device_pages.h"

using namespace kx58;

TEST(DevicePages, EveryCableRowOfTheDeviceTableHasItsPageAndReceiversShareThroughTheirTwin) {
    const auto table = SupportedDevices();
    for (std::size_t i = 0; i < table.size(); ++i) {
        const auto& row = table[i];
        // A receiver row finds its page through the cable row it names as twin.
        const auto& pageKeys = (row.kind == 6 || row.kind == 9) && row.hasTwin ? table[row.twinRow] : row;
        const auto type = FindDeviceTypeRow(pageKeys.vendorId, pageKeys.productId, pageKeys.kind);
        ASSERT_TRUE(type.has_value()) << "row " << i;
        EXPECT_LT(*type, kDeviceTypeCount);
    }
    EXPECT_EQ(FindDeviceTypeRow(0x320F, 0x501D, 1), 1u);
    EXPECT_FALSE(FindDeviceTypeRow(0x320F, 0x501D, 9).has_value());  // receivers use their twin
    EXPECT_STREQ(DevicePageRows()[*FindDeviceTypeRow(0x0C76, 0x1630, 7)].pageXml, "XML\\DeviceXml\\hs6533device.xml");
}

TEST(DevicePages, InterfaceDpiFollowsTheMonitorSize) {
    EXPECT_EQ(ChooseInterfaceDpi(1600, 900), 96);
    EXPECT_EQ(ChooseInterfaceDpi(1920, 1080), 144);
    EXPECT_EQ(ChooseInterfaceDpi(1500, 1200), 96);  // strictly wider than 1500
    EXPECT_EQ(ChooseInterfaceDpi(2560, 961), 144);
    EXPECT_TRUE(IsSupportedDpi(168));
    EXPECT_FALSE(IsSupportedDpi(100));
}
