#include <gtest/gtest.h>

#include "profile/hs6533_profiledata.h"
#include "profile_test_util.h"
#include "support/temp_dir.h"

namespace {

using kx58::CHs6533Profiledata;
using kx58::ReadJsonDocument;
using kx58::WriteJsonDocument;
using kx58test::ParseJson;

class HeadsetProfileTest : public ::testing::Test {
protected:
    void SetUp() override {
        Json::Value section(Json::objectValue);
        for (int p = 0; p <= 12; ++p) {
            for (int b = 0; b < 10; ++b) section["EQHzValueInfo"][p][b]["value"] = p * 100 + b;
        }
        section["SystemSetStages"]["EqType"] = 13;
        section["SystemSetStages"]["MicInValue"] = 80;
        WriteJsonDocument(path, kx58test::DocumentWithSection(section));
        data.SetProfilePath(path);
        data.LoadProfile(path);
    }
    void Load(const std::string& document) {
        WriteJsonDocument(path, ParseJson(document));
        data.LoadProfile(path);
    }
    kx58test::TempDir dir;
    std::string path = dir / "h.Json";
    CHs6533Profiledata data;
};

std::vector<int32_t> Preset(int p) {
    std::vector<int32_t> bands;
    for (int b = 0; b < 10; ++b) bands.push_back(p * 100 + b);
    return bands;
}

TEST_F(HeadsetProfileTest, PresetNumbersOutsideTheRangeReadPresetOne) {
    EXPECT_EQ(data.GetEqBands(0), Preset(1));
    EXPECT_EQ(data.GetEqBands(20), Preset(1));
    EXPECT_EQ(data.GetEqBands(-3), Preset(1));
    EXPECT_EQ(data.GetEqBands(12), Preset(12));
    const Json::Value before = data.WorkingSection();
    EXPECT_TRUE(data.GetEqBands(13).empty());
    data.SetEqBands(13, std::vector<int32_t>(10, 7));
    EXPECT_EQ(data.WorkingSection(), before);  // the custom preset has no entry here
}

TEST_F(HeadsetProfileTest, MissingBandsAreCreatedWithZero) {
    Load(R"({"Device":[{"EQHzValueInfo":[null,[{"value":5},null,{"other":1}]]}]})");
    const auto bands = data.GetEqBands(1);
    EXPECT_EQ(bands, (std::vector<int32_t>{5, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    data.Save();
    const Json::Value stored = ReadJsonDocument(path)["Device"][0]["EQHzValueInfo"][1];
    ASSERT_EQ(stored.size(), 10u);
    EXPECT_EQ(stored[1]["value"].asInt(), 0);
    EXPECT_EQ(stored[2]["other"].asInt(), 1);
    EXPECT_TRUE(stored[9].isMember("value"));
    // A whole missing preset comes back as ten zeros and exists afterwards.
    EXPECT_EQ(data.GetEqBands(7), std::vector<int32_t>(10, 0));
    EXPECT_EQ(data.WorkingSection()["EQHzValueInfo"][7].size(), 10u);
}

TEST_F(HeadsetProfileTest, BandsSettingsAndCustomEqualisersRoundTrip) {
    data.SetEqBands(4, {-6, -3, 0, 3, 6, 6, 3, 0, -3, -6});
    data.SetCustomEqBands(1, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    data.SetCustomEqNames({"Night", "Bass 名"});
    data.SetHeadsetSettings({1, 3, 13, 1, 0, 55, 1, 20});
    data.Save();
    CHs6533Profiledata again;
    again.LoadProfile(path);
    EXPECT_EQ(again.GetEqBands(4), (std::vector<int32_t>{-6, -3, 0, 3, 6, 6, 3, 0, -3, -6}));
    EXPECT_EQ(again.GetCustomEqBands(1), (std::vector<int32_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(again.GetCustomEqBands(0), std::vector<int32_t>(10, 0));
    EXPECT_EQ(again.GetCustomEqNames(), (std::vector<std::string>{"Night", "Bass 名"}));
    EXPECT_EQ(again.GetHeadsetSettings(), (kx58::HeadsetSettings{1, 3, 13, 1, 0, 55, 1, 20}));
    // The names are replaced as a whole.
    again.SetCustomEqNames({"Only"});
    EXPECT_EQ(again.GetCustomEqNames(), std::vector<std::string>{"Only"});
    EXPECT_TRUE(again.GetCustomEqBands(1 << 30).empty());
}

TEST_F(HeadsetProfileTest, MissingSettingsReadAsZero) {
    EXPECT_EQ(data.GetHeadsetSettings(), (kx58::HeadsetSettings{0, 0, 13, 0, 0, 80, 0, 0}));
    Load(R"({"Device":[{}]})");
    EXPECT_EQ(data.GetHeadsetSettings(), kx58::HeadsetSettings{});
    EXPECT_TRUE(data.GetCustomEqNames().empty());
}

}  // namespace
