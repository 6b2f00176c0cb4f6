#include "profile/mouse_profiledata.h"

#include "profile/json_read.h"
#include "profile/record_fields.h"

namespace kx58 {
namespace {

// Stage lists beyond this are not believed: a damaged document must not exhaust memory.
constexpr Json::ArrayIndex kMaxDpiStages = 64;

constexpr const char* kSystemKeys[3][2] = {{"DoubleClickTime", "MouseSpeed"},
                                            {"PointerPrecision", "ScorllPage"},
                                            {"WheelScorlllinse", nullptr}};

constexpr ByteField<DpiStage> kDpiStageBytes[] = {{"StageActive", &DpiStage::StageActive},
                                                   {"StageXY", &DpiStage::StageXY},
                                                   {"StageColorR", &DpiStage::StageColorR},
                                                   {"StageColorG", &DpiStage::StageColorG},
                                                   {"StageColorB", &DpiStage::StageColorB}};

constexpr ByteField<CorrectPreset> kCorrectBytes[] = {
    {"CorrectPixThresh", &CorrectPreset::CorrectPixThresh},
    {"CorrectMinSq", &CorrectPreset::CorrectMinSq},
    {"CorrectSelect", &CorrectPreset::CorrectSelect}};

uint16_t Half(const Json::Value& object, const char* key) {
    return static_cast<uint16_t>(IntMember(object, key));
}

DpiStage DpiStageOf(const Json::Value& element) {
    DpiStage stage;
    ReadByteFields<DpiStage>(element, stage, kDpiStageBytes);
    stage.StageDPIX = Half(element, "StageDPIX");
    stage.StageDPIY = Half(element, "StageDPIY");
    return stage;
}

void WriteDpiStage(Json::Value& element, const DpiStage& stage) {
    WriteByteFields<DpiStage>(stage, element, kDpiStageBytes);
    element["StageDPIX"] = stage.StageDPIX;
    element["StageDPIY"] = stage.StageDPIY;
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
    PackedStages words = ReadStageHalves(MemberOf(WorkingSection(), "SystemStages"), kSystemKeys);
    // The third word's high half is the active report-rate stage, kept in its own group.
    words[2] = PackHalves(LowHalf(words[2]), Half(MemberOf(WorkingSection(), "ReportStages"), "StageActive"));
    systemStages_ = words;
    return words;
}

void CMouseProfiledata::SetMouseSystemStages(uint32_t w1, uint32_t w2, uint32_t w3) {
    systemStages_ = {w1, w2, w3};
    WriteStageHalves(ObjectMember(Working(), "SystemStages"), systemStages_, kSystemKeys);
    ObjectMember(Working(), "ReportStages")["StageActive"] = HighHalf(w3);
}

std::vector<CorrectPreset> CMouseProfiledata::GetCorrectInfo() {
    std::vector<CorrectPreset> presets;
    const Json::Value& list = MemberOf(WorkingSection(), "CorrectInfo");
    if (list.isArray()) {
        for (Json::ArrayIndex i = 0; i < list.size(); ++i) {
            CorrectPreset preset;
            ReadByteFields<CorrectPreset>(list[i], preset, kCorrectBytes);
            preset.CorrectName = StringMember(list[i], "CorrectName");
            presets.push_back(std::move(preset));
        }
    }
    correctInfo_ = presets;
    return presets;
}

void CMouseProfiledata::SelectCorrectPreset(int index) {
    Json::Value& list = ArrayMember(Working(), "CorrectInfo");
    for (Json::ArrayIndex i = 0; i < list.size(); ++i)
        if (list[i].isObject()) list[i]["CorrectSelect"] = static_cast<int>(i) == index ? 1 : 0;
    GetCorrectInfo();
}

}  // namespace kx58
