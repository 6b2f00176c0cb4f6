// Products with their own answers plug into the bus the same way the echo products do.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "device/hid/hid_device.h"
#include "device/hid/hid_enumeration.h"
#include "integration/device/bus_fixture.h"
#include "support/wait_until.h"

namespace kx58 {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Answers a command with its bytes inverted; byte 1 == 0xDD pulls the plug instead.
class InvertingKeyboard : public devsim::SimulatedProduct {
public:
    InvertingKeyboard() : SimulatedProduct(*devsim::CatalogSpec("kb")) {}
    void OnOutputReport(devsim::DeviceLink& link, const devsim::ReportTarget& target,
                        std::span<const std::uint8_t> report) override {
        seen.push_back(target.collection);
        if (report.size() > 1 && report[1] == 0xDD) {
            link.RequestUnplug();
            return;
        }
        Bytes answer(report.begin(), report.end());
        for (std::size_t i = 1; i < answer.size(); ++i) answer[i] = static_cast<std::uint8_t>(~answer[i]);
        link.SendInput(target.interfaceNumber, answer);
    }
    std::vector<std::uint16_t> seen;  // touched on the bus thread only while the test waits
};

class SimulatedProductTest : public kx58test::BusFixture {};

TEST_F(SimulatedProductTest, ProductAnswersAndCanUnplugItself) {
    auto product = std::make_shared<InvertingKeyboard>();
    ASSERT_TRUE(bus.Plug(product));
    EXPECT_FALSE(bus.Plug(std::make_shared<InvertingKeyboard>()));  // the name is taken
    CHidDevice hid;
    ASSERT_TRUE(hid.Open(KeyboardPath(4), true, true, true, false));
    Bytes command(64, 0x0F);
    command[0] = 0x04;
    Bytes answer(64, 0);
    ASSERT_TRUE(hid.Write(command.data(), 64, nullptr, 1000));
    ASSERT_TRUE(hid.Read(answer.data(), 64, nullptr, 20000));
    EXPECT_EQ(answer[0], 0x04);
    EXPECT_EQ(answer[1], 0xF0);

    command[1] = 0xDD;
    ASSERT_TRUE(hid.Write(command.data(), 64, nullptr, 1000));
    EXPECT_FALSE(hid.Read(answer.data(), 64, nullptr, 20000));  // fails once unplugged
    ASSERT_TRUE(kx58test::WaitUntil([&] { return bus.Plugged().empty(); }));
    EXPECT_FALSE(HidPathPresent(KeyboardPath(4)));
    EXPECT_EQ(product->seen, (std::vector<std::uint16_t>{4, 4}));
}

TEST_F(SimulatedProductTest, HeadsetOutputReportIsTracedAndNotEchoed) {
    PlugEcho("headset");
    CHidDevice hid;
    ASSERT_TRUE(hid.Open(PathOf("headset", 3, 0x0C76, 0x1630, 0), true, true, true, false));
    Bytes leds(17, 0x22);
    leds[0] = 0xFF;
    std::uint32_t count = 0;
    ASSERT_TRUE(hid.Write(leds.data(), 17, &count, 1000));
    EXPECT_EQ(count, 17u);
    Bytes buffer(17, 0);
    EXPECT_FALSE(hid.Read(buffer.data(), 17, nullptr, 100));  // 0xFF is no input report
    ASSERT_TRUE(kx58test::WaitUntil([&] {
        return kx58test::ReadWholeFile(traceFile).find("OUT " + PathOf("headset", 3, 0x0C76, 0x1630, 0) + " ff 22") !=
               std::string::npos;
    }));
}

TEST_F(SimulatedProductTest, StrayFilesOnTheBusAreSkipped) {
    PlugEcho("pad");
    kx58test::WriteWholeFile(folder + "/junk-if1.json", "{ not json");
    kx58test::WriteWholeFile(folder + "/junk-if1.sock", "a regular file, not a socket");
    kx58test::WriteWholeFile(folder + "/lonely-if1.json", kx58test::ReadWholeFile(folder + "/pad-if1.json"));
    std::vector<std::string> paths;
    ASSERT_TRUE(EnumerateHidPaths(paths));
    ASSERT_EQ(paths.size(), 4u);
    for (const std::string& path : paths) EXPECT_NE(path.find("/pad-if1.sock#"), std::string::npos) << path;

    // A host that does not greet properly is dropped; the bus keeps serving others.
    const int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const std::string socketPath = folder + "/pad-if1.sock";
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", socketPath.c_str());
    ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    const std::uint8_t rude[] = {0x04, 0x01};
    ASSERT_EQ(send(fd, rude, sizeof rude, MSG_NOSIGNAL), 2);
    std::uint8_t reply[8];
    EXPECT_EQ(recv(fd, reply, sizeof reply, 0), 0);  // closed by the bus
    close(fd);
    CHidDevice hid;
    ASSERT_TRUE(hid.Open(paths[3], true, true, true, false));
    Bytes command(64, 1);
    command[0] = 4;
    ASSERT_TRUE(hid.Write(command.data(), 64, nullptr, 1000));
    ASSERT_TRUE(hid.Read(command.data(), 64, nullptr, 20000));
}

}  // namespace
}  // namespace kx58
