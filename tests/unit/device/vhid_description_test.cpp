#include <gtest/gtest.h>

#include "device/hid/hid_backend.h"
#include "device/hid/hid_enumeration.h"
#include "device/hid/vhid_bus.h"
#include "devsim/product_catalog.h"

namespace kx58 {
namespace {

TEST(VhidDescription, RoundTripsAndRefusesBrokenFiles) {
    HidInterfaceInfo info{"", 0x320F, 0x501D, 0x0102, 1, "KX58 \"Gaming\" Keyboard", {0x05, 0x01, 0xC0}};
    HidInterfaceInfo back;
    ASSERT_TRUE(DecodeVhidDescription(EncodeVhidDescription(info), back));
    EXPECT_EQ(back.vendorId, 0x320F);
    EXPECT_EQ(back.productId, 0x501D);
    EXPECT_EQ(back.version, 0x0102);
    EXPECT_EQ(back.interfaceNumber, 1);
    EXPECT_EQ(back.product, info.product);
    EXPECT_EQ(back.descriptor, info.descriptor);

    const char* broken[] = {
        "", "not json", "[]", R"({"vid":1})",
        R"({"vid":70000,"pid":1,"interface":1,"product":"x","report_descriptor":""})",
        R"({"vid":-1,"pid":1,"interface":1,"product":"x","report_descriptor":""})",
        R"({"vid":1,"pid":1,"interface":1,"product":"x","report_descriptor":"abc"})",
        R"({"vid":1,"pid":1,"interface":1,"product":"x","report_descriptor":"zz"})",
        R"({"vid":"1","pid":1,"interface":1,"product":"x","report_descriptor":""})",
        R"({"vid":1,"pid":1,"interface":1,"product":7,"report_descriptor":""})",
    };
    for (const char* text : broken) EXPECT_FALSE(DecodeVhidDescription(text, back)) << text;
}

TEST(VhidDescription, HelloNamesTheCollection) {
    EXPECT_EQ(ParseVhidHello(MakeVhidHello(4)), std::optional<std::uint16_t>(4));
    EXPECT_EQ(ParseVhidHello(MakeVhidHello(0)), std::optional<std::uint16_t>(0));
    const std::vector<std::uint8_t> report = {0x04, 'K', 'X', 'V', 'H'};
    EXPECT_FALSE(ParseVhidHello(report));
    EXPECT_EQ(VhidDescriptionPathFor("/x/kb-if1.sock"), "/x/kb-if1.json");
}

TEST(CollectionPaths, OneTaggedPathPerCollectionOnlyWhenThereAreSeveral) {
    HidInterfaceInfo info{"/dev/hidraw3", 0x320F, 0x501D, 0x100, 1, "kb", devsim::GamingInterfaceDescriptor()};
    EXPECT_EQ(CollectionPathsOf(HidrawBackend(), info),
              (std::vector<std::string>{"hidraw:/dev/hidraw3#vid_320f&pid_501d&mi_01&col01",
                                        "hidraw:/dev/hidraw3#vid_320f&pid_501d&mi_01&col02",
                                        "hidraw:/dev/hidraw3#vid_320f&pid_501d&mi_01&col03",
                                        "hidraw:/dev/hidraw3#vid_320f&pid_501d&mi_01&col04"}));
    info.descriptor = devsim::HeadsetDescriptor();
    info.interfaceNumber = 3;
    EXPECT_EQ(CollectionPathsOf(HidrawBackend(), info),
              std::vector<std::string>{"hidraw:/dev/hidraw3#vid_320f&pid_501d&mi_03"});
    // An unreadable descriptor still lists the interface once; opening it fails later.
    info.descriptor = {0xA1, 0x01};
    EXPECT_EQ(CollectionPathsOf(VhidBackend(), info).size(), 1u);
    EXPECT_EQ(FindHidBackend("vhid"), &VhidBackend());
    EXPECT_EQ(FindHidBackend("usb"), nullptr);
}

}  // namespace
}  // namespace kx58
