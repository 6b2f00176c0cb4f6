#include "profile/mouse_profiledata.h"

#include "profile/json_read.h"

namespace kx58 {
namespace {

// Stage lists beyond this are not believed: a damaged document must not exhaust memory.
constexpr Json::ArrayIndex kMaxDpiStages = 64;

constexpr const char* kSystemKeys[3][2] = {{"DoubleClickTime", "MouseSpeed"},
                                            {"PointerPrecision", "ScorllPage"},
                                            {"WheelScorlllinse", nullptr}};

uint8_t Byte(const Json::Value& object, const char* key) {
    return static_cast<uint8_t>(IntMember(object, key));
}

uint16_t Half(const Json::Value& object, const char* key) {
    return static_cast<uint16_t>(IntMember(object, key));
}

DpiStage DpiStageOf(const Json::Value& element) {
    DpiStage stage;
    stage.StageActive = Byte(element, "StageActive");
    stage.StageXY = Byte(element, "StageXY");
    stage.StageDPIX = Half(element, "StageDPIX");
    stage.StageDPIY = Half(element, "StageDPIY");
    stage.StageColorR = Byte(element, "StageColorR");
    stage.StageColorG = Byte(element, "StageColorG");
    stage.StageColorB = Byte(element, "StageColorB");
    return stage;
}

void WriteDpiStage(Json::Value& element, const DpiStage& stage) {
    element["StageActive"] = stage.StageActive;
    element["StageXY"] = stage.StageXY;
    element["StageDPIX"] = stage.StageDPIX;
    element["StageDPIY"] = stage.StageDPIY;
    element["StageColorR"] = stage.StageColorR;
    element["StageColorG"] = stage.StageColorG;
    element["StageColorB"] = stage.StageColorB;
}

}  // namespace

std::vector<DpiStage> CMouseProfiledata::GetDpiStages() {
    const Json::Value& stages = MemberOf(MemberOf(WorkingSection(), "DPIStages"), "StageDPIs");
    if (stages.isArray()) {
        const Json::ArrayIndex count = std::min(stages.size(), kMaxDpiStages);
        for (Json::ArrayIndex i = 0; i < count; ++i) {
            const DpiStage stage = DpiStageOf(stages[i]);
            if (i < dpiStages_.size()) {
                dpiStages_[i] = stage;
            } else {
                dpiStages_.push_back(stage);
            }
        }
    }
    return dpiStages_;
}

void CMouseProfiledata::SetDpiStages(const std::vector<DpiStage>& stages) {
    dpiStages_ = stages;
    Json::Value& list = ArrayMember(ObjectMember(Working(), "DPIStages"), "StageDPIs");
    for (size_t i = 0; i < stages.size(); ++i) {
        WriteDpiStage(ObjectElement(list, static_cast<Json::ArrayIndex>(i)), stages[i]);
    }
}

int CMouseProfiledata::GetActiveDpiStage() {
    activeDpiStage_ =
        static_cast<int32_t>(IntMember(MemberOf(WorkingSection(), "DPIStages"), "StageActive"));
    return activeDpiStage_;
}

void CMouseProfiledata::SetActiveDpiStage(int index) {
    activeDpiStage_ = index;
    ObjectMember(Working(), "DPIStages")["StageActive"] = index;
}

PackedStages CMouseProfiledata::GetMouseSystemStages() {
    const Json::Value& group = MemberOf(WorkingSection(), "SystemStages");
    PackedStages words{};
    for (size_t i = 0; i < words.size(); ++i) {
        const uint16_t high =
            kSystemKeys[i][1] ? Half(group, kSystemKeys[i][1])
                              : Half(MemberOf(WorkingSection(), "ReportStages"), "StageActive");
        words[i] = PackHalves(Half(group, kSystemKeys[i][0]), high);
    }
    systemStages_ = words;
    return words;
}

void CMouseProfiledata::SetMouseSystemStages(uint32_t w1, uint32_t w2, uint32_t w3) {
    systemStages_ = {w1, w2, w3};
    Json::Value& group = ObjectMember(Working(), "SystemStages");
    for (size_t i = 0; i < systemStages_.size(); ++i) {
        group[kSystemKeys[i][0]] = LowHalf(systemStages_[i]);
        if (kSystemKeys[i][1]) group[kSystemKeys[i][1]] = HighHalf(systemStages_[i]);
    }
    ObjectMember(Working(), "ReportStages")["StageActive"] = HighHalf(w3);
}

std::vector<CorrectPreset> CMouseProfiledata::GetCorrectInfo() {
    std::vector<CorrectPreset> presets;
    const Json::Value& list = MemberOf(WorkingSection(), "CorrectInfo");
    if (list.isArray()) {
        for (Json::ArrayIndex i = 0; i < list.size(); ++i) {
            const Json::Value& element = list[i];
            presets.push_back({Byte(element, "CorrectPixThresh"), Byte(element, "CorrectMinSq"),
                               Byte(element, "CorrectSelect"),
                               StringMember(element, "CorrectName")});
        }
    }
    correctInfo_ = presets;
    return presets;
}

}  // namespace kx58
