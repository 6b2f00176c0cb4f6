#include <gtest/gtest.h>

#include "profile/keyboard_profiledata.h"
#include "profile_test_util.h"
#include "support/temp_dir.h"

namespace {

using kx58::CKeyboardProfiledata;
using kx58::ReadJsonDocument;
using kx58::WriteJsonDocument;
using kx58test::ParseJson;

using KeyboardProfileTest = kx58test::ProfileFileTest<CKeyboardProfiledata>;

TEST_F(KeyboardProfileTest, SystemStagesPackTwoHalvesPerWord) {
    Load(R"({"Device":[{"SystemStages":{"Repeat":31,"RepeatDelay":2,"Key6Flag":1,
        "PollingRate":3,"WFlag":0,"WinFlag":1,"Other":"kept"}}]})");
    const kx58::PackedStages words = data.GetKeyboardSystemStages();
    EXPECT_EQ(words[0], (2u << 16) | 31u);
    EXPECT_EQ(words[1], (3u << 16) | 1u);
    EXPECT_EQ(words[2], (1u << 16) | 0u);

    data.SetKeyboardSystemStages(0x0001000A, 0x00020000, 0xFFFF0001);
    data.Save();
    const Json::Value stored = ReadJsonDocument(path)["Device"][0]["SystemStages"];
    EXPECT_EQ(stored["Repeat"].asInt(), 10);
    EXPECT_EQ(stored["RepeatDelay"].asInt(), 1);
    EXPECT_EQ(stored["Key6Flag"].asInt(), 0);
    EXPECT_EQ(stored["PollingRate"].asInt(), 2);
    EXPECT_EQ(stored["WFlag"].asInt(), 1);
    EXPECT_EQ(stored["WinFlag"].asInt(), 65535);
    EXPECT_EQ(stored["Other"].asString(), "kept");  // member by member
    CKeyboardProfiledata again;
    again.LoadProfile(path);
    EXPECT_EQ(again.GetKeyboardSystemStages(), (kx58::PackedStages{0x0001000A, 0x00020000, 0xFFFF0001}));
}

TEST_F(KeyboardProfileTest, MissingSystemStagesReadAsZeroWords) {
    Load(R"({"Device":[{"LightInfo":{}}]})");
    EXPECT_EQ(data.GetKeyboardSystemStages(), kx58::PackedStages{});
}

TEST_F(KeyboardProfileTest, MissingCustomGroupIsCreatedWithZeros) {
    Load(R"({"Device":[{"CustomLightMode":{"LightColorInfo":[
        [{"Red":1,"Green":2,"Blue":3,"Alpha":4}], [{"Red":9}]]}}]})");
    const auto colors = data.GetCustomLightColors(3, 5);
    ASSERT_EQ(colors.size(), 5u);
    for (const auto& c : colors) EXPECT_EQ(c, kx58::LedColor{});
    data.Save();
    const Json::Value groups =
        ReadJsonDocument(path)["Device"][0]["CustomLightMode"]["LightColorInfo"];
    ASSERT_EQ(groups.size(), 4u);
    EXPECT_TRUE(groups[2].isNull());
    ASSERT_EQ(groups[3].size(), 5u);
    EXPECT_EQ(groups[3][4]["Alpha"].asInt(), 0);
    EXPECT_TRUE(groups[3][4].isMember("Red"));

    // Present entries are read; missing ones beyond them are created.
    const auto first = data.GetCustomLightColors(0, 3);
    EXPECT_EQ(first[0], (kx58::LedColor{1, 2, 3, 4}));
    EXPECT_EQ(first[2], kx58::LedColor{});
    EXPECT_EQ(data.WorkingSection()["CustomLightMode"]["LightColorInfo"][0].size(), 3u);
    EXPECT_EQ(data.GetCustomLightGroup(), 0);  // missing index reads 0
}

TEST_F(KeyboardProfileTest, CustomColoursAndGroupRoundTrip) {
    Load(R"({"Device":[{}]})");
    std::vector<kx58::LedColor> colors(126);
    for (size_t k = 0; k < colors.size(); ++k) {
        colors[k] = {static_cast<uint8_t>(k), static_cast<uint8_t>(255 - k), 7, 255};
    }
    data.SetCustomLightColors(2, colors);
    data.SetCustomLightGroup(2);
    data.Save();
    CKeyboardProfiledata again;
    again.LoadProfile(path);
    EXPECT_EQ(again.GetCustomLightColors(2, 126), colors);
    EXPECT_EQ(again.GetCustomLightGroup(), 2);
    // Absurd indexes from a damaged document do not grow it.
    EXPECT_TRUE(again.GetCustomLightColors(1 << 30, 10).empty());
    EXPECT_TRUE(again.GetCustomLightColors(0, 1 << 30).empty());
    again.SetCustomLightColors(-1, colors);
    EXPECT_EQ(again.WorkingSection()["CustomLightMode"]["LightColorInfo"].size(), 3u);
}

}  // namespace
