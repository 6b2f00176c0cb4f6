#pragma once
// The headset page's sound editors: the equaliser and microphone panel and the voice changer.
// They show what the headset object gives them; the object handles what the user changes.
#include <array>
#include <string>
#include <vector>

#include "uikit/container.h"

namespace kx58 {

class CVoice6533ControlUI : public ui::CVerticalLayoutUI {
public:
    static constexpr int kBands = 10;
    static constexpr int kPresets = 13;
    std::string GetClass() const override { return "Voice6533Control"; }
    void* GetInterface(std::string_view name) override;

    // A volume slider ("6533_MicIn_slider", "6533_MicMoniter_slider") and its value label.
    void ShowVolume(const std::string& slider, int percent);
    // The label beside a volume slider follows it while it is dragged.
    void ShowVolumeLabel(const std::string& slider, int percent);
    void ShowMuted(const std::string& option, bool muted);
    // The preset chosen (1-13), the ten bands on the sliders, the equaliser switch.
    void ShowEqualiser(int preset, const std::array<int, kBands>& bands, bool on);
    void ShowBandLabel(int band, int gain);
    std::array<int, kBands> Bands();
    // The custom presets' names in the combo, `selected` chosen and in the name edit.
    void ShowCustomNames(const std::vector<std::string>& names, int selected);
    void ShowStatus(const std::string& text);
    // The equaliser's and the monitoring's controls taken or refused as a whole.
    void EnableEqualiser(bool presets, bool toggle);
    void EnableMonitoring(bool enabled);

private:
    ui::CControlUI* Part(const std::string& name);
};

class CMagicControlUI : public ui::CVerticalLayoutUI {
public:
    static constexpr int kEffects = 5;
    std::string GetClass() const override { return "MagicControl"; }
    void* GetInterface(std::string_view name) override;

    // The switch, the effect chosen (0: none of them), and whether the system applies it
    // (`why` says otherwise).
    void Show(bool on, int effect, bool available, const std::string& why);
    void ShowEffect(int effect);
    void EnableEffects(bool enabled);

private:
    ui::CControlUI* Part(const std::string& name);
};

void RegisterHeadsetSoundControls();

}  // namespace kx58
