#include "profile/keyboard_profiledata.h"

#include "profile/json_read.h"

namespace kx58 {
namespace {

constexpr const char* kStageKeys[3][2] = {
    {"Repeat", "RepeatDelay"}, {"Key6Flag", "PollingRate"}, {"WFlag", "WinFlag"}};

bool IsColorEntry(const Json::Value& entry) { return entry.isObject(); }

Json::Value ZeroColor() {
    Json::Value entry(Json::objectValue);
    entry["Red"] = 0;
    entry["Green"] = 0;
    entry["Blue"] = 0;
    entry["Alpha"] = 0;
    return entry;
}

}  // namespace

PackedStages CKeyboardProfiledata::GetKeyboardSystemStages() {
    const Json::Value& group = MemberOf(WorkingSection(), "SystemStages");
    PackedStages words{};
    if (group.isObject()) {
        for (size_t i = 0; i < words.size(); ++i) {
            words[i] = PackHalves(static_cast<uint16_t>(IntMember(group, kStageKeys[i][0])),
                                  static_cast<uint16_t>(IntMember(group, kStageKeys[i][1])));
        }
    }
    systemStages_ = words;
    return words;
}

void CKeyboardProfiledata::SetKeyboardSystemStages(uint32_t w1, uint32_t w2, uint32_t w3) {
    systemStages_ = {w1, w2, w3};
    Json::Value& group = ObjectMember(Working(), "SystemStages");
    for (size_t i = 0; i < systemStages_.size(); ++i) {
        group[kStageKeys[i][0]] = LowHalf(systemStages_[i]);
        group[kStageKeys[i][1]] = HighHalf(systemStages_[i]);
    }
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
        if (!IsColorEntry(entry)) {
            entry = ZeroColor();
            continue;
        }
        colors[k] = {static_cast<uint8_t>(IntMember(entry, "Red")),
                     static_cast<uint8_t>(IntMember(entry, "Green")),
                     static_cast<uint8_t>(IntMember(entry, "Blue")),
                     static_cast<uint8_t>(IntMember(entry, "Alpha"))};
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
        Json::Value& entry = ObjectElement(entries, static_cast<Json::ArrayIndex>(k));
        entry["Red"] = colors[k].Red;
        entry["Green"] = colors[k].Green;
        entry["Blue"] = colors[k].Blue;
        entry["Alpha"] = colors[k].Alpha;
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
