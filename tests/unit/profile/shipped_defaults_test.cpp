// The default documents shipped in DefaultData, read the way a device reads them.
#include <gtest/gtest.h>

#include "platform/folders.h"
#include "profile/default_light_names.h"
#include "profile/json_file.h"
#include "profile/hs6533_profiledata.h"
#include "profile/keyboard_profiledata.h"
#include "profile/mouse_profiledata.h"
#include "device/product_profiles.h"
#include "profile/profile_list.h"
#include "support/temp_dir.h"

namespace {

using namespace kx58;

// Factory codes of the 126 page keys, as the keyboard reports them.
constexpr uint32_t kKeyboardFactoryCodes[126] = {
    0x200029, 0x20003A, 0x20003B, 0x20003C, 0x20003D, 0x20003E, 0x20003F, 0x200040, 0x200041,
    0x200042, 0x200043, 0x200044, 0x200045, 0x200046, 0x200047, 0x200048, 0xA01B00, 0xA02400,
    0x200000, 0x200000, 0x200000, 0x200035, 0x20001E, 0x20001F, 0x200020, 0x200021, 0x200022,
    0x200023, 0x200024, 0x200025, 0x200026, 0x200027, 0x20002D, 0x20002E, 0x20002A, 0x200049,
    0x20004A, 0x20004B, 0x200053, 0x200054, 0x200055, 0x200056, 0x20002B, 0x200014, 0x20001A,
    0x200008, 0x200015, 0x200017, 0x20001C, 0x200018, 0x20000C, 0x200012, 0x200013, 0x20002F,
    0x200030, 0x200031, 0x20004C, 0x20004D, 0x20004E, 0x20005F, 0x200060, 0x200061, 0x200032,
    0x200039, 0x200004, 0x200016, 0x200007, 0x200009, 0x20000A, 0x20000B, 0x20000D, 0x20000E,
    0x20000F, 0x200033, 0x200034, 0x200028, 0x20005C, 0x20005D, 0x20005E, 0x20008A, 0x20008B,
    0x200090, 0x200091, 0x200088, 0x200200, 0x20001D, 0x20001B, 0x200006, 0x200019, 0x200005,
    0x200011, 0x200010, 0x200036, 0x200037, 0x200038, 0x202000, 0x200052, 0x200059, 0x20005A,
    0x20005B, 0x200087, 0x200089, 0x200064, 0x200085, 0x200000, 0x200100, 0x200800, 0x200400,
    0x20002C, 0x204000, 0xA00100, 0x200065, 0x201000, 0x200050, 0x200051, 0x20004F, 0x200062,
    0x200063, 0x200058, 0x200057, 0xD0A201, 0xD0A202, 0xD0A203, 0xD0A204, 0xD0A205, 0x208000};

constexpr uint32_t kMouseFactoryCodes[11] = {0x100100, 0x100200, 0x100400, 0x101000,
                                              0x100800, 0x130100, 0x130200, 0x130300,
                                              0xA01B00, 0x169001, 0x147802};

class ShippedDefaultsTest : public ::testing::Test {
protected:
    // Loads a fresh profile of `kind` the way a device does on first start.
    void LoadFirstProfile(int kind, CBasicProfiledata& data) {
        const ProductProfileFiles* product = FindProductProfileFiles(DeviceKind(kind));
        ASSERT_NE(product, nullptr);
        ProfileList list;
        list.SetDeviceType(kind);
        list.SetPaths(ProfileDirectoryFor(*product), DefaultDocumentPathFor(*product));
        ASSERT_TRUE(list.InitProfileList());
        data.SetDefaultPath(DefaultDocumentPathFor(*product));
        data.SetProfilePath(list.GetProfilePathAt(0));
        ASSERT_TRUE(data.LoadProfile(data.GetProfilePath()).isObject());
        const LightInfo light = data.GetLightInfo();
        const auto effects =
            LoadDefaultLightNames(DefaultLightNamesPath(), product->lightNameSlot).effects;
        ASSERT_LT(light.SelectItem, effects.size());
        EXPECT_TRUE(effects[light.SelectItem].visible);
        EXPECT_EQ(data.GetLightList().size(), effects.size());
    }
    kx58test::IsolatedSession session;
};

TEST_F(ShippedDefaultsTest, EveryProductHasItsFilesAndFolders) {
    for (int kind : {1, 9, 2, 6, 3, 7}) {
        const ProductProfileFiles* product = FindProductProfileFiles(DeviceKind(kind));
        ASSERT_NE(product, nullptr) << kind;
        EXPECT_TRUE(PathExists(DefaultDocumentPathFor(*product))) << kind;
        const std::string folder = ProfileDirectoryFor(*product);
        EXPECT_EQ(folder.rfind(session.DataHome(), 0), 0u) << folder;
        EXPECT_TRUE(PathExists(folder));
    }
    EXPECT_EQ(FindProductProfileFiles(DeviceKind(9)), FindProductProfileFiles(DeviceKind(1)));
    EXPECT_EQ(FindProductProfileFiles(DeviceKind(4)), nullptr);
    for (const char* name : {"AudioFile.json", "color_option_info.config"}) {
        EXPECT_TRUE(ReadJsonDocument(Folders::Defaults() + name).isObject()) << name;
    }
}

TEST_F(ShippedDefaultsTest, BuiltInEffectsOfEachProduct) {
    const std::pair<int, size_t> expected[] = {{1, 31}, {2, 10}, {3, 9}, {7, 9}};
    for (const auto& [kind, count] : expected) {
        const DefaultLightNames names =
            LoadDefaultLightNames(DefaultLightNamesPath(), FindProductProfileFiles(DeviceKind(kind))->lightNameSlot);
        ASSERT_EQ(names.effects.size(), count) << kind;
        for (size_t i = 0; i < count; ++i) {
            EXPECT_EQ(names.effects[i].value, static_cast<int>(i));
            EXPECT_FALSE(names.effects[i].LightName.empty());
        }
        EXPECT_FALSE(names.areas.empty()) << kind;
    }
    EXPECT_TRUE(LoadDefaultLightNames(DefaultLightNamesPath(), 4).effects.empty());
}

TEST_F(ShippedDefaultsTest, KeyboardDefaults) {
    CKeyboardProfiledata data;
    LoadFirstProfile(1, data);
    const auto keys = data.GetKeyList();
    ASSERT_EQ(keys.size(), 126u);
    for (size_t k = 0; k < keys.size(); ++k) {
        EXPECT_EQ(keys[k].assignment.Code(), kKeyboardFactoryCodes[k]) << k;
        EXPECT_EQ(keys[k].defaultAssignment.Code(), kKeyboardFactoryCodes[k]) << k;
    }
    EXPECT_EQ(data.GetDefaultKeyList(), keys);
    EXPECT_NE(data.GetKeyboardSystemStages()[0], 0u);
    EXPECT_EQ(data.GetAudioLightInfo().ColorTypeFlags, 1);
    const auto colors = data.GetCustomLightColors(data.GetCustomLightGroup(), 126);
    EXPECT_EQ(colors[0].Alpha, 255);
}

TEST_F(ShippedDefaultsTest, MouseDefaults) {
    CMouseProfiledata data;
    LoadFirstProfile(2, data);
    const auto keys = data.GetKeyList();
    ASSERT_EQ(keys.size(), 11u);
    for (size_t k = 0; k < keys.size(); ++k) EXPECT_EQ(keys[k].assignment.Code(), kMouseFactoryCodes[k]);
    const auto stages = data.GetDpiStages();
    ASSERT_EQ(stages.size(), 5u);
    for (size_t i = 1; i < stages.size(); ++i) EXPECT_GT(stages[i].StageDPIX, stages[i - 1].StageDPIX);
    EXPECT_LT(data.GetActiveDpiStage(), 5);
    const auto presets = data.GetCorrectInfo();
    ASSERT_GE(presets.size(), 2u);
    int selected = 0;
    for (const auto& preset : presets) selected += preset.CorrectSelect != 0;
    EXPECT_EQ(selected, 1);
}

TEST_F(ShippedDefaultsTest, HeadsetDefaults) {
    CHs6533Profiledata data;
    LoadFirstProfile(7, data);
    const Json::Value before = data.WorkingSection();
    for (int preset = 1; preset <= 12; ++preset) EXPECT_EQ(data.GetEqBands(preset).size(), 10u);
    EXPECT_EQ(data.WorkingSection(), before);  // all twelve presets are complete
    EXPECT_EQ(data.GetEqBands(1), std::vector<int32_t>(10, 0));  // flat
    EXPECT_NE(data.GetEqBands(6), data.GetEqBands(1));
    const HeadsetSettings settings = data.GetHeadsetSettings();
    EXPECT_GE(settings[2], 1);
    EXPECT_LE(settings[2], 13);
    EXPECT_FALSE(data.GetCustomEqNames().empty());
}

TEST_F(ShippedDefaultsTest, MousePadDefaults) {
    CBasicProfiledata data;
    LoadFirstProfile(3, data);
    EXPECT_TRUE(data.GetKeyList().empty());
}

}  // namespace
