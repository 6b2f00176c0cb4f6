#pragma once
// Profile data of the keyboard: system settings and per-key colour groups.
#include "profile/basic_profiledata.h"

namespace kx58 {

class CKeyboardProfiledata : public CBasicProfiledata {
public:
    // Custom groups and key counts beyond this are refused: an index read from a damaged
    // document must not grow the document without bound.
    static constexpr int kMaxCustomGroups = 256;
    static constexpr int kMaxKeyPositions = 4096;

    // (Repeat, RepeatDelay), (Key6Flag, PollingRate), (WFlag, WinFlag), first in the low half.
    PackedStages GetKeyboardSystemStages();
    void SetKeyboardSystemStages(uint32_t w1, uint32_t w2, uint32_t w3);

    // The colours of custom group `group`, one per key position. A missing group or entry is
    // created in the working section with zeros.
    std::vector<LedColor> GetCustomLightColors(int group, int keyCount);
    void SetCustomLightColors(int group, const std::vector<LedColor>& colors);

    int GetCustomLightGroup();
    void SetCustomLightGroup(int index);

private:
    PackedStages systemStages_{};
    std::vector<LedColor> customColors_;
    int customGroup_ = 0;
};

}  // namespace kx58
