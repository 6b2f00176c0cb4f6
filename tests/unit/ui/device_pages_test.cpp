#include <gtest/gtest.h>

#include <algorithm>

#include "device/hid/supported_devices.h"
#include "device/product_profiles.h"
#include "devsim/firmware_memory.h"
#include "devsim/product_catalog.h"
#include "ui/device_pages.h"

using namespace kx58;

TEST(DevicePages, EveryCableRowOfTheDeviceTableHasItsPageAndReceiversShareThroughTheirTwin) {
    const auto table = SupportedDevices();
    for (std::size_t i = 0; i < table.size(); ++i) {
        const auto& row = table[i];
        // A receiver row finds its page through the cable row it names as twin.
        const auto& pageKeys = IsReceiver(row.kind) && row.hasTwin ? table[row.twinRow] : row;
        const auto type = FindDeviceTypeRow(pageKeys.vendorId, pageKeys.productId, pageKeys.kind);
        ASSERT_TRUE(type.has_value()) << "row " << i;
        EXPECT_LT(*type, kDeviceTypeCount);
    }
    EXPECT_EQ(FindDeviceTypeRow(0x320F, 0x501D, DeviceKind::KeyboardWired), 1u);
    // Receivers use their twin.
    EXPECT_FALSE(FindDeviceTypeRow(0x320F, 0x501D, DeviceKind::KeyboardWireless).has_value());
    EXPECT_STREQ(DevicePageRows()[*FindDeviceTypeRow(0x0C76, 0x1630, DeviceKind::Headset)].pageXml,
                 "XML\\DeviceXml\\hs6533device.xml");
}

// A product added to one table and forgotten in another would attach without a page, a
// folder or a simulator; every table holds each product, and nothing else.
TEST(ProductTables, EveryProductHasItsRowInEveryTable) {
    const DeviceTable table = SupportedDevices();
    std::vector<devsim::ProductSpec> catalog;
    for (const std::string& name : devsim::CatalogNames()) catalog.push_back(*devsim::CatalogSpec(name));
    for (DeviceKind product : kProductKinds) {
        SCOPED_TRACE(DeviceKindName(product));
        const auto command = std::find_if(table.begin(), table.end(), [&](const DeviceMatchEntry& row) {
            return row.kind == product && row.role == kRoleCommand;
        });
        ASSERT_NE(command, table.end());
        const auto type = FindDeviceTypeRow(command->vendorId, command->productId, product);
        ASSERT_TRUE(type.has_value());
        EXPECT_EQ(DeviceTypeRows()[*type].pageIndex, static_cast<int>(*type));
        ASSERT_NE(FindProductProfileFiles(product), nullptr);
        EXPECT_EQ(FindProductProfileFiles(product)->kind, product);
    }
    for (const DeviceMatchEntry& row : table) {
        SCOPED_TRACE(DeviceKindName(row.kind));
        EXPECT_NE(std::find(kProductKinds.begin(), kProductKinds.end(), CableFormOf(row.kind)), kProductKinds.end());
        EXPECT_EQ(FindProductProfileFiles(row.kind), FindProductProfileFiles(CableFormOf(row.kind)));
        if (IsReceiver(row.kind)) {
            EXPECT_EQ(table[row.twinRow].kind, CableFormOf(row.kind));
        }
        // The simulator offers it, with firmware behind every vendor command collection.
        const auto simulated = std::find_if(catalog.begin(), catalog.end(), [&](const devsim::ProductSpec& spec) {
            return spec.vendorId == row.vendorId && spec.productId == row.productId;
        });
        ASSERT_NE(simulated, catalog.end());
        if (row.role == kRoleCommand && row.usagePage == usb::kCommandUsagePage) {
            EXPECT_TRUE(devsim::FirmwareModelFor(simulated->name).has_value()) << simulated->name;
        }
    }
    for (const DeviceTypeRow& type : DeviceTypeRows())
        EXPECT_NE(std::find(kProductKinds.begin(), kProductKinds.end(), type.kind), kProductKinds.end());
}

TEST(DevicePages, InterfaceDpiFollowsTheMonitorSize) {
    EXPECT_EQ(ChooseInterfaceDpi(1600, 900), 96);
    EXPECT_EQ(ChooseInterfaceDpi(1920, 1080), 144);
    EXPECT_EQ(ChooseInterfaceDpi(1500, 1200), 96);  // strictly wider than 1500
    EXPECT_EQ(ChooseInterfaceDpi(2560, 961), 144);
    EXPECT_TRUE(IsSupportedDpi(168));
    EXPECT_FALSE(IsSupportedDpi(100));
}
