#include <gtest/gtest.h>

#include "profile/mouse_profiledata.h"
#include "profile_test_util.h"
#include "support/temp_dir.h"

namespace {

using kx58::CMouseProfiledata;
using kx58::DpiStage;
using kx58::ReadJsonDocument;
using kx58::WriteJsonDocument;
using kx58test::ParseJson;

using MouseProfileTest = kx58test::ProfileFileTest<CMouseProfiledata>;

std::vector<DpiStage> SixStages() {
    std::vector<DpiStage> stages;
    for (int i = 0; i < 6; ++i) {
        stages.push_back({1, 0, static_cast<uint16_t>(100 * (i + 1)),
                          static_cast<uint16_t>(100 * (i + 1)), 10, 20, static_cast<uint8_t>(i)});
    }
    return stages;
}

TEST_F(MouseProfileTest, StoredStagesReplaceOnlyTheFirstOnesInMemory) {
    Load(R"({"Device":[{"DPIStages":{"StageActive":0,"StageDPIs":[{}]}}]})");
    data.SetDpiStages(SixStages());  // the list in memory now has six stages
    Load(R"({"Device":[{"DPIStages":{"StageActive":2,"StageDPIs":[
        {"StageActive":1,"StageXY":1,"StageDPIX":70000,"StageDPIY":31,"StageColorR":255,
         "StageColorG":0,"StageColorB":9},
        {"StageDPIX":7}, {"StageDPIX":8}]}}]})");
    const auto stages = data.GetDpiStages();
    ASSERT_EQ(stages.size(), 6u);
    EXPECT_EQ(stages[0], (DpiStage{1, 1, static_cast<uint16_t>(70000), 31, 255, 0, 9}));
    EXPECT_EQ(stages[1].StageDPIX, 7);
    EXPECT_EQ(stages[2].StageDPIX, 8);
    for (size_t i = 3; i < 6; ++i) EXPECT_EQ(stages[i], SixStages()[i]) << i;
    EXPECT_EQ(data.GetActiveDpiStage(), 2);
}

TEST_F(MouseProfileTest, StagesBeyondTheListAreAppendedAndAllWrittenBack) {
    Load(R"({"Device":[{"DPIStages":{"StageDPIs":[{"StageDPIX":1},{"StageDPIX":2}]}}]})");
    auto stages = data.GetDpiStages();
    ASSERT_EQ(stages.size(), 2u);
    stages.push_back({1, 1, 3, 3, 1, 2, 3});
    data.SetDpiStages(stages);
    data.SetActiveDpiStage(2);
    data.Save();
    const Json::Value stored = ReadJsonDocument(path)["Device"][0]["DPIStages"];
    EXPECT_EQ(stored["StageActive"].asInt(), 2);
    ASSERT_EQ(stored["StageDPIs"].size(), 3u);
    EXPECT_EQ(stored["StageDPIs"][0].getMemberNames().size(), 7u);  // every key written
    CMouseProfiledata again;
    again.LoadProfile(path);
    EXPECT_EQ(again.GetDpiStages(), stages);
}

TEST_F(MouseProfileTest, MissingDpiGroupLeavesTheListAlone) {
    Load(R"({"Device":[{}]})");
    data.SetDpiStages(SixStages());
    Load(R"({"Device":[{"LightInfo":{}}]})");
    EXPECT_EQ(data.GetDpiStages(), SixStages());
    EXPECT_EQ(data.GetActiveDpiStage(), 0);
}

TEST_F(MouseProfileTest, SystemStagesAndReportRate) {
    Load(R"({"Device":[{"SystemStages":{"DoubleClickTime":500,"MouseSpeed":10,
        "PointerPrecision":1,"ScorllPage":0,"WheelScorlllinse":3}}]})");
    // No ReportStages: the rate reads 0.
    EXPECT_EQ(data.GetMouseSystemStages(), (kx58::PackedStages{(10u << 16) | 500u, 1u, 3u}));
    data.SetMouseSystemStages((12u << 16) | 400u, (1u << 16) | 0u, (2u << 16) | 5u);
    data.Save();
    const Json::Value section = ReadJsonDocument(path)["Device"][0];
    EXPECT_EQ(section["SystemStages"]["ScorllPage"].asInt(), 1);
    EXPECT_EQ(section["SystemStages"]["WheelScorlllinse"].asInt(), 5);
    EXPECT_EQ(section["ReportStages"]["StageActive"].asInt(), 2);
    CMouseProfiledata again;
    again.LoadProfile(path);
    EXPECT_EQ(again.GetMouseSystemStages(),
              (kx58::PackedStages{(12u << 16) | 400u, (1u << 16) | 0u, (2u << 16) | 5u}));
}

TEST_F(MouseProfileTest, CorrectionPresets) {
    Load(R"({"Device":[{"CorrectInfo":[
        {"CorrectPixThresh":2,"CorrectMinSq":260,"CorrectSelect":1,"CorrectName":"Low"},
        {"CorrectName":7}]}]})");
    const auto presets = data.GetCorrectInfo();
    ASSERT_EQ(presets.size(), 2u);
    EXPECT_EQ(presets[0], (kx58::CorrectPreset{2, 4, 1, "Low"}));
    EXPECT_EQ(presets[1], kx58::CorrectPreset{});
}

}  // namespace
