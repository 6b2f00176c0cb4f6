#pragma once
// Profile data of the headset: its eight settings and the equaliser presets.
#include "profile/basic_profiledata.h"

namespace kx58 {

class CHs6533Profiledata : public CBasicProfiledata {
public:
    static constexpr int kBandCount = 10;
    static constexpr int kCustomPreset = 13;
    // Custom equalisers beyond this index are refused (a damaged index must not grow the
    // document without bound).
    static constexpr int kMaxCustomEq = 256;

    HeadsetSettings GetHeadsetSettings();
    void SetHeadsetSettings(const HeadsetSettings& values);

    // Ten gains of preset 1-12 (0 and above 13 mean 1); the custom preset 13 has none here.
    // A missing band is created in the working section with value 0.
    std::vector<int32_t> GetEqBands(int preset);
    void SetEqBands(int preset, const std::vector<int32_t>& values);
    std::vector<int32_t> GetCustomEqBands(int index);
    void SetCustomEqBands(int index, const std::vector<int32_t>& values);

    std::vector<std::string> GetCustomEqNames();
    // Replaces the whole name list.
    void SetCustomEqNames(const std::vector<std::string>& names);
    // Custom equaliser `index` out of both lists; those after it move up one.
    void RemoveCustomEq(int index);

private:
    std::vector<int32_t> ReadBands(const char* groupKey, Json::ArrayIndex index);
    void WriteBands(const char* groupKey, Json::ArrayIndex index,
                    const std::vector<int32_t>& values);

    HeadsetSettings settings_{};
    std::vector<int32_t> bands_;
};

}  // namespace kx58
