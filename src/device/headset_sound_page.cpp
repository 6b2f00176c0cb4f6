// The headset's sound, voice-changer and surround pages: each change goes to the headset's
// endpoints on the sound server and, once taken (or with no server to take it), into the
// profile's eight settings, which are saved at once.
#include <algorithm>
#include <cstdio>
#include <string>

#include "device/headset_sound_controls.h"
#include "device/quorin_products.h"
#include "platform/debug_trace.h"
#include "uikit/button.h"
#include "uikit/list.h"
#include "uikit/resource_manager.h"
#include "uikit/slider.h"

namespace kx58 {
namespace {


std::string Numbered(const char* family, int n) { return family + std::to_string(n); }

std::string Text(const char* id) {
    std::string text;
    ui::CResourceManager::GetInstance()->FindText(id, text);
    return text.empty() ? id : text;
}

const char* StatusTextId(HeadsetSoundState state) {
    switch (state) {
    case HeadsetSoundState::Ready: return "hs_sound_ready";
    case HeadsetSoundState::NoHeadset: return "hs_sound_no_headset";
    case HeadsetSoundState::NoServer: break;
    }
    return "hs_sound_no_server";
}

// The surround page's switches and the feature each needs.
struct FeatureControl {
    const char* name;
    std::int32_t feature;
};
constexpr FeatureControl kSurroundControls[] = {
    {"surround_enable_option", kConfFeatureSurround},
    {"reverb_enable_option", kConfFeatureReverb},
    {"noise_cancel_option", kConfFeatureNoiseCancel},
};

}  // namespace

// The microphone's and the monitoring's slider and mute toggle, and where each is stored.
struct CQuorinHS6533Device::VoicePath {
    const char* slider;
    const char* option;
    bool (CHeadsetSoundControl::*setVolume)(int);
    bool (CHeadsetSoundControl::*setMute)(bool);
    SettingIndex volumeIndex;
    SettingIndex selectIndex;
};

const CQuorinHS6533Device::VoicePath CQuorinHS6533Device::kVoicePaths[2] = {
    {"6533_MicIn_slider", "6533_MicIn_option", &CHeadsetSoundControl::SetMicVolume, &CHeadsetSoundControl::SetMicMute,
     kMicInValue, kMicInSelect},
    {"6533_MicMoniter_slider", "6533_MicMoniter_option", &CHeadsetSoundControl::SetMonitorVolume,
     &CHeadsetSoundControl::SetMonitorMute, kMicMonitorValue, kMicMonitorSelect},
};

// --- Start and show ------------------------------------------------------------------------------

void CQuorinHS6533Device::StartSound() {
    if (!sound_) return;
    sound_->Start();
    if (sound_->State() == HeadsetSoundState::Ready) RestoreMonitoring();
    ShowSoundPages();
}

void CQuorinHS6533Device::RestoreMonitoring() {
    const HeadsetSettings settings = profile_.GetHeadsetSettings();
    sound_->SetMonitorVolume(std::clamp(settings[kMicMonitorValue], 0, 100));
    if (settings[kMicMonitorSelect] != 0) sound_->SetMonitorMute(false);
}

void CQuorinHS6533Device::ShowSoundPages() {
    showingSound_ = true;
    const HeadsetSettings settings = profile_.GetHeadsetSettings();
    const std::optional<HeadsetSoundValues> server = sound_ ? sound_->ReadValues() : std::nullopt;
    if (CVoice6533ControlUI* voice = Voice()) {
        HeadsetSoundValues shown;
        shown.micVolume = std::clamp(settings[kMicInValue], 0, 100);
        shown.micMuted = settings[kMicInSelect] == 0;
        shown.monitorVolume = std::clamp(settings[kMicMonitorValue], 0, 100);
        shown.monitorMuted = settings[kMicMonitorSelect] == 0;
        if (server) shown = *server;
        voice->ShowVolume("6533_MicIn_slider", shown.micVolume);
        voice->ShowMuted("6533_MicIn_option", shown.micMuted);
        voice->ShowVolume("6533_MicMoniter_slider", shown.monitorVolume);
        voice->ShowMuted("6533_MicMoniter_option", shown.monitorMuted);
        const int preset = settings[kEqType] >= 1 && settings[kEqType] <= kPresetCount ? settings[kEqType] : 1;
        const bool on = server && server->equaliserOn;
        voice->ShowEqualiser(preset, on ? server->bands : PresetBands(preset), on);
        voice->ShowCustomNames(profile_.GetCustomEqNames(), settings[kCustomEqIndex]);
        voice->ShowStatus(Text(StatusTextId(SoundState())));
        const bool ready = SoundState() == HeadsetSoundState::Ready;
        const bool equaliser = !ready || sound_->Supports(kConfFeatureEqualiser);
        voice->EnableEqualiser(equaliser, ready && equaliser);
        voice->EnableMonitoring(!ready || sound_->Supports(kConfFeatureMonitor));
    }
    ShowUnavailable();
    if (ui::CControlUI* label = Find("headset_sound_status")) label->SetText(Text(StatusTextId(SoundState())));
    showingSound_ = false;
}

// The voice changer and surround wait for a system that applies them: disabled, and said why.
void CQuorinHS6533Device::ShowUnavailable() {
    const bool ready = SoundState() == HeadsetSoundState::Ready;
    const std::string why = ready ? Text("hs_feature_unavailable") : Text(StatusTextId(SoundState()));
    bool surroundMissing = false;
    for (const FeatureControl& control : kSurroundControls) {
        const bool available = ready && sound_->Supports(control.feature);
        surroundMissing = surroundMissing || !available;
        if (ui::CControlUI* option = Find(control.name)) option->SetEnabled(available);
    }
    if (ui::CControlUI* label = Find("surround_status")) label->SetText(surroundMissing ? why : std::string());
    if (CMagicControlUI* magic = Magic()) {
        const HeadsetSettings settings = profile_.GetHeadsetSettings();
        magic->Show(settings[kMagicEnable] != 0, settings[kMagicType], ready && sound_->Supports(kConfFeatureVoiceChanger), why);
    }
}

CVoice6533ControlUI* CQuorinHS6533Device::Voice() const {
    ui::CControlUI* control = Find("voice6533_control");
    return control ? static_cast<CVoice6533ControlUI*>(control->GetInterface("Voice6533Control")) : nullptr;
}

CMagicControlUI* CQuorinHS6533Device::Magic() const {
    ui::CControlUI* control = Find("magic_control");
    return control ? static_cast<CMagicControlUI*>(control->GetInterface("MagicControl")) : nullptr;
}

// --- Storing ---------------------------------------------------------------------------------------

void CQuorinHS6533Device::StoreSetting(SettingIndex index, int value) {
    HeadsetSettings settings = profile_.GetHeadsetSettings();
    settings[index] = value;
    profile_.SetHeadsetSettings(settings);
    if (!profile_.Save()) DebugTrace("headset: the profile cannot be saved");
}

bool CQuorinHS6533Device::Applied(bool taken) const {
    return taken || SoundState() != HeadsetSoundState::Ready;
}

std::array<int, 10> CQuorinHS6533Device::PresetBands(int preset) {
    std::vector<std::int32_t> values;
    if (preset == kCustomPreset) values = profile_.GetCustomEqBands(std::max(0, profile_.GetHeadsetSettings()[kCustomEqIndex]));
    else values = profile_.GetEqBands(preset);
    std::array<int, 10> bands{};
    for (std::size_t b = 0; b < bands.size() && b < values.size(); ++b)
        bands[b] = std::clamp<int>(values[b], CHeadsetSoundControl::kBandMin, CHeadsetSoundControl::kBandMax);
    return bands;
}

std::array<int, 10> CQuorinHS6533Device::SliderBands() {
    CVoice6533ControlUI* voice = Voice();
    return voice ? voice->Bands() : PresetBands(kCustomPreset);
}

// --- The user's changes -----------------------------------------------------------------------------

void CQuorinHS6533Device::OnSoundControl(std::string_view name, int number, bool live) {
    if (showingSound_ || !sound_) return;
    using H = CQuorinHS6533Device;
    struct Route {
        const char* name;
        void (H::*handler)();
    };
    static constexpr Route kRoutes[] = {
        {"6533_eq_enable_option", &H::OnEqEnable},
        {"custom_eq_name_combo", &H::OnCustomEqChosen},
        {"hs_EQ_btn_save", &H::OnCustomEqSave},
        {"hs_EQ_btn_delete", &H::OnCustomEqDelete},
        {"magic_enable_option", &H::OnVoiceChangerEnable},
    };
    for (const VoicePath& path : kVoicePaths) {
        if (name == path.slider) return OnVolume(path, live);
        if (name == path.option && !live) return OnMute(path);
    }
    if (name.starts_with("6533_eq_hz_slider_")) return OnEqBand(number, live);
    if (live) return;
    if (name.starts_with("6533_eq_option_")) return OnEqPreset(number);
    if (name.starts_with("magic_option_")) return OnVoiceEffect(number);
    for (const Route& route : kRoutes)
        if (name == route.name) return (this->*route.handler)();
}

void CQuorinHS6533Device::OnVolume(const VoicePath& path, bool live) {
    auto* slider = dynamic_cast<ui::CSliderUI*>(Find(path.slider));
    if (!slider) return;
    const int value = slider->GetValue();
    if (CVoice6533ControlUI* voice = Voice()) voice->ShowVolumeLabel(path.slider, value);
    if (live) return;
    if (Applied((*sound_.*path.setVolume)(value))) return StoreSetting(path.volumeIndex, value);
    ShowSoundPages();  // the server kept its value: the page shows it again
}

// The toggle shows the mute flag; the profile keeps the inverse, "on".
void CQuorinHS6533Device::OnMute(const VoicePath& path) {
    auto* option = dynamic_cast<ui::COptionUI*>(Find(path.option));
    if (!option) return;
    const bool muted = option->IsSelected();
    if (Applied((*sound_.*path.setMute)(muted))) return StoreSetting(path.selectIndex, muted ? 0 : 1);
    ShowSoundPages();
}

void CQuorinHS6533Device::OnEqPreset(int preset) {
    auto* option = dynamic_cast<ui::COptionUI*>(Find(Numbered("6533_eq_option_", preset)));
    if (!option || !option->IsSelected() || preset < 1 || preset > kPresetCount) return;
    const std::array<int, 10> bands = PresetBands(preset);
    showingSound_ = true;
    if (CVoice6533ControlUI* voice = Voice()) voice->ShowEqualiser(preset, bands, SoundState() == HeadsetSoundState::Ready);
    showingSound_ = false;
    if (Applied(sound_->SetEqPreset(bands))) return StoreSetting(kEqType, preset);
    ShowSoundPages();
}

// A moved band makes the equaliser the user's own: the custom preset, this band changed.
void CQuorinHS6533Device::OnEqBand(int band, bool live) {
    if (band < 0 || band >= CHeadsetSoundControl::kBands) return;
    auto* slider = dynamic_cast<ui::CSliderUI*>(Find(Numbered("6533_eq_hz_slider_", band)));
    if (!slider) return;
    const int gain = slider->GetValue();
    CVoice6533ControlUI* voice = Voice();
    if (voice) voice->ShowBandLabel(band, gain);
    if (live) return;
    showingSound_ = true;
    const auto* toggle = dynamic_cast<ui::COptionUI*>(Find("6533_eq_enable_option"));
    if (voice) voice->ShowEqualiser(kCustomPreset, voice->Bands(), toggle && toggle->IsSelected());
    showingSound_ = false;
    if (!Applied(sound_->SetEqBand(band, gain))) return ShowSoundPages();
    HeadsetSettings settings = profile_.GetHeadsetSettings();
    const int custom = std::max(0, settings[kCustomEqIndex]);
    const std::array<int, 10> bands = SliderBands();
    profile_.SetCustomEqBands(custom, std::vector<std::int32_t>(bands.begin(), bands.end()));
    if (profile_.GetCustomEqNames().empty()) profile_.SetCustomEqNames({Text("eq_preset_13") + " 1"});
    settings[kEqType] = kCustomPreset;
    settings[kCustomEqIndex] = custom;
    profile_.SetHeadsetSettings(settings);
    if (!profile_.Save()) DebugTrace("headset: the profile cannot be saved");
    if (voice) voice->ShowCustomNames(profile_.GetCustomEqNames(), custom);
}

void CQuorinHS6533Device::OnEqEnable() {
    auto* option = dynamic_cast<ui::COptionUI*>(Find("6533_eq_enable_option"));
    if (!option) return;
    const bool on = option->IsSelected();
    const int preset = std::clamp(profile_.GetHeadsetSettings()[kEqType], 1, kPresetCount);
    const bool taken = on ? sound_->SetEqPreset(SliderBands()) : sound_->SetEqualiser(false);
    if (!taken && SoundState() == HeadsetSoundState::Ready) ShowSoundPages();
    else if (on) StoreSetting(kEqType, preset);
}

void CQuorinHS6533Device::OnCustomEqChosen() {
    auto* combo = dynamic_cast<ui::CComboUI*>(Find("custom_eq_name_combo"));
    if (!combo || combo->GetCurSel() < 0) return;
    const int index = combo->GetCurSel();
    if (ui::CControlUI* edit = Find("custom_eq_name_edit")) edit->SetText(combo->GetItemAt(index)->GetUserData());
    StoreSetting(kCustomEqIndex, index);
    if (profile_.GetHeadsetSettings()[kEqType] == kCustomPreset) OnEqPreset(kCustomPreset);
}

// The bands on the sliders kept under the name in the edit: a name the list has is
// overwritten, another one added; it becomes the custom preset in use.
void CQuorinHS6533Device::OnCustomEqSave() {
    ui::CControlUI* edit = Find("custom_eq_name_edit");
    std::string name = edit ? edit->GetText() : std::string();
    name.erase(0, name.find_first_not_of(' '));
    name.erase(name.find_last_not_of(' ') + 1);
    if (name.empty()) return;
    std::vector<std::string> names = profile_.GetCustomEqNames();
    auto found = std::find(names.begin(), names.end(), name);
    const int index = static_cast<int>(found - names.begin());
    if (found == names.end()) names.push_back(name);
    if (static_cast<int>(names.size()) > CHs6533Profiledata::kMaxCustomEq) return;
    profile_.SetCustomEqNames(names);
    const std::array<int, 10> bands = SliderBands();
    profile_.SetCustomEqBands(index, std::vector<std::int32_t>(bands.begin(), bands.end()));
    HeadsetSettings settings = profile_.GetHeadsetSettings();
    settings[kCustomEqIndex] = index;
    settings[kEqType] = kCustomPreset;
    profile_.SetHeadsetSettings(settings);
    if (!profile_.Save()) DebugTrace("headset: the profile cannot be saved");
    ShowSoundPages();
}

void CQuorinHS6533Device::OnCustomEqDelete() {
    auto* combo = dynamic_cast<ui::CComboUI*>(Find("custom_eq_name_combo"));
    if (!combo || combo->GetCurSel() < 0) return;
    profile_.RemoveCustomEq(combo->GetCurSel());
    HeadsetSettings settings = profile_.GetHeadsetSettings();
    const int left = static_cast<int>(profile_.GetCustomEqNames().size());
    settings[kCustomEqIndex] = std::clamp(settings[kCustomEqIndex], 0, std::max(0, left - 1));
    profile_.SetHeadsetSettings(settings);
    if (!profile_.Save()) DebugTrace("headset: the profile cannot be saved");
    ShowSoundPages();
}

void CQuorinHS6533Device::OnVoiceChangerEnable() {
    auto* option = dynamic_cast<ui::COptionUI*>(Find("magic_enable_option"));
    if (!option) return;
    const bool on = option->IsSelected();
    sound_->SetVoiceChanger(on);
    if (CMagicControlUI* magic = Magic()) magic->EnableEffects(on);
    StoreSetting(kMagicEnable, on ? 1 : 0);
}

void CQuorinHS6533Device::OnVoiceEffect(int effect) {
    if (effect == 0) return;
    auto* option = dynamic_cast<ui::COptionUI*>(Find(Numbered("magic_option_", effect)));
    if (option && !option->IsSelected()) return;
    sound_->SetVoiceSelection(effect);
    const bool known = effect >= 1 && effect < CMagicControlUI::kEffects;
    showingSound_ = true;
    if (CMagicControlUI* magic = Magic()) magic->ShowEffect(known ? effect : 0);
    showingSound_ = false;
    StoreSetting(kMagicType, known ? effect : 0);
}

}  // namespace kx58
