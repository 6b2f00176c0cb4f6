#pragma once
// Profile data of the mouse: DPI stages, system settings, report rate, correction presets.
#include "profile/basic_profiledata.h"

namespace kx58 {

class CMouseProfiledata : public CBasicProfiledata {
public:
    // The document's stages replace the first ones of the list held in memory and extend it;
    // stages of the list beyond the document's count stay as they were.
    std::vector<DpiStage> GetDpiStages();
    // Writes every stage of the list with all its keys.
    void SetDpiStages(const std::vector<DpiStage>& stages);
    int GetActiveDpiStage();
    void SetActiveDpiStage(int index);

    // (DoubleClickTime, MouseSpeed), (PointerPrecision, ScorllPage), (WheelScorlllinse, report
    // rate), first in the low half; the report rate lives in ReportStages.StageActive.
    PackedStages GetMouseSystemStages();
    void SetMouseSystemStages(uint32_t w1, uint32_t w2, uint32_t w3);

    std::vector<CorrectPreset> GetCorrectInfo();
    // Marks preset `index` as the selected one (`CorrectSelect` 1) and every other 0; an
    // index outside the list selects none.
    void SelectCorrectPreset(int index);

private:
    std::vector<DpiStage> dpiStages_;
    int activeDpiStage_ = 0;
    PackedStages systemStages_{};
    std::vector<CorrectPreset> correctInfo_;
};

}  // namespace kx58
