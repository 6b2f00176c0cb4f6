#include "profile/keyboard_profiledata.h"

#include "profile/json_read.h"
#include "profile/record_fields.h"

namespace kx58 {
namespace {

constexpr const char* kStageKeys[3][2] = {
    {"Repeat", "RepeatDelay"}, {"Key6Flag", "PollingRate"}, {"WFlag", "WinFlag"}};

constexpr ByteField<LedColor> kColorFields[] = {{"Red", &LedColor::Red},
                                                 {"Green", &LedColor::Green},
                                                 {"Blue", &LedColor::Blue},
                                                 {"Alpha", &LedColor::Alpha}};

}  // namespace

PackedStages CKeyboardProfiledata::GetKeyboardSystemStages() {
    systemStages_ = ReadStageHalves(MemberOf(WorkingSection(), "SystemStages"), kStageKeys);
    return systemStages_;
}

void CKeyboardProfiledata::SetKeyboardSystemStages(uint32_t w1, uint32_t w2, uint32_t w3) {
    systemStages_ = {w1, w2, w3};
    WriteStageHalves(ObjectMember(Working(), "SystemStages"), systemStages_, kStageKeys);
}

std::vector<LedColor> CKeyboardProfiledata::GetCustomLightColors(int group, int keyCount) {
    std::vector<LedColor> colors;
    if (group < 0 || group >= kMaxCustomGroups || keyCount < 0 || keyCount > kMaxKeyPositions) {
        customColors_ = colors;
        return colors;
    }
    Json::Value& groups = ArrayMember(ObjectMember(Working(), "CustomLightMode"), "LightColorInfo");
    Json::Value& entries = ArrayElement(groups, static_cast<Json::ArrayIndex>(group));
    colors.resize(static_cast<size_t>(keyCount));
    for (int k = 0; k < keyCount; ++k) {
        Json::Value& entry = entries[static_cast<Json::ArrayIndex>(k)];
        if (entry.isObject()) {
            ReadByteFields<LedColor>(entry, colors[k], kColorFields);
        } else {
            entry = Json::Value(Json::objectValue);  // a missing entry is created with zeros
            WriteByteFields<LedColor>(LedColor{}, entry, kColorFields);
        }
    }
    customColors_ = colors;
    return colors;
}

void CKeyboardProfiledata::SetCustomLightColors(int group, const std::vector<LedColor>& colors) {
    if (group < 0 || group >= kMaxCustomGroups || colors.size() > kMaxKeyPositions) return;
    customColors_ = colors;
    Json::Value& groups = ArrayMember(ObjectMember(Working(), "CustomLightMode"), "LightColorInfo");
    Json::Value& entries = ArrayElement(groups, static_cast<Json::ArrayIndex>(group));
    for (size_t k = 0; k < colors.size(); ++k) {
        WriteByteFields<LedColor>(colors[k], ObjectElement(entries, static_cast<Json::ArrayIndex>(k)),
                                  kColorFields);
    }
}

int CKeyboardProfiledata::GetCustomLightGroup() {
    customGroup_ = static_cast<int32_t>(
        IntMember(MemberOf(WorkingSection(), "CustomLightMode"), "CustomLightModeGroupIndex"));
    return customGroup_;
}

void CKeyboardProfiledata::SetCustomLightGroup(int index) {
    customGroup_ = index;
    ObjectMember(Working(), "CustomLightMode")["CustomLightModeGroupIndex"] = index;
}

}  // namespace kx58
