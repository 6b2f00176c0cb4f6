#pragma once
// A private virtual HID bus with the simulator running in-process.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>

#include "device/hid/hid_path.h"
#include "devsim/product_catalog.h"
#include "devsim/virtual_bus.h"
#include "support/temp_dir.h"

namespace kx58test {

class BusFixture : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(bus.Start(folder, traceFile)); }

    void PlugEcho(const std::string& name) { ASSERT_TRUE(bus.Plug(devsim::MakeEchoProduct(name))); }
    std::string PathOf(const std::string& name, std::uint8_t iface, std::uint16_t vid, std::uint16_t pid,
                       std::uint16_t col) const {
        return "vhid:" + folder + "/" + name + "-if" + std::to_string(iface) + ".sock#" +
               kx58::MakePathTags(vid, pid, iface, col);
    }
    std::string KeyboardPath(std::uint16_t col) const { return PathOf("kb", 1, 0x320F, 0x501D, col); }

    IsolatedSession session;
    std::string folder = session.Root() + "/vhid";
    std::string traceFile = session.Root() + "/reports.trace";
    ScopedEnv busDir{"KX58_VHID_DIR", folder};
    ScopedEnv backend{"KX58_HID", "vhid"};
    devsim::VirtualBus bus;
};

}  // namespace kx58test
