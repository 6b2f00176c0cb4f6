#pragma once
// A private virtual bus with one simulated product whose firmware answers the command
// protocol, and a command channel attached to it. Checks look at what reached the firmware.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "device/protocol/device_channel.h"
#include "device/hid/hid_path.h"
#include "devsim/firmware_product.h"
#include "devsim/virtual_bus.h"
#include "support/temp_dir.h"

namespace kx58test {

struct ProductIds {
    std::uint16_t productId;
    int mode;
};

inline ProductIds IdsOf(const std::string& name) {
    if (name == "kb-rx") return {0x5001, kx58::kChannelModeWireless};
    if (name == "mouse") return {0x221C, kx58::kChannelModeCable};
    if (name == "mouse-rx") return {0x221D, kx58::kChannelModeWireless};
    if (name == "pad") return {0x1004, kx58::kChannelModeCable};
    return {0x501D, kx58::kChannelModeCable};
}

class FirmwareFixture : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(bus.Start(folder, traceFile)); }
    void TearDown() override {
        channel.Detach();
        if (product) product->DetachInput();
        bus.Stop();
    }

    std::string CollectionPath(const std::string& name, std::uint16_t collection) const {
        return "vhid:" + folder + "/" + name + "-if1.sock#" +
               kx58::MakePathTags(0x320F, IdsOf(name).productId, 1, collection);
    }

    // Plugs the product and attaches the channel to its command collection.
    void Attach(const std::string& name, devsim::FirmwareOptions options = {}) {
        product = devsim::MakeFirmwareProduct(name, options);
        ASSERT_TRUE(product);
        ASSERT_TRUE(devsim::PlugFirmware(bus, product));
        ASSERT_TRUE(channel.Attach(CollectionPath(name, 4), IdsOf(name).mode));
    }

    std::vector<kx58::CommandReport> Requests() const { return product->Requests(); }

    IsolatedSession session;
    std::string folder = session.Root() + "/vhid";
    std::string traceFile = session.Root() + "/reports.trace";
    ScopedEnv busDir{"KX58_VHID_DIR", folder};
    ScopedEnv backend{"KX58_HID", "vhid"};
    // Declared before the bus: the bus never holds the last reference.
    std::shared_ptr<devsim::FirmwareProduct> product;
    devsim::VirtualBus bus;
    kx58::CDeviceChannel channel;
};

}  // namespace kx58test
