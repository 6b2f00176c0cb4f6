#include "device/hid/hid_path.h"

#include <gtest/gtest.h>

#include "device/hid/supported_devices.h"

namespace kx58 {
namespace {

TEST(HidPath, TagsAreReadCaseInsensitivelyAsHexAfterTheHash) {
    const std::string path = "hidraw:/dev/hidraw3#VID_320F&Pid_501d&MI_01&Col04";
    EXPECT_EQ(ParseVid(path), 0x320F);
    EXPECT_EQ(ParsePid(path), 0x501D);
    EXPECT_EQ(ParseInterface(path), 1);
    EXPECT_EQ(ParseCollection(path), 4);
}

TEST(HidPath, NodeTextThatLooksLikeTagsIsNotParsed) {
    // A bus folder may be named anything, '#' included; only the part after the last '#' counts.
    const std::string path = "vhid:/tmp/vid_0c76&pid_1630&mi_03&col02/a#b/kb-if1.sock#vid_320f&pid_501d&mi_01";
    EXPECT_EQ(ParseVid(path), 0x320F);
    EXPECT_EQ(ParsePid(path), 0x501D);
    EXPECT_EQ(ParseInterface(path), 1);
    EXPECT_EQ(ParseCollection(path), 0);
    SplitPath split;
    ASSERT_TRUE(SplitDevicePath(path, split));
    EXPECT_EQ(split.node, "/tmp/vid_0c76&pid_1630&mi_03&col02/a#b/kb-if1.sock");
    EXPECT_EQ(ParseVid("vhid:/x/vid_320f&pid_501d&mi_01&col04.sock"), 0);  // no '#': no tags
}

TEST(HidPath, MissingTagsAndOddDigitsGiveWhatScanfWould) {
    EXPECT_EQ(ParseCollection("vhid:/x/kb.sock#vid_1&pid_2&mi_01"), 0);
    EXPECT_EQ(ParseVid("#vid_"), 0);              // tag at the very end
    EXPECT_EQ(ParseVid("#vid_zz"), 0);            // no digits
    EXPECT_EQ(ParseVid("#vid_12345"), 0x2345);    // low 16 bits
    EXPECT_EQ(ParseVid("#vid_0x1f"), 0x1F);       // "%x" takes a 0x prefix
    EXPECT_EQ(ParsePid("#pid_1fz"), 0x1F);        // stops at the first non-digit
    // "mi_" without '&' is not the interface tag.
    EXPECT_EQ(ParseInterface("#xmi_05"), 0);
    // The first occurrence counts.
    EXPECT_EQ(ParseCollection("#a&col02&col03"), 2);
}

TEST(HidPath, TagsRoundTripAndSplit) {
    EXPECT_EQ(MakePathTags(0x320F, 0x501D, 1, 4), "vid_320f&pid_501d&mi_01&col04");
    EXPECT_EQ(MakePathTags(0x0C76, 0x1630, 3, 0), "vid_0c76&pid_1630&mi_03");
    const std::string path = "vhid:/run/kx58/vhid/kb-if1.sock#" + MakePathTags(0x320F, 0x5001, 1, 0x13);
    EXPECT_EQ(ParsePid(path), 0x5001);
    EXPECT_EQ(ParseCollection(path), 0x13);

    SplitPath split;
    ASSERT_TRUE(SplitDevicePath(path, split));
    EXPECT_EQ(split.backend, "vhid");
    EXPECT_EQ(split.node, "/run/kx58/vhid/kb-if1.sock");
    EXPECT_FALSE(SplitDevicePath("/dev/hidraw0", split));
    EXPECT_FALSE(SplitDevicePath("hidraw:#vid_1", split));
    EXPECT_FALSE(SplitDevicePath(":x", split));
}

TEST(SupportedDevices, TwinsNameEachOtherAndOnlyTheHeadsetRowHasNoCollection) {
    const DeviceTable table = SupportedDevices();
    for (std::size_t i = 0; i < table.size(); ++i) {
        EXPECT_TRUE(table[i].IsFree());
        if (table[i].hasTwin) {
            EXPECT_EQ(table[table[i].twinRow].twinRow, i) << "row " << i;
        }
        if (table[i].role == kRoleCommand && table[i].kind != DeviceKind::Headset) {
            EXPECT_EQ(table[i].usagePage, 0xFF1C);
        }
    }
    // A path without "&col" matches only the headset row.
    const std::string headset = "vhid:/x/h.sock#vid_0c76&pid_1630&mi_03";
    EXPECT_EQ(FindSupportedRow(table, ParseVid(headset), ParsePid(headset), ParseCollection(headset),
                               ParseInterface(headset), 0x0C, 0x01),
              std::optional<std::size_t>(10));
    EXPECT_FALSE(FindSupportedRow(table, 0x320F, 0x501D, 0, 1, 0x0C, 0x01));
    EXPECT_EQ(FindSupportedRow(table, 0x320F, 0x221D, 3, 1, 0x0C, 0x01), std::optional<std::size_t>(7));
    EXPECT_FALSE(FindSupportedRow(table, 0x320F, 0x221D, 4, 1, 0xFF00, 0x92));  // wrong usage page
    EXPECT_STREQ(DeviceKindName(DeviceKind::KeyboardWireless), "keyboard-2.4g");
    EXPECT_STREQ(DeviceKindName(static_cast<DeviceKind>(4)), "unknown");
}

}  // namespace
}  // namespace kx58
