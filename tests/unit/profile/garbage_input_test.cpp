// Random and truncated documents fed to every getter: the outcome is a fallback, never a
// crash or an exception.
#include <gtest/gtest.h>

#include <random>

#include "platform/folders.h"
#include "profile/default_light_names.h"
#include "profile/hs6533_profiledata.h"
#include "profile/keyboard_profiledata.h"
#include "profile/mouse_profiledata.h"
#include "profile/profile_list.h"
#include "profile_test_util.h"
#include "support/temp_dir.h"

namespace {

using namespace kx58;

// Values of every JSON type, to put where any group or member is expected.
Json::Value RandomValue(std::mt19937& random, int depth) {
    const char* keys[] = {"LightInfo", "AudioLightInfo", "LightList", "KeyList", "SystemStages",
                          "ReportStages", "DPIStages", "StageDPIs", "StageActive", "CorrectInfo",
                          "CustomLightMode", "LightColorInfo", "CustomLightModeGroupIndex",
                          "SystemSetStages", "EQHzValueInfo", "CustomEQHzValueInfo",
                          "CustomEQNameInfo", "value", "Name", "Assignment", "Red", "SelectItem",
                          "profilelist", "profileUUID", "profilename", "profileselect", "Guid",
                          "LEDEffectList", "Device", "DefaultLightName", "AreaLightName"};
    switch (random() % (depth > 4 ? 6 : 8)) {
        case 0: return Json::Value();
        case 1: return Json::Value(static_cast<Json::Int64>(random()) - (Json::Int64{1} << 31));
        case 2: return Json::Value(static_cast<Json::UInt64>(random()) << 33);
        case 3: return Json::Value(std::uniform_real_distribution<double>(-1e20, 1e20)(random));
        case 4: return Json::Value(random() % 2 == 0);
        case 5: return Json::Value("text");
        case 6: {
            Json::Value array(Json::arrayValue);
            for (unsigned i = random() % 5; i > 0; --i) array.append(RandomValue(random, depth + 1));
            return array;
        }
        default: {
            Json::Value object(Json::objectValue);
            for (unsigned i = random() % 6; i > 0; --i) {
                object[keys[random() % std::size(keys)]] = RandomValue(random, depth + 1);
            }
            return object;
        }
    }
}

void ExerciseEveryGetter(const std::string& path, const std::string& directory) {
    CKeyboardProfiledata keyboard;
    CMouseProfiledata mouse;
    CHs6533Profiledata headset;
    for (CBasicProfiledata* data : {static_cast<CBasicProfiledata*>(&keyboard),
                                    static_cast<CBasicProfiledata*>(&mouse),
                                    static_cast<CBasicProfiledata*>(&headset)}) {
        data->SetDefaultPath(path);
        data->SetProfilePath(path);
        data->SetLightLibraryPath(path);
        data->SetBuiltInEffectCount(0);
        data->LoadProfile(path);
        data->LoadDefaultProfile(path);
        data->LoadLightLibrary(path);
        data->GetLightInfo();
        data->GetAudioLightInfo();
        data->GetLightList();
        data->GetEffectSteps();
        data->SetKeyList(data->GetKeyList());
        data->SetDefaultKeyList(data->GetDefaultKeyList());
        data->SetLightInfo(data->GetLightInfo());
    }
    keyboard.GetKeyboardSystemStages();
    keyboard.GetCustomLightColors(keyboard.GetCustomLightGroup(), 8);
    keyboard.GetCustomLightColors(2, 3);
    mouse.GetDpiStages();
    mouse.GetActiveDpiStage();
    mouse.GetMouseSystemStages();
    mouse.GetCorrectInfo();
    const HeadsetSettings settings = headset.GetHeadsetSettings();
    headset.GetEqBands(settings[2]);
    headset.GetCustomEqBands(settings[3]);
    headset.GetCustomEqNames();
    headset.SetEqBands(3, {1, 2});
    LoadDefaultLightNames(path, 0);
    ProfileList list;
    list.SetPaths(directory, path);
    list.ImportProfile(path);
    list.GetProfileNames();
}

TEST(GarbageInput, RandomDocumentsReadAsFallbacks) {
    kx58test::TempDir dir;
    const std::string path = dir / "fuzz.Json";
    std::mt19937 random(12345);
    for (int round = 0; round < 300; ++round) {
        Json::Value document = RandomValue(random, 0);
        if (round % 3 == 0) document = Json::Value(Json::objectValue), document["Device"][0] = RandomValue(random, 1);
        WriteJsonDocument(path, document);
        // The list file of the same folder gets garbage too.
        WriteJsonDocument(dir / "ProfileList.ini", RandomValue(random, 0));
        ASSERT_NO_THROW(ExerciseEveryGetter(path, dir.Path())) << round;
    }
}

TEST(GarbageInput, TruncatedDocumentsReadAsFallbacks) {
    kx58test::TempDir dir;
    const std::string full = kx58test::ReadWholeFile(
        Folders::Defaults() + "Mouse.Json");
    ASSERT_FALSE(full.empty());
    const std::string path = dir / "cut.Json";
    for (size_t length = 0; length < full.size(); length += 1 + length / 16) {
        kx58test::WriteWholeFile(path, full.substr(0, length));
        ASSERT_NO_THROW(ExerciseEveryGetter(path, dir.Path())) << length;
    }
}

}  // namespace
