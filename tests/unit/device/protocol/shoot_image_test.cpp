// The shoot image as the mouse receives it: four gun files from a real folder, written
// through a channel to the simulated mouse and read back out of its shoot area.
#include "device/protocol/shoot_image.h"

#include <gtest/gtest.h>

#include "platform/folders.h"
#include "unit/device/protocol/firmware_fixture.h"

namespace kx58 {
namespace {

namespace field = report_field;

std::uint16_t Le16(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

struct DecodedImage {
    std::uint16_t magic = 0;
    std::uint16_t total = 0;
    std::vector<MacroEventList> blocks;
};

// Reads the image the way the firmware walks it: header, block offsets, events.
DecodedImage Decode(const std::vector<std::uint8_t>& area) {
    DecodedImage image{Le16(area, 0), Le16(area, 2), {}};
    const std::uint16_t blocks = Le16(area, 4);
    for (std::size_t b = 0; b < blocks; ++b) {
        std::size_t at = Le16(area, 16 + 2 * b);
        MacroEventList& events = image.blocks.emplace_back();
        const std::uint16_t count = Le16(area, at);
        at += 4;
        for (std::uint16_t e = 0; e < count; ++e, at += 4)
            events.push_back({.delay = Le16(area, at), .type = static_cast<std::uint8_t>(area[at + 2] & 0x7F),
                              .down = (area[at + 2] & 0x80) != 0, .button = area[at + 3]});
    }
    return image;
}

bool SameEvents(const MacroEventList& a, const MacroEventList& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](const MacroEvent& x, const MacroEvent& y) {
               return x.delay == y.delay && x.type == y.type && x.down == y.down && x.button == y.button;
           });
}

std::vector<std::uint8_t> CommandsOf(const std::vector<CommandReport>& requests) {
    std::vector<std::uint8_t> commands;
    for (const CommandReport& r : requests) commands.push_back(r[field::kCommand]);
    return commands;
}

class ShootImageTest : public kx58test::FirmwareFixture {
protected:
    // The factory guns, gun 1 cut to two bullets so the blocks differ in length.
    void PutGunFiles() {
        ASSERT_TRUE(CreateFolders(guns));
        for (int gun = 0; gun < kShootGunCount; ++gun)
            kx58test::WriteWholeFile(ShootFilePath(guns, gun),
                                     kx58test::ReadWholeFile(ShootFilePath(KX58_DEFAULTS_FOLDER, gun)));
        kx58test::WriteWholeFile(ShootFilePath(guns, 1),
                                 R"({"Events": [
            {"Action": "down", "Button": 1, "Delay": 10, "Type": 1}, {"Action": "up", "Button": 1, "Delay": 0, "Type": 1},
            {"Action": "down", "Button": 3, "Delay": 5, "Type": 4}, {"Action": "up", "Button": 9, "Delay": "85", "Type": 5},
            {"Action": "down", "Button": 0, "Delay": 0, "Type": 4}, {"Action": "up", "Button": 0, "Delay": 0, "Type": 5},
            {"Action": "down", "Button": 1, "Delay": 10, "Type": 1}, {"Action": "up", "Button": 1, "Delay": 0, "Type": 1},
            {"Action": "up", "Button": 2, "Delay": 5, "Type": 4}, {"Action": "up", "Button": 7, "Delay": 90, "Type": 5},
            {"Action": "up", "Button": 0, "Delay": 0, "Type": 4}, {"Action": "up", "Button": 0, "Delay": 0, "Type": 5}]})");
    }
    std::size_t ShootRequests() const {
        const auto commands = CommandsOf(Requests());
        return static_cast<std::size_t>(std::count(commands.begin(), commands.end(), kCmdWriteShootImage));
    }
    std::string guns = session.Root() + "/Mouse/";
};

TEST_F(ShootImageTest, TheFourGunsReachTheMouseAndDecodeBackToTheirFiles) {
    PutGunFiles();
    Attach("mouse");
    ASSERT_EQ(WriteShootImage(channel, guns), kResultOk);

    const DecodedImage image = Decode(product->Memory().shoot);
    EXPECT_EQ(image.magic, 0x55AA);
    EXPECT_EQ(image.total, 16 + 24 + 4 * (180 + 12 + 180 + 180));
    ASSERT_EQ(image.blocks.size(), 4u);
    for (int gun = 0; gun < kShootGunCount; ++gun)
        EXPECT_TRUE(SameEvents(image.blocks[static_cast<std::size_t>(gun)], ReadShootEvents(guns, gun))) << gun;
    // Gun 1's second move up and to the right as the firmware sees it: "up" leaves bit 7 clear.
    EXPECT_EQ(image.blocks[1][3].delay, 85);
    EXPECT_EQ(image.blocks[1][8].type, 4);
    EXPECT_FALSE(image.blocks[1][8].down);
    EXPECT_TRUE(image.blocks[1][2].down);

    const std::vector<std::uint8_t> commands = CommandsOf(Requests());
    ASSERT_FALSE(commands.empty());
    EXPECT_EQ(commands.front(), kCmdReadDeviceInfo);
    EXPECT_EQ(ShootRequests(), (image.total + 55u) / 56u);  // 56-byte chunks
}

TEST_F(ShootImageTest, AMissingGunFileIsAnEmptyBlock) {
    PutGunFiles();
    ASSERT_EQ(::unlink(ShootFilePath(guns, 2).c_str()), 0);
    Attach("mouse");
    ASSERT_EQ(WriteShootImage(channel, guns), kResultOk);
    const DecodedImage image = Decode(product->Memory().shoot);
    ASSERT_EQ(image.blocks.size(), 4u);
    EXPECT_TRUE(image.blocks[2].empty());
    EXPECT_EQ(image.blocks[3].size(), kMaxShootEvents);
}

TEST_F(ShootImageTest, OddValuesInAGunFileAreBroughtIntoTheEventsRange) {
    PutGunFiles();
    kx58test::WriteWholeFile(ShootFilePath(guns, 0), R"({"Events": [
        {"Action": "down", "Button": 300, "Delay": "99999999999999999999", "Type": 133},
        {"Action": 7, "Button": -1, "Delay": -5, "Type": "5"},
        "not an event",
        {"Button": 18446744073709551615, "Delay": 1e300}]})");
    Attach("mouse");
    ASSERT_EQ(WriteShootImage(channel, guns), kResultOk);
    const DecodedImage image = Decode(product->Memory().shoot);
    ASSERT_EQ(image.blocks.size(), 4u);
    const MacroEventList& odd = image.blocks[0];
    ASSERT_EQ(odd.size(), 4u);  // every element keeps its place
    EXPECT_EQ(odd[0].button, 44);
    EXPECT_EQ(odd[0].delay, 65535);
    EXPECT_EQ(odd[0].type, 5);
    EXPECT_TRUE(odd[0].down);
    EXPECT_FALSE(odd[1].down);
    EXPECT_EQ(odd[1].button, 255);
    EXPECT_EQ(odd[1].delay, 0);
    EXPECT_EQ(odd[1].type, 5);
    EXPECT_EQ(odd[2].type, 0);
    EXPECT_EQ(odd[3].delay, 0);
}

TEST_F(ShootImageTest, ThroughTheReceiverTheLinkIsAskedFirstAndChunksStayFull) {
    PutGunFiles();
    Attach("mouse-rx");
    ASSERT_EQ(WriteShootImage(channel, guns), kResultOk);
    const std::vector<std::uint8_t> commands = CommandsOf(Requests());
    ASSERT_GE(commands.size(), 4u);
    EXPECT_EQ(commands[0], kCmdQueryWirelessLink);
    EXPECT_EQ(commands[1], kCmdReadDeviceInfo);
    std::vector<CommandReport> chunks;
    for (const CommandReport& r : Requests())
        if (r[field::kCommand] == kCmdWriteShootImage) chunks.push_back(r);
    ASSERT_GE(chunks.size(), 2u);
    for (std::size_t i = 0; i + 1 < chunks.size(); ++i) EXPECT_EQ(chunks[i][field::kLength], 56) << i;
    const DecodedImage image = Decode(product->Memory().shoot);
    EXPECT_EQ(ReportOffset(chunks.back()) + chunks.back()[field::kLength], image.total);
    EXPECT_EQ(image.blocks.size(), 4u);
}

TEST_F(ShootImageTest, AReceiverWithoutItsMouseGetsNothing) {
    PutGunFiles();
    Attach("mouse-rx");
    product->SetLinkUp(false);
    EXPECT_EQ(WriteShootImage(channel, guns), kResultFailed);
    EXPECT_EQ(ShootRequests(), 0u);
    EXPECT_EQ(CommandsOf(Requests()), std::vector<std::uint8_t>{kCmdQueryWirelessLink});
    const std::vector<std::uint8_t>& area = product->Memory().shoot;
    EXPECT_TRUE(std::all_of(area.begin(), area.end(), [](std::uint8_t b) { return b == 0; }));
}

TEST_F(ShootImageTest, ADetachedChannelWritesNothing) {
    PutGunFiles();
    Attach("mouse");
    channel.Detach();
    EXPECT_EQ(WriteShootImage(channel, guns), kResultFailed);
    EXPECT_EQ(product->RequestCount(), 0u);
}

}  // namespace
}  // namespace kx58
