#include <gtest/gtest.h>

#include "platform/debug_trace.h"
#include "platform/folders.h"
#include "profile/basic_profiledata.h"
#include "profile_test_util.h"
#include "support/temp_dir.h"

namespace {

using kx58::CBasicProfiledata;
using kx58::ReadJsonDocument;
using kx58::WriteJsonDocument;
using kx58test::ParseJson;

class ProfileDataTest : public ::testing::Test {
protected:
    void SetUp() override {
        defaultPath = dir / "Default.Json";
        profilePath = dir / "2024_03_05_14_07_09_042.Json";
        WriteJsonDocument(defaultPath, ParseJson(R"({"Device":[{
            "LightInfo":{"SelectItem":5,"Light":4,"Speed":2,"Fx":1,"MultiColor":1,"Red":9,
                         "Green":8,"Blue":7,"ZZCCLedMode":3,"CustomGroup":1,"OldLedmode":6,
                         "LogoMode":2,"LogoModeCol":11},
            "KeyList":[{"Assignment":2097193,"DefaultAssignment":2097193},
                       {"Assignment":2097210,"DefaultAssignment":2097210}],
            "Extra":"kept"}]})"));
        data.SetDefaultPath(defaultPath);
        data.SetProfilePath(profilePath);
    }

    kx58test::TempDir dir;
    std::string defaultPath;
    std::string profilePath;
    CBasicProfiledata data;
};

TEST_F(ProfileDataTest, EmptyDocumentIsRepairedFromTheDefault) {
    kx58test::WriteWholeFile(profilePath, "{}");
    const Json::Value section = data.LoadProfile(profilePath);
    EXPECT_EQ(section["Extra"].asString(), "kept");
    const Json::Value stored = ReadJsonDocument(profilePath);
    EXPECT_EQ(stored["Device"][0], ReadJsonDocument(defaultPath)["Device"][0]);
    EXPECT_EQ(data.GetLightInfo().SelectItem, 5);
}

TEST_F(ProfileDataTest, MissingBrokenAndForeignDocumentsAreRepairedKeepingWhatTheyHeld) {
    data.LoadProfile(profilePath);  // no file at all
    EXPECT_EQ(ReadJsonDocument(profilePath)["Device"][0]["Extra"].asString(), "kept");

    kx58test::WriteWholeFile(profilePath, "{\"Device\":[{\"LightInfo\":");
    data.LoadProfile(profilePath);
    EXPECT_EQ(ReadJsonDocument(profilePath)["Device"][0]["Extra"].asString(), "kept");
    // What could not be parsed is kept beside the repaired file.
    EXPECT_EQ(kx58test::ReadWholeFile(profilePath + ".broken"), "{\"Device\":[{\"LightInfo\":");

    // Another program's element 1 and the identity keys survive a repair of element 0.
    kx58test::WriteWholeFile(profilePath,
                             R"({"profilename":"Game","Device":[null,{"other":1}]})");
    data.LoadProfile(profilePath);
    const Json::Value stored = ReadJsonDocument(profilePath);
    EXPECT_EQ(stored["profilename"].asString(), "Game");
    EXPECT_EQ(stored["Device"][1]["other"].asInt(), 1);
    EXPECT_EQ(stored["Device"][0]["Extra"].asString(), "kept");

    // Wrong shapes: a document that is an array, a Device that is an object.
    for (const char* text : {"[1,2]", R"({"Device":{"0":{}}})", R"({"Device":[7]})"}) {
        kx58test::WriteWholeFile(profilePath, text);
        EXPECT_EQ(data.LoadProfile(profilePath)["Extra"].asString(), "kept") << text;
    }
}

TEST_F(ProfileDataTest, SaveKeepsADocumentThatBrokeAfterLoad) {
    data.LoadProfile(profilePath);
    kx58test::WriteWholeFile(profilePath, "{ half written");
    ASSERT_TRUE(data.Save());
    EXPECT_EQ(kx58test::ReadWholeFile(profilePath + ".broken"), "{ half written");
    EXPECT_EQ(ReadJsonDocument(profilePath)["Device"][0]["Extra"].asString(), "kept");
}

TEST_F(ProfileDataTest, AnUnreadableProfileIsNeverReplaced) {
    kx58::CreateFolders(profilePath);  // a folder where the file should be cannot be read
    EXPECT_EQ(data.LoadProfile(profilePath)["Extra"].asString(), "kept");
    EXPECT_FALSE(data.Save());
    EXPECT_TRUE(kx58::PathExists(profilePath + "/"));
}

TEST_F(ProfileDataTest, MissingDefaultLeavesFallbacks) {
    CBasicProfiledata lone;
    lone.SetDefaultPath(dir / "none.Json");
    EXPECT_TRUE(lone.LoadProfile(profilePath).isNull());
    EXPECT_EQ(lone.GetLightInfo(), kx58::LightInfo{});
    EXPECT_TRUE(lone.GetKeyList().empty());
    EXPECT_TRUE(lone.GetLightList().empty());
    EXPECT_EQ(lone.GetAudioLightInfo(), kx58::AudioLightInfo{});
    EXPECT_TRUE(ReadJsonDocument(profilePath)["Device"][0].isNull());
}

TEST_F(ProfileDataTest, LightInfoRoundTripAndMissingMembers) {
    WriteJsonDocument(profilePath, ParseJson(R"({"Device":[{"LightInfo":{
        "SelectItem":3,"Light":2,"Speed":1,"MultiColor":5,"Red":255,"Green":300,"Blue":"x"}}]})"));
    data.LoadProfile(profilePath);
    const kx58::LightInfo read = data.GetLightInfo();
    EXPECT_EQ(read.SelectItem, 3);
    EXPECT_EQ(read.Fx, 0);          // missing
    EXPECT_EQ(read.MultiColor, 1);  // a truth value
    EXPECT_EQ(read.Red, 255);
    EXPECT_EQ(read.Green, 44);  // cut to 8 bits
    EXPECT_EQ(read.Blue, 0);    // wrong type

    kx58::LightInfo info{};
    info.SelectItem = 29, info.Light = 4, info.Speed = 3, info.Fx = 1, info.MultiColor = 1;
    info.Red = 255, info.Green = 0, info.Blue = 128, info.ZZCCLedMode = 2, info.CustomGroup = 4;
    info.OldLedmode = 7, info.LogoMode = 1, info.LogoModeCol = 9;
    info.unstored[0] = 0x55;
    data.SetLightInfo(info);
    ASSERT_TRUE(data.Save());
    CBasicProfiledata again;
    again.LoadProfile(profilePath);
    kx58::LightInfo expected = info;
    expected.unstored[0] = 0;  // not part of the document
    EXPECT_EQ(again.GetLightInfo(), expected);
    EXPECT_FALSE(ReadJsonDocument(profilePath)["Device"][0]["LightInfo"].isMember("unstored"));
}

TEST_F(ProfileDataTest, UnsavedChangesAreDiscardedByReload) {
    data.LoadProfile(profilePath);
    kx58::LightInfo info = data.GetLightInfo();
    info.Red = 1;
    data.SetLightInfo(info);
    data.LoadProfile(profilePath);
    EXPECT_EQ(data.GetLightInfo().Red, 9);
}

TEST_F(ProfileDataTest, SaveKeepsOtherDevicesAndTopLevelKeys) {
    data.LoadProfile(profilePath);
    // Another program edits the file after our load.
    Json::Value edited = ReadJsonDocument(profilePath);
    edited["Device"][1]["theirs"] = "still here";
    edited["profilename"] = "Game";
    WriteJsonDocument(profilePath, edited);

    kx58::LightInfo info = data.GetLightInfo();
    info.Blue = 200;
    data.SetLightInfo(info);
    ASSERT_TRUE(data.Save());
    const Json::Value stored = ReadJsonDocument(profilePath);
    EXPECT_EQ(stored["Device"][1]["theirs"].asString(), "still here");
    EXPECT_EQ(stored["profilename"].asString(), "Game");
    EXPECT_EQ(stored["Device"][0]["LightInfo"]["Blue"].asInt(), 200);
    EXPECT_EQ(stored["Device"][0]["Extra"].asString(), "kept");  // unknown keys survive
}

TEST_F(ProfileDataTest, PathSettersAndDefaultSection) {
    data.SetProfilePath("");
    EXPECT_EQ(data.GetProfilePath(), profilePath);
    data.SetDefaultPath("");
    EXPECT_EQ(data.GetDefaultPath(), defaultPath);
    data.SetLightLibraryPath("x.config");
    data.SetLightLibraryPath("");
    EXPECT_EQ(data.GetLightLibraryPath(), "");

    // The factory reset loads Device[0] of a profile, repairing it from the defaults.
    const std::string other = dir / "other.Json";
    EXPECT_EQ(data.LoadDefaultProfile(other)["Extra"].asString(), "kept");
    EXPECT_EQ(ReadJsonDocument(other)["Device"][0]["Extra"].asString(), "kept");
    // Loading the shipped document itself never writes it.
    const std::string before = kx58test::ReadWholeFile(defaultPath);
    data.LoadDefaultProfile(defaultPath);
    EXPECT_EQ(kx58test::ReadWholeFile(defaultPath), before);
    ASSERT_TRUE(data.SaveDefaultTo(dir / "copy.Json"));
    EXPECT_EQ(ReadJsonDocument(dir / "copy.Json")["Device"][0], data.DefaultSection());
}

TEST_F(ProfileDataTest, KeyListPacksTheAssignmentBytes) {
    WriteJsonDocument(profilePath, ParseJson(R"({"Device":[{"KeyList":[
        {"Assignment":655618,"DefaultAssignment":2097193,"Note":"kept"}, null, {"Assignment":"x"}]}]})"));
    data.LoadProfile(profilePath);
    const auto keys = data.GetKeyList();
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_EQ(keys[0].keyIndex, 0);
    EXPECT_EQ(keys[0].assignment, (kx58::AssignmentBytes{10, 1, 2}));
    EXPECT_EQ(keys[0].defaultAssignment, (kx58::AssignmentBytes{0x20, 0x00, 0x29}));
    EXPECT_EQ(keys[1].assignment, kx58::AssignmentBytes{});
    EXPECT_EQ(keys[2].keyIndex, 2);
    data.SetKeyList(keys);
    data.Save();
    const Json::Value stored = ReadJsonDocument(profilePath)["Device"][0]["KeyList"];
    EXPECT_EQ(stored[0]["Assignment"].asInt(), 655618);
    EXPECT_EQ(stored[0]["DefaultAssignment"].asInt(), 2097193);  // never written
    EXPECT_EQ(stored[0]["Note"].asString(), "kept");
}

TEST_F(ProfileDataTest, SetKeyListChangesOnlyItsOwnPositions) {
    Json::Value section(Json::objectValue);
    for (int i = 0; i < 100; ++i) {
        section["KeyList"][i]["Assignment"] = 1000 + i;
        section["KeyList"][i]["DefaultAssignment"] = 1000 + i;
    }
    WriteJsonDocument(profilePath, kx58test::DocumentWithSection(section));
    data.LoadProfile(profilePath);
    std::vector<kx58::KeyAssignmentEntry> three(3);
    for (int i = 0; i < 3; ++i) {
        three[i].keyIndex = static_cast<uint16_t>(50 + i);  // stored index is not used
        three[i].assignment = kx58::AssignmentBytes::FromCode(0x710000 + i);
    }
    data.SetKeyList(three);
    data.Save();
    const Json::Value stored = ReadJsonDocument(profilePath)["Device"][0]["KeyList"];
    ASSERT_EQ(stored.size(), 100u);
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(stored[i]["Assignment"].asInt(), i < 3 ? 0x710000 + i : 1000 + i) << i;
    }
}

TEST_F(ProfileDataTest, DefaultKeyListComesFromTheDefaultDocument) {
    data.LoadProfile(profilePath);
    auto defaults = data.GetDefaultKeyList();
    ASSERT_EQ(defaults.size(), 2u);
    EXPECT_EQ(defaults[1].assignment.Code(), 2097210u);
    defaults[1].assignment = kx58::AssignmentBytes::FromCode(5);
    data.SetDefaultKeyList(defaults);
    EXPECT_EQ(data.DefaultSection()["KeyList"][1]["Assignment"].asInt(), 5);
    EXPECT_EQ(data.DefaultSection()["KeyList"][1]["DefaultAssignment"].asInt(), 2097210);
    // The working section is untouched.
    EXPECT_EQ(data.GetKeyList()[1].assignment.Code(), 2097210u);
}

TEST_F(ProfileDataTest, AudioLightInfoAlwaysOpensOnTheForegroundColour) {
    WriteJsonDocument(profilePath, ParseJson(R"({"Device":[{"AudioLightInfo":{
        "AudioMode":2,"BkColorR":1,"BkColorG":2,"BkColorB":3,"FgColorR":4,"FgColorG":5,
        "FgColorB":6,"7ColorFlags":1,"ColorTypeFlags":0}}]})"));
    data.LoadProfile(profilePath);
    const kx58::AudioLightInfo read = data.GetAudioLightInfo();
    EXPECT_EQ(read, (kx58::AudioLightInfo{2, 1, 2, 3, 4, 5, 6, 1, 1}));
    data.SetAudioLightInfo({3, 10, 20, 30, 40, 50, 60, 0, 0});
    data.Save();
    const Json::Value stored = ReadJsonDocument(profilePath)["Device"][0]["AudioLightInfo"];
    EXPECT_EQ(stored["ColorTypeFlags"].asInt(), 0);  // the stored value is what was set
    EXPECT_EQ(stored["FgColorB"].asInt(), 60);
    CBasicProfiledata again;
    again.LoadProfile(profilePath);
    EXPECT_EQ(again.GetAudioLightInfo(), (kx58::AudioLightInfo{3, 10, 20, 30, 40, 50, 60, 0, 1}));
}

TEST_F(ProfileDataTest, LightListMarksExistingElements) {
    WriteJsonDocument(profilePath, ParseJson(R"({"Device":[{"LightList":[
        {"LEDREGMode":4,"LEDBrightness":3,"LEDSpeed":2,"LEDDirection":true,"LEDMultiColor":2,
         "red":1,"green":2,"blue":3}, null, {}]}]})"));
    data.LoadProfile(profilePath);
    const auto list = data.GetLightList();
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0], (kx58::LightListEntry{4, 3, 2, 1, 1, 1, 2, 3, {0, 0}, 1}));
    EXPECT_EQ(list[1], kx58::LightListEntry{});
    EXPECT_EQ(list[2].exists, 1);
}

TEST_F(ProfileDataTest, EffectStepsOfAUserMadeEffect) {
    const std::string library = dir / "orvik_light.config";
    WriteJsonDocument(library, ParseJson(R"({"LightInfo":[[
        {"LightName":"Mine","Guid":"2024_01_01_00_00_00_001"},
        {"LightName":"Escape","Guid":"../outside"}]]})"));
    WriteJsonDocument(dir / "2024_01_01_00_00_00_001.light", ParseJson(R"({"LEDEffectList":[
        {"LEDREGMode":5,"LEDDirection":1,"LEDBrightness":4,"LEDSpeed":2,"LEDMultiColor":0,
         "red":255,"green":1,"blue":2,"Time":1500,"Cyle":3},{"Time":70000}]})"));
    WriteJsonDocument(profilePath, ParseJson(R"({"Device":[{"LightInfo":{"SelectItem":31}}]})"));
    data.SetBuiltInEffectCount(31);
    data.SetLightLibraryPath(library);
    data.LoadProfile(profilePath);
    data.LoadLightLibrary(library);
    data.GetLightInfo();
    const auto steps = data.GetEffectSteps();
    ASSERT_EQ(steps.size(), 2u);
    EXPECT_EQ(steps[0], (kx58::EffectStep{5, 4, 2, 1, 0, 255, 1, 2, 1500, 3}));
    EXPECT_EQ(steps[1].Time, 70000);

    kx58::LightInfo info{};
    info.SelectItem = 30;  // a built-in effect
    data.SetLightInfo(info);
    EXPECT_TRUE(data.GetEffectSteps().empty());
    info.SelectItem = 32;  // a Guid that would leave the folder is not followed
    data.SetLightInfo(info);
    EXPECT_TRUE(data.GetEffectSteps().empty());
    info.SelectItem = 40;  // beyond the library
    data.SetLightInfo(info);
    EXPECT_TRUE(data.GetEffectSteps().empty());
}

}  // namespace
