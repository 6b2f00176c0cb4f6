#include "device/headset_sound_controls.h"

#include <algorithm>

#include "uikit/button.h"
#include "uikit/control_factory.h"
#include "uikit/list.h"
#include "uikit/slider.h"

namespace kx58 {
namespace {

constexpr int kComboRowHeight = 30;
constexpr int kBandMin = -12;
constexpr int kBandMax = 12;

std::string Numbered(const char* family, int n) { return family + std::to_string(n); }
std::string GainText(int gain) { return gain > 0 ? "+" + std::to_string(gain) : std::to_string(gain); }

ui::CControlUI* FindIn(ui::CControlUI* root, const std::string& name) {
    return root->FindControl([&name](ui::CControlUI* c) { return c->GetName() == name; }, ui::UIFIND_ALL);
}

void Select(ui::CControlUI* control, bool selected) {
    if (auto* option = dynamic_cast<ui::COptionUI*>(control)) option->Selected(selected, false);
}

void Enable(ui::CControlUI* control, bool enabled) {
    if (control) control->SetEnabled(enabled);
}

}  // namespace

// --- Equaliser and microphone --------------------------------------------------------------------

void* CVoice6533ControlUI::GetInterface(std::string_view name) {
    if (name == "Voice6533Control") return this;
    return CVerticalLayoutUI::GetInterface(name);
}

ui::CControlUI* CVoice6533ControlUI::Part(const std::string& name) { return FindIn(this, name); }

void CVoice6533ControlUI::ShowVolume(const std::string& slider, int percent) {
    if (auto* control = dynamic_cast<ui::CSliderUI*>(Part(slider))) control->SetValue(percent);
    ShowVolumeLabel(slider, percent);
}

void CVoice6533ControlUI::ShowVolumeLabel(const std::string& slider, int percent) {
    const std::string label = slider.substr(0, slider.rfind("_slider")) + "_value";
    if (ui::CControlUI* text = Part(label)) text->SetText(std::to_string(percent) + " %");
}

void CVoice6533ControlUI::ShowMuted(const std::string& option, bool muted) { Select(Part(option), muted); }

void CVoice6533ControlUI::ShowEqualiser(int preset, const std::array<int, kBands>& bands, bool on) {
    Select(Part("6533_eq_enable_option"), on);
    for (int p = 1; p <= kPresets; ++p) Select(Part(Numbered("6533_eq_option_", p)), p == preset);
    for (int b = 0; b < kBands; ++b) {
        const int gain = std::clamp(bands[static_cast<std::size_t>(b)], kBandMin, kBandMax);
        if (auto* slider = dynamic_cast<ui::CSliderUI*>(Part(Numbered("6533_eq_hz_slider_", b)))) slider->SetValue(gain);
        ShowBandLabel(b, gain);
    }
}

void CVoice6533ControlUI::ShowBandLabel(int band, int gain) {
    if (ui::CControlUI* label = Part(Numbered("6533_eq_hz_value_", band))) label->SetText(GainText(gain));
}

std::array<int, CVoice6533ControlUI::kBands> CVoice6533ControlUI::Bands() {
    std::array<int, kBands> bands{};
    for (int b = 0; b < kBands; ++b)
        if (auto* slider = dynamic_cast<ui::CSliderUI*>(Part(Numbered("6533_eq_hz_slider_", b))))
            bands[static_cast<std::size_t>(b)] = slider->GetValue();
    return bands;
}

void CVoice6533ControlUI::ShowCustomNames(const std::vector<std::string>& names, int selected) {
    auto* combo = dynamic_cast<ui::CComboUI*>(Part("custom_eq_name_combo"));
    if (!combo) return;
    combo->RemoveAll();
    for (const std::string& name : names) {
        auto* row = new ui::CListLabelElementUI;
        row->SetFixedHeight(kComboRowHeight);
        row->SetText(name);
        row->SetUserData(name);
        combo->Add(row);
    }
    const bool valid = selected >= 0 && selected < static_cast<int>(names.size());
    if (valid) combo->SelectItem(selected, false, false);
    if (ui::CControlUI* edit = Part("custom_eq_name_edit"); edit && valid) edit->SetText(names[static_cast<std::size_t>(selected)]);
    Enable(Part("hs_EQ_btn_delete"), !names.empty());
}

void CVoice6533ControlUI::ShowStatus(const std::string& text) {
    if (ui::CControlUI* label = Part("6533_sound_status")) label->SetText(text);
}

void CVoice6533ControlUI::EnableEqualiser(bool presets, bool toggle) {
    Enable(Part("6533_eq_enable_option"), toggle);
    for (int p = 1; p <= kPresets; ++p) Enable(Part(Numbered("6533_eq_option_", p)), presets);
    for (int b = 0; b < kBands; ++b) Enable(Part(Numbered("6533_eq_hz_slider_", b)), presets);
}

void CVoice6533ControlUI::EnableMonitoring(bool enabled) {
    Enable(Part("6533_MicMoniter_slider"), enabled);
    Enable(Part("6533_MicMoniter_option"), enabled);
}

// --- Voice changer --------------------------------------------------------------------------------

void* CMagicControlUI::GetInterface(std::string_view name) {
    if (name == "MagicControl") return this;
    return CVerticalLayoutUI::GetInterface(name);
}

ui::CControlUI* CMagicControlUI::Part(const std::string& name) { return FindIn(this, name); }

void CMagicControlUI::Show(bool on, int effect, bool available, const std::string& why) {
    Select(Part("magic_enable_option"), on);
    Enable(Part("magic_enable_option"), available);
    ShowEffect(effect);
    EnableEffects(on && available);
    if (ui::CControlUI* label = Part("magic_status")) label->SetText(available ? std::string() : why);
}

// Effects are 1-based; 0 and anything past the cards select none.
void CMagicControlUI::ShowEffect(int effect) {
    for (int n = 0; n < kEffects; ++n) Select(Part(Numbered("magic_option_", n)), n == effect && n >= 1);
}

void CMagicControlUI::EnableEffects(bool enabled) { Enable(Part("magic_option_layout"), enabled); }

void RegisterHeadsetSoundControls() {
    ui::CControlFactory* factory = ui::CControlFactory::GetInstance();
    factory->RegistControl("Voice6533Control", [] { return new CVoice6533ControlUI; });
    factory->RegistControl("MagicControl", [] { return new CMagicControlUI; });
}

}  // namespace kx58
