#include "profile/hs6533_profiledata.h"

#include "profile/json_read.h"

namespace kx58 {
namespace {

constexpr const char* kSettingKeys[8] = {"MagicEnable",      "MagicType",
                                         "EqType",           "CustomEqSeletIndex",
                                         "MicInSelect",      "MicInValue",
                                         "MicMoniterSelect", "MicMoniterValue"};

// The stored preset for a requested one; -1 for the custom preset, which has no entry.
int PresetSlot(int preset) {
    if (preset == CHs6533Profiledata::kCustomPreset) return -1;
    if (preset <= 0 || preset > CHs6533Profiledata::kCustomPreset) return 1;
    return preset;
}

}  // namespace

HeadsetSettings CHs6533Profiledata::GetHeadsetSettings() {
    const Json::Value& group = MemberOf(WorkingSection(), "SystemSetStages");
    HeadsetSettings values{};
    for (size_t i = 0; i < values.size(); ++i) {
        values[i] = static_cast<int32_t>(IntMember(group, kSettingKeys[i]));
    }
    settings_ = values;
    return values;
}

void CHs6533Profiledata::SetHeadsetSettings(const HeadsetSettings& values) {
    settings_ = values;
    Json::Value& group = ObjectMember(Working(), "SystemSetStages");
    for (size_t i = 0; i < values.size(); ++i) group[kSettingKeys[i]] = values[i];
}

std::vector<int32_t> CHs6533Profiledata::ReadBands(const char* groupKey, Json::ArrayIndex index) {
    Json::Value& bands = ArrayElement(ArrayMember(Working(), groupKey), index);
    std::vector<int32_t> values(kBandCount, 0);
    for (int b = 0; b < kBandCount; ++b) {
        Json::Value& band = bands[static_cast<Json::ArrayIndex>(b)];
        int64_t gain = 0;
        if (TryReadInt(MemberOf(band, "value"), gain)) {
            values[b] = static_cast<int32_t>(gain);
        } else {
            if (!band.isObject()) band = Json::Value(Json::objectValue);
            band["value"] = 0;
        }
    }
    bands_ = values;
    return values;
}

void CHs6533Profiledata::WriteBands(const char* groupKey, Json::ArrayIndex index,
                                    const std::vector<int32_t>& values) {
    Json::Value& bands = ArrayElement(ArrayMember(Working(), groupKey), index);
    const size_t count = std::min<size_t>(values.size(), kBandCount);
    for (size_t b = 0; b < count; ++b) {
        ObjectElement(bands, static_cast<Json::ArrayIndex>(b))["value"] = values[b];
    }
    bands_ = values;
}

std::vector<int32_t> CHs6533Profiledata::GetEqBands(int preset) {
    const int slot = PresetSlot(preset);
    if (slot < 0) {
        bands_.clear();
        return {};
    }
    return ReadBands("EQHzValueInfo", static_cast<Json::ArrayIndex>(slot));
}

void CHs6533Profiledata::SetEqBands(int preset, const std::vector<int32_t>& values) {
    const int slot = PresetSlot(preset);
    if (slot < 0) return;
    WriteBands("EQHzValueInfo", static_cast<Json::ArrayIndex>(slot), values);
}

std::vector<int32_t> CHs6533Profiledata::GetCustomEqBands(int index) {
    if (index < 0 || index >= kMaxCustomEq) {
        bands_.clear();
        return {};
    }
    return ReadBands("CustomEQHzValueInfo", static_cast<Json::ArrayIndex>(index));
}

void CHs6533Profiledata::SetCustomEqBands(int index, const std::vector<int32_t>& values) {
    if (index < 0 || index >= kMaxCustomEq) return;
    WriteBands("CustomEQHzValueInfo", static_cast<Json::ArrayIndex>(index), values);
}

std::vector<std::string> CHs6533Profiledata::GetCustomEqNames() {
    std::vector<std::string> names;
    const Json::Value& list = MemberOf(WorkingSection(), "CustomEQNameInfo");
    if (list.isArray()) {
        // Index by index: an array built in memory may have gaps that iteration would skip.
        for (Json::ArrayIndex i = 0; i < list.size(); ++i) {
            names.push_back(StringMember(list[i], "Name"));
        }
    }
    return names;
}

void CHs6533Profiledata::SetCustomEqNames(const std::vector<std::string>& names) {
    Json::Value list(Json::arrayValue);
    for (const std::string& name : names) {
        Json::Value element(Json::objectValue);
        element["Name"] = name;
        list.append(element);
    }
    if (!Working().isObject()) Working() = Json::Value(Json::objectValue);
    Working()["CustomEQNameInfo"] = list;
}

void CHs6533Profiledata::RemoveCustomEq(int index) {
    std::vector<std::string> names = GetCustomEqNames();
    if (index < 0 || static_cast<std::size_t>(index) >= names.size()) return;
    names.erase(names.begin() + index);
    SetCustomEqNames(names);
    Json::Value& bands = ArrayMember(Working(), "CustomEQHzValueInfo");
    Json::Value removed;
    if (static_cast<Json::ArrayIndex>(index) < bands.size()) bands.removeIndex(static_cast<Json::ArrayIndex>(index), &removed);
}

}  // namespace kx58
