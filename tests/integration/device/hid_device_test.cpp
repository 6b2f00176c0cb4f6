#include "device/hid/hid_device.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <thread>

#include "device/protocol/device_channel.h"
#include "device/hid/hid_enumeration.h"
#include "integration/device/bus_fixture.h"
#include "platform/tick.h"
#include "support/wait_until.h"

namespace kx58 {
namespace {

using kx58test::BusFixture;
using Bytes = std::vector<std::uint8_t>;
constexpr std::uint32_t kLongTimeoutMs = 60000;  // a bound the tests must stay far below

Bytes CommandReport(std::uint8_t tag) {
    Bytes report(64, 0);
    report[0] = 0x04;
    for (std::size_t i = 1; i < report.size(); ++i) report[i] = static_cast<std::uint8_t>(tag + i);
    return report;
}

class HidDeviceTest : public BusFixture {};

TEST_F(HidDeviceTest, EnumerationListsOnePathPerCollection) {
    PlugEcho("kb");
    PlugEcho("headset");
    CHidDevice hid;
    ASSERT_TRUE(hid.Enumerate());
    std::vector<std::string> paths;
    while (auto path = hid.NextPath()) paths.push_back(*path);
    EXPECT_FALSE(hid.NextPath());
    const std::vector<std::string> expected = {
        PathOf("headset", 3, 0x0C76, 0x1630, 0), PathOf("kb", 0, 0x320F, 0x501D, 0),
        KeyboardPath(1), KeyboardPath(2), KeyboardPath(3), KeyboardPath(4)};
    EXPECT_EQ(paths, expected);
    hid.FreePathList();
    EXPECT_FALSE(hid.NextPath());
}

TEST_F(HidDeviceTest, VendorCollectionEchoesCommandsWithCapsAndTrace) {
    PlugEcho("kb");
    CHidDevice hid;
    ASSERT_TRUE(hid.Open(KeyboardPath(4), true, true, true, false));
    EXPECT_EQ(hid.Caps().UsagePage, 0xFF1C);
    EXPECT_EQ(hid.Caps().Usage, 0x92);
    EXPECT_EQ(hid.Caps().InputReportByteLength, 64);
    EXPECT_EQ(hid.Caps().OutputReportByteLength, 64);
    EXPECT_EQ(hid.Attributes().VendorID, 0x320F);
    EXPECT_EQ(hid.Attributes().ProductID, 0x501D);
    EXPECT_EQ(hid.Attributes().VersionNumber, 0x0100);
    EXPECT_EQ(hid.InterfaceNumber(), 1);
    EXPECT_EQ(hid.CollectionNumber(), 4);
    EXPECT_EQ(hid.ProductString(), "KX58 Gaming Keyboard");

    for (std::uint8_t round = 0; round < 3; ++round) {
        const Bytes sent = CommandReport(round);
        std::uint32_t count = 99;
        ASSERT_TRUE(hid.Write(sent.data(), 64, &count, 1000));
        EXPECT_EQ(count, 64u);
        Bytes received(64, 0);
        ASSERT_TRUE(hid.Read(received.data(), 64, &count, kLongTimeoutMs));
        EXPECT_EQ(count, 64u);
        EXPECT_EQ(received, sent);
    }
    const std::string trace = kx58test::ReadWholeFile(traceFile);
    EXPECT_NE(trace.find("OUT " + KeyboardPath(4) + " 04 01 02"), std::string::npos) << trace;
    EXPECT_NE(trace.find("IN " + KeyboardPath(4) + " 04 01 02"), std::string::npos) << trace;
}

TEST_F(HidDeviceTest, InputReportsReachOnlyTheirCollection) {
    PlugEcho("kb");
    CHidDevice consumer, vendor;
    ASSERT_TRUE(consumer.Open(KeyboardPath(3), true, false, true, false));
    ASSERT_TRUE(vendor.Open(KeyboardPath(4), true, true, true, false));
    ASSERT_TRUE(kx58test::WaitUntil([&] { return bus.ConnectionCount("kb") == 2; }));

    const Bytes volumeUp = {0x03, 0xE9, 0x00};
    ASSERT_TRUE(bus.EmitInput("kb", 1, volumeUp));
    Bytes buffer(64, 0);
    std::uint32_t count = 0;
    ASSERT_TRUE(consumer.Read(buffer.data(), 64, &count, kLongTimeoutMs));
    EXPECT_EQ(count, 3u);
    ASSERT_TRUE(consumer.DecodeInput(buffer.data(), count));
    EXPECT_EQ(consumer.InputUsages().at(0).usageList.at(0), 0xE9);
    EXPECT_EQ(consumer.InputUsages().at(0).listLength, 1u);
    EXPECT_TRUE(consumer.InputUsages().at(0).updated);
    EXPECT_FALSE(vendor.Read(buffer.data(), 64, &count, 100));
    EXPECT_EQ(count, 0u);

    // A keyboard report (col01) reaches neither; no collection owns report id 9.
    ASSERT_TRUE(bus.EmitInput("kb", 1, Bytes(17, 0x01)));
    EXPECT_FALSE(bus.EmitInput("kb", 1, Bytes{0x09, 0x00}));
    EXPECT_FALSE(consumer.Read(buffer.data(), 64, &count, 100));
}

// As on hidraw, every handle of the interface gets every input report, at most 64 unread. The
// command handle is read only during a request, so typing between requests fills its queue; a
// request must still get its reply, and a failed attach must leave the channel as it was.
TEST_F(HidDeviceTest, TypingBetweenRequestsNeverCrowdsOutAReply) {
    PlugEcho("kb");
    CHidDevice consumer;
    ASSERT_TRUE(consumer.Open(KeyboardPath(3), true, false, true, false));
    CDeviceChannel channel;
    ASSERT_TRUE(channel.Attach(KeyboardPath(4), kChannelModeCable));
    ASSERT_TRUE(kx58test::WaitUntil([&] { return bus.ConnectionCount("kb") == 2; }));

    for (std::uint8_t round = 0; round < 3; ++round) {
        for (int key = 0; key < 100; ++key) {
            ASSERT_TRUE(bus.EmitInput("kb", 1, Bytes(17, 0x01)));  // a keyboard report
            ASSERT_TRUE(bus.EmitInput("kb", 1, Bytes{0x03, 0xE9, 0x00}));
        }
        const Bytes sent = CommandReport(round);
        Bytes reply(64, 0);
        ASSERT_EQ(channel.Transceive(sent.data(), sent.size(), reply.data(), reply.size()), kResultOk) << int(round);
        EXPECT_EQ(reply, sent);
    }
    // The consumer handle, never read meanwhile, holds the interface's first 64 reports: every
    // other one is a keyboard report, which its reads skip.
    Bytes buffer(64, 0);
    int queued = 0;
    while (consumer.Read(buffer.data(), 64, nullptr, 50)) ++queued;
    EXPECT_EQ(queued, 32);

    const std::string missing = "vhid:" + folder + "/gone-if1.sock#" + MakePathTags(0x320F, 0x5055, 1, 4);
    EXPECT_FALSE(channel.Attach(missing, kChannelModeWireless));
    EXPECT_TRUE(channel.IsConnected());
    EXPECT_FALSE(channel.IsWirelessMode());
    const Bytes sent = CommandReport(7);
    Bytes reply(64, 0);
    EXPECT_EQ(channel.Transceive(sent.data(), sent.size(), reply.data(), reply.size()), kResultOk);
}

TEST_F(HidDeviceTest, TimeoutLeavesTheDeviceUsable) {
    PlugEcho("kb");
    CHidDevice hid;
    ASSERT_TRUE(hid.Open(KeyboardPath(4), true, true, true, false));
    Bytes buffer(64, 0);
    std::uint32_t count = 7;
    EXPECT_FALSE(hid.Read(buffer.data(), 64, &count, 30));
    EXPECT_EQ(count, 0u);
    EXPECT_TRUE(hid.IsOpen());
    const Bytes sent = CommandReport(9);
    ASSERT_TRUE(hid.Write(sent.data(), 64, nullptr, 1000));
    ASSERT_TRUE(hid.Read(buffer.data(), 64, nullptr, kLongTimeoutMs));
    EXPECT_EQ(buffer, sent);
    // Reopen gives a fresh connection to the same collection.
    ASSERT_TRUE(hid.Reopen());
    ASSERT_TRUE(hid.Write(sent.data(), 64, nullptr, 1000));
    ASSERT_TRUE(hid.Read(buffer.data(), 64, nullptr, kLongTimeoutMs));
}

TEST_F(HidDeviceTest, CloseFromAnotherThreadEndsAPendingReadAtOnce) {
    PlugEcho("kb");
    CHidDevice hid;
    ASSERT_TRUE(hid.Open(KeyboardPath(4), true, true, true, false));
    auto pending = std::async(std::launch::async, [&] {
        Bytes buffer(64, 0);
        const std::uint64_t start = TickCount64();
        const bool ok = hid.Read(buffer.data(), 64, nullptr, kLongTimeoutMs);
        return std::make_pair(ok, TickCount64() - start);
    });
    SleepMs(50);  // most likely blocked by now; either order must end the same way
    hid.Close();
    const auto [ok, elapsedMs] = pending.get();
    EXPECT_FALSE(ok);
    EXPECT_LT(elapsedMs, kLongTimeoutMs / 2);
    EXPECT_FALSE(hid.IsOpen());
    // The object opens again after a cancel.
    ASSERT_TRUE(hid.Reopen());
    const Bytes sent = CommandReport(1);
    ASSERT_TRUE(hid.Write(sent.data(), 64, nullptr, 1000));
}

TEST_F(HidDeviceTest, UnplugFailsReadsAndWritesAtOnce) {
    PlugEcho("kb");
    CHidDevice hid;
    ASSERT_TRUE(hid.Open(KeyboardPath(4), true, true, true, false));
    ASSERT_TRUE(kx58test::WaitUntil([&] { return bus.ConnectionCount("kb") == 1; }));
    auto pending = std::async(std::launch::async, [&] {
        Bytes buffer(64, 0);
        return hid.Read(buffer.data(), 64, nullptr, kLongTimeoutMs);
    });
    ASSERT_TRUE(bus.Unplug("kb"));
    EXPECT_FALSE(pending.get());
    const Bytes sent = CommandReport(2);
    EXPECT_FALSE(hid.Write(sent.data(), 64, nullptr, 1000));
    EXPECT_FALSE(HidPathPresent(KeyboardPath(4)));
    EXPECT_FALSE(hid.Reopen());
    EXPECT_FALSE(hid.IsOpen());
}

TEST_F(HidDeviceTest, OpenRefusesPathsThatNameNoCollection) {
    PlugEcho("kb");
    PlugEcho("headset");
    CHidDevice hid;
    EXPECT_FALSE(hid.Open(KeyboardPath(5), true, true, true, false));   // no fifth collection
    EXPECT_FALSE(hid.Open(KeyboardPath(0), true, true, true, false));   // which of four?
    EXPECT_FALSE(hid.Open(PathOf("headset", 3, 0x0C76, 0x1630, 1), true, true, true, false));
    EXPECT_FALSE(hid.Open("usb:" + folder + "/kb-if1.sock#vid_320f", true, true, true, false));
    std::string longPath = KeyboardPath(4);
    longPath.insert(longPath.find('#'), std::string(kMaxHidPathLength, 'x'));
    EXPECT_FALSE(hid.Open(longPath, true, true, true, false));
    EXPECT_FALSE(hid.IsOpen());

    ASSERT_TRUE(hid.Open(PathOf("headset", 3, 0x0C76, 0x1630, 0), true, true, true, false));
    EXPECT_EQ(hid.Caps().UsagePage, 0x0C);
    EXPECT_EQ(hid.Caps().OutputReportByteLength, 17);
    EXPECT_EQ(hid.CollectionNumber(), 0);
    EXPECT_TRUE(HidPathPresent(hid.Path()));
    EXPECT_FALSE(HidPathPresent("vhid:" + folder + "/mouse-if1.sock#vid_320f&pid_221c&mi_01&col04"));
}

}  // namespace
}  // namespace kx58
