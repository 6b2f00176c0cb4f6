#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <set>
#include <utility>

#include "device/hid/supported_devices.h"
#include "support/temp_dir.h"

// Every product the program supports must be openable by the user, and nothing else.
TEST(UdevRule, GrantsAccessToExactlyTheSupportedProducts) {
    const std::string rules = kx58test::ReadWholeFile(UDEV_RULE_PATH);
    ASSERT_FALSE(rules.empty());
    std::set<std::pair<unsigned, unsigned>> granted;
    const std::regex line(R"re(SUBSYSTEM=="hidraw", ATTRS\{idVendor\}=="([0-9a-f]{4})", ATTRS\{idProduct\}=="([0-9a-f]{4})", TAG\+="uaccess")re");
    for (std::sregex_iterator it(rules.begin(), rules.end(), line), end; it != end; ++it)
        granted.emplace(std::stoul((*it)[1], nullptr, 16), std::stoul((*it)[2], nullptr, 16));

    std::set<std::pair<unsigned, unsigned>> supported;
    for (const auto& row : kx58::SupportedDevices()) supported.emplace(row.vendorId, row.productId);
    EXPECT_EQ(granted, supported);
}
