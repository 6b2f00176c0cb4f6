#include "editors/light_control_ui.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "editors/key_set_control_ui.h"
#include "editors/light_layout_table.h"
#include "editors/redio_macro_button_ui.h"
#include "editors/shoot_control_ui.h"
#include "platform/debug_trace.h"
#include "uikit/button.h"
#include "uikit/color_palette.h"
#include "uikit/control_factory.h"
#include "uikit/edit.h"
#include "uikit/list.h"
#include "uikit/paint_manager.h"
#include "uikit/resource_manager.h"
#include "uikit/slider.h"
#include "uikit/ui_events.h"

namespace kx58 {
namespace {

constexpr int kEffectRowHeight = 30;
constexpr const char* kGroupNames[kLightGroupCount] = {"lighteffect_layout", "deng_7color_check", "deng_color_layout",
                                                       "colorpallet_layout", "deng_light_layout", "deng_speed_layout",
                                                       "deng_fx_layout"};
constexpr const char* kDefaultLeftText = "light_set_right_to_left_text";
constexpr const char* kDefaultRightText = "light_set_left_to_right_text";

std::uint8_t Red(DWORD argb) { return static_cast<std::uint8_t>(argb >> 16); }
std::uint8_t Green(DWORD argb) { return static_cast<std::uint8_t>(argb >> 8); }
std::uint8_t Blue(DWORD argb) { return static_cast<std::uint8_t>(argb); }

std::uint8_t Byte(int value) { return static_cast<std::uint8_t>(std::clamp(value, 0, 255)); }

// A number at the end of a name after `prefix`; -1 when there is none.
int NumberAfter(const std::string& name, const std::string& prefix) {
    if (!name.starts_with(prefix) || name.size() == prefix.size()) return -1;
    const std::string digits = name.substr(prefix.size());
    if (digits.find_first_not_of("0123456789") != std::string::npos) return -1;
    return std::atoi(digits.c_str());
}

}  // namespace

DWORD OpaqueColour(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return 0xFF000000u | DWORD{red} << 16 | DWORD{green} << 8 | DWORD{blue};
}

void* CLightControlUI::GetInterface(std::string_view name) {
    if (name == "LightControl") return this;
    if (name == kLightStateViewInterface) return static_cast<ILightStateView*>(this);
    return CHorizontalLayoutUI::GetInterface(name);
}

// --- Controls ----------------------------------------------------------------------------------

void CLightControlUI::SetShown(const std::string& name, bool shown) {
    if (ui::CControlUI* control = Find(name)) control->SetVisible(shown);
}

void CLightControlUI::SetUsable(const std::string& name, bool usable) {
    if (ui::CControlUI* control = Find(name)) control->SetEnabled(usable);
}

void CLightControlUI::SelectOption(const std::string& name, bool selected) {
    if (auto* option = FindAs<ui::COptionUI>(name)) option->Selected(selected, false);
}

bool CLightControlUI::IsOptionSelected(const std::string& name) {
    auto* option = FindAs<ui::COptionUI>(name);
    return option && option->IsSelected();
}

int CLightControlUI::SliderValue(const std::string& name) {
    auto* slider = FindAs<ui::CProgressUI>(name);
    return slider ? slider->GetValue() : 0;
}

int CLightControlUI::EditValue(const std::string& name) {
    ui::CControlUI* edit = Find(name);
    return edit ? std::clamp(std::atoi(edit->GetText().c_str()), 0, 255) : 0;
}

void CLightControlUI::SetDirectionTexts(const char* left, const char* right) {
    const auto show = [this](const char* name, const char* id) {
        ui::CControlUI* option = Find(name);
        if (!option) return;
        std::string text;
        option->SetText(ui::CResourceManager::GetInstance()->FindText(id, text) ? text : std::string(id));
    };
    show("deng_FXL_check", left);
    show("deng_FXR_check", right);
}

// --- Effect list and records -----------------------------------------------------------------

void CLightControlUI::SetEffectList(const std::vector<std::string>& names, const std::vector<int>& visible,
                                    int maxBrightness, int maxSpeed) {
    if (auto* combo = FindAs<ui::CComboUI>("light_combo_modeSelect")) {
        combo->RemoveAll();
        for (std::size_t i = 0; i < names.size(); ++i) {
            auto* entry = new ui::CListLabelElementUI;
            entry->SetFixedHeight(kEffectRowHeight);
            entry->SetText(names[i]);
            entry->SetToolTip(names[i]);
            // A hidden effect keeps its place: the profile's SelectItem counts it.
            entry->SetVisible(i < visible.size() && visible[i] != 0);
            combo->Add(entry);
        }
    }
    if (auto* slider = FindAs<ui::CProgressUI>("deng_light_slider")) slider->SetMaxValue(maxBrightness);
    if (auto* slider = FindAs<ui::CProgressUI>("deng_speed_slider")) slider->SetMaxValue(maxSpeed);
}

void CLightControlUI::ShowLightInfo(const LightInfo& record) {
    if (auto* combo = FindAs<ui::CComboUI>("light_combo_modeSelect")) combo->SelectItem(record.SelectItem, false, false);
    if (auto* slider = FindAs<ui::CProgressUI>("deng_light_slider")) slider->SetValue(record.Light);
    if (auto* slider = FindAs<ui::CProgressUI>("deng_speed_slider")) slider->SetValue(record.Speed);
    ShowColour(OpaqueColour(record.Red, record.Green, record.Blue));
    SelectOption("deng_7color_check", record.MultiColor != 0);
    if (auto* combo = FindAs<ui::CComboUI>("light_combo_ZZCCmodeSelect")) combo->SelectItem(record.ZZCCLedMode, false, false);
    if (auto* combo = FindAs<ui::CComboUI>("light_combo_custommodeSelect")) combo->SelectItem(record.CustomGroup, false, false);
    SelectOption("deng_FXL_check", record.Fx != 0);
    SelectOption("deng_FXR_check", record.Fx == 0);
    UpdateLayout(pageKind_, record.SelectItem);
}

LightInfo CLightControlUI::ReadLightInfo(const LightInfo& base) {
    LightInfo record = base;
    record.SelectItem = Byte(GetSelectedEffect());
    record.Light = Byte(GetBrightness());
    record.Speed = Byte(GetSpeed());
    record.Fx = IsDirectionLeft() ? 1 : 0;
    record.MultiColor = IsSevenColour() ? 1 : 0;
    record.Red = Byte(GetRed());
    record.Green = Byte(GetGreen());
    record.Blue = Byte(GetBlue());
    if (FindAs<ui::CComboUI>("light_combo_ZZCCmodeSelect")) record.ZZCCLedMode = Byte(GetSecondMode());
    if (FindAs<ui::CComboUI>("light_combo_custommodeSelect")) record.CustomGroup = Byte(GetCustomGroup());
    return record;
}

void CLightControlUI::ShowLightState(const LightState& state, int effectIndex) {
    LightInfo record;
    record.SelectItem = Byte(effectIndex);
    record.Light = state.brightness;
    record.Speed = state.speed;
    record.Fx = state.fx;
    record.MultiColor = state.multiColor;
    record.Red = state.red;
    record.Green = state.green;
    record.Blue = state.blue;
    record.ZZCCLedMode = state.zzccLedMode;
    record.CustomGroup = state.customGroup;
    ShowLightInfo(record);
}

// --- Layout ------------------------------------------------------------------------------------

void CLightControlUI::UpdateLayout(int pageKind, int effect) {
    const LightLayoutTable* table = LightLayoutFor(pageKind);
    if (!table) return;
    if (table->fullSet) {
        SetShown("lightcustom_layout", false);
        SetShown("deng_speed_layout", true);
        SetShown("light_combo_ZZCCmodeSelectLayout", false);
        SetUsable("light_color_layout", true);
        SetDirectionTexts(kDefaultLeftText, kDefaultRightText);
        SetShown("light_combo_AudiomodeSelectLayout", false);
        if (auto* tabs = FindAs<ui::CTabLayoutUI>("light_color_tablayout")) tabs->SelectItem(0, false);
    }
    SetShown("deng_same_mode", false);
    if (table->hasDirection) SetUsable("deng_fx_layout", true);
    const LightLayoutRow* row = LightLayoutRowFor(*table, effect);
    const char* groups = row ? row->groups : table->otherEffects;
    for (std::size_t group = 0; group < kLightGroupCount; ++group)
        if (groups[group] != '-') SetUsable(kGroupNames[group], groups[group] == 'E');
    if (!row) return;
    const unsigned extras = row->extras;
    if (extras & kExtraSameMode) SetShown("deng_same_mode", sameModeAllowed_);
    if (extras & kExtraColourLayoutOff) SetUsable("light_color_layout", false);
    if (extras & kExtraSpeedHidden) SetShown("deng_speed_layout", false);
    if (extras & kExtraSecondMode) SetShown("light_combo_ZZCCmodeSelectLayout", true);
    if (extras & kExtraCustom) SetShown("lightcustom_layout", true);
    if (extras & kExtraAudio) {
        SetShown("light_combo_AudiomodeSelectLayout", true);
        if (auto* tabs = FindAs<ui::CTabLayoutUI>("light_color_tablayout")) tabs->SelectItem(1, false);
    }
    if (row->leftText) SetDirectionTexts(row->leftText, row->rightText);
}

// --- Getters -----------------------------------------------------------------------------------

int CLightControlUI::GetSelectedEffect() {
    auto* combo = FindAs<ui::CComboUI>("light_combo_modeSelect");
    return combo ? combo->GetCurSel() : -1;
}

int CLightControlUI::GetCustomGroup() {
    auto* combo = FindAs<ui::CComboUI>("light_combo_custommodeSelect");
    return combo ? std::max(combo->GetCurSel(), 0) : 0;
}

int CLightControlUI::GetSecondMode() {
    auto* combo = FindAs<ui::CComboUI>("light_combo_ZZCCmodeSelect");
    return combo ? std::max(combo->GetCurSel(), 0) : 0;
}

int CLightControlUI::GetBrightness() { return SliderValue("deng_light_slider"); }
int CLightControlUI::GetSpeed() { return SliderValue("deng_speed_slider"); }
int CLightControlUI::GetRed() { return EditValue("deng_edit_R"); }
int CLightControlUI::GetGreen() { return EditValue("deng_edit_G"); }
int CLightControlUI::GetBlue() { return EditValue("deng_edit_B"); }
bool CLightControlUI::IsSevenColour() { return IsOptionSelected("deng_7color_check"); }
bool CLightControlUI::IsDirectionLeft() { return IsOptionSelected("deng_FXL_check"); }

DWORD CLightControlUI::GetPaletteColour() {
    auto* palette = FindAs<ui::CColorPaletteUI>("deng_Color_Pallet");
    return palette ? palette->GetSelectColor() : 0;
}

DWORD CLightControlUI::GetPreviewColour() {
    ui::CControlUI* preview = Find("deng_colordp_btn");
    return preview ? preview->GetBkColor() : 0;
}

DWORD CLightControlUI::GetSwatchColour(int n) {
    ui::CControlUI* swatch = Find("color_option_" + std::to_string(n));
    return swatch ? swatch->GetBkColor() : 0;
}

DWORD CLightControlUI::GetAudioSwatchColour(int n) {
    ui::CControlUI* swatch = Find("audiocolor_option_" + std::to_string(n));
    return swatch ? swatch->GetBkColor() : 0;
}

// --- Colours -----------------------------------------------------------------------------------

void CLightControlUI::ShowColourIn(DWORD argb, const char* red, const char* green, const char* blue,
                                   const char* palette, const char* preview) {
    argb |= 0xFF000000u;
    const auto setText = [this](const char* name, std::uint8_t value) {
        if (ui::CControlUI* edit = Find(name)) edit->SetText(std::to_string(value));
    };
    setText(red, Red(argb));
    setText(green, Green(argb));
    setText(blue, Blue(argb));
    if (auto* field = FindAs<ui::CColorPaletteUI>(palette)) field->SetSelectColor(argb);
    if (ui::CControlUI* button = Find(preview)) button->SetBkColor(argb);
}

void CLightControlUI::ShowColour(DWORD argb) {
    ShowColourIn(argb, "deng_edit_R", "deng_edit_G", "deng_edit_B", "deng_Color_Pallet", "deng_colordp_btn");
}

void CLightControlUI::ShowAudioColour(DWORD argb) {
    ShowColourIn(argb, "deng_audioedit_R", "deng_audioedit_G", "deng_audioedit_B", "deng_audioColor_Pallet",
                 "deng_audiocolordp_btn");
}

DWORD CLightControlUI::ColourOfEdits(const char* red, const char* green, const char* blue) {
    return OpaqueColour(Byte(EditValue(red)), Byte(EditValue(green)), Byte(EditValue(blue)));
}

DWORD CLightControlUI::GetAudioColor() {
    if (!Find("deng_audioedit_R") || !Find("deng_audioedit_G") || !Find("deng_audioedit_B")) {
        DebugTrace("GetLightAudioColor control is NULL");
        return 0;
    }
    return ColourOfEdits("deng_audioedit_R", "deng_audioedit_G", "deng_audioedit_B");
}

// --- Audio-reactive lighting -------------------------------------------------------------------

void CLightControlUI::SetAudioLightInfo(const AudioLightInfo& record) {
    audioRecord_ = record;
    auto* modes = FindAs<ui::CComboUI>("light_combo_audiomodeSelect");
    auto* background = FindAs<ui::COptionUI>("audio_BkColor_check");
    auto* foreground = FindAs<ui::COptionUI>("audio_FgColor_check");
    if (!modes || !background || !foreground) {
        DebugTrace(" SetAudioLightInfo control is NULL");
        return;
    }
    modes->SelectItem(record.AudioMode, false, false);
    const bool showsForeground = record.ColorTypeFlags != 0;
    foreground->Selected(showsForeground, false);
    background->Selected(!showsForeground, false);
    if (showsForeground) SelectOption("deng_7audiocolor_check", record.SevenColorFlags != 0);
    ShowAudioColour(showsForeground ? OpaqueColour(record.FgColorR, record.FgColorG, record.FgColorB)
                                    : OpaqueColour(record.BkColorR, record.BkColorG, record.BkColorB));
    constexpr int kLevelOnlyMode = 3;  // draws the level alone: no colour to choose
    background->SetEnabled(record.AudioMode != kLevelOnlyMode);
    foreground->SetEnabled(record.AudioMode != kLevelOnlyMode);
}

AudioLightInfo CLightControlUI::GetAudioLightInfo() {
    auto* modes = FindAs<ui::CComboUI>("light_combo_audiomodeSelect");
    ui::CControlUI* preview = Find("deng_audiocolordp_btn");
    if (!modes || !preview) {
        DebugTrace("GetAudioLightInfo control is NULL");
        return audioRecord_;
    }
    AudioLightInfo record = audioRecord_;
    record.AudioMode = Byte(modes->GetCurSel());
    record.SevenColorFlags = IsOptionSelected("deng_7audiocolor_check") ? 1 : 0;
    record.ColorTypeFlags = IsOptionSelected("audio_FgColor_check") ? 1 : 0;
    const DWORD colour = preview->GetBkColor();
    (record.ColorTypeFlags ? record.FgColorR : record.BkColorR) = Red(colour);
    (record.ColorTypeFlags ? record.FgColorG : record.BkColorG) = Green(colour);
    (record.ColorTypeFlags ? record.FgColorB : record.BkColorB) = Blue(colour);
    audioRecord_ = record;
    return record;
}

void CLightControlUI::ShowAudioLightInfo(const std::array<int, 3>& info) {
    AudioLightInfo record = audioRecord_;
    record.AudioMode = Byte(info[0]);
    record.SevenColorFlags = Byte(info[1]);
    record.ColorTypeFlags = Byte(info[2]);
    SetAudioLightInfo(record);
}

std::array<int, 3> CLightControlUI::ReadAudioLightInfo() {
    const AudioLightInfo record = GetAudioLightInfo();
    return {record.AudioMode, record.SevenColorFlags, record.ColorTypeFlags};
}

// --- The user's edits --------------------------------------------------------------------------

bool CLightControlUI::TakeUserEdit(const ui::TNotifyUI& msg) {
    lastEditWasColour_ = false;
    if (!msg.pSender) return false;
    const std::string& name = msg.pSender->GetName();
    const std::string& type = msg.sType;
    lastEditWasColour_ = (type == ui::DUI_MSGTYPE_CLICK && NumberAfter(name, "color_option_") >= 0) ||
                         (type == ui::DUI_MSGTYPE_COLORCHANGED && name == "deng_Color_Pallet") ||
                         (type == ui::DUI_MSGTYPE_KILLFOCUS && name.starts_with("deng_edit_"));
    if (type == ui::DUI_MSGTYPE_ITEMSELECT && name == "light_combo_modeSelect") {
        UpdateLayout(pageKind_, GetSelectedEffect());
        return true;
    }
    if (type == ui::DUI_MSGTYPE_ITEMSELECT && name == "light_combo_audiomodeSelect") {
        SetAudioLightInfo(GetAudioLightInfo());  // the colour options follow the mode
        return true;
    }
    if (type == ui::DUI_MSGTYPE_CLICK && NumberAfter(name, "color_option_") >= 0) {
        ShowColour(msg.pSender->GetBkColor());
        return true;
    }
    if (type == ui::DUI_MSGTYPE_CLICK && NumberAfter(name, "audiocolor_option_") >= 0) {
        ShowAudioColour(msg.pSender->GetBkColor());
        return true;
    }
    if (type == ui::DUI_MSGTYPE_COLORCHANGED) {
        if (name == "deng_Color_Pallet") ShowColour(static_cast<DWORD>(msg.wParam));
        else if (name == "deng_audioColor_Pallet") ShowAudioColour(static_cast<DWORD>(msg.wParam));
        return name == "deng_Color_Pallet" || name == "deng_audioColor_Pallet";
    }
    if (type == ui::DUI_MSGTYPE_KILLFOCUS) {
        if (name.starts_with("deng_edit_")) ShowColour(ColourOfEdits("deng_edit_R", "deng_edit_G", "deng_edit_B"));
        else if (name.starts_with("deng_audioedit_")) ShowAudioColour(GetAudioColor());
        return name.starts_with("deng_edit_") || name.starts_with("deng_audioedit_");
    }
    if (type == ui::DUI_MSGTYPE_SELECTCHANGED && (name == "audio_BkColor_check" || name == "audio_FgColor_check")) {
        if (msg.wParam == 0) return false;  // the other one of the pair reports the change
        // The shown colour belongs to the layer shown until now; the edits then show the other.
        const bool foreground = name == "audio_FgColor_check";
        AudioLightInfo record = audioRecord_;
        if (ui::CControlUI* preview = Find("deng_audiocolordp_btn")) {
            const DWORD colour = preview->GetBkColor();
            (foreground ? record.BkColorR : record.FgColorR) = Red(colour);
            (foreground ? record.BkColorG : record.FgColorG) = Green(colour);
            (foreground ? record.BkColorB : record.FgColorB) = Blue(colour);
        }
        record.ColorTypeFlags = foreground ? 1 : 0;
        record.SevenColorFlags = IsOptionSelected("deng_7audiocolor_check") ? 1 : 0;
        SetAudioLightInfo(record);
        return true;
    }
    return type == ui::DUI_MSGTYPE_VALUECHANGED || type == ui::DUI_MSGTYPE_ITEMSELECT ||
           type == ui::DUI_MSGTYPE_SELECTCHANGED;
}

void CLightControlUI::TakePickedColour(DWORD argb, bool sevenColour, bool audio) {
    lastEditWasColour_ = !sevenColour && !audio;
    if (sevenColour) return SelectOption(audio ? "deng_7audiocolor_check" : "deng_7color_check", true);
    if (audio) return ShowAudioColour(argb);
    ShowColour(argb);
}

void CLightControlUI::SetPageKind(int kind) {
    pageKind_ = kind;
    // Every page of the window carries this editor; its option pairs must not deselect the
    // options of another page's editor.
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, "@%p", static_cast<void*>(this));
    for (const char* name : {"deng_FXL_check", "deng_FXR_check", "audio_BkColor_check", "audio_FgColor_check"}) {
        auto* option = FindAs<ui::COptionUI>(name);
        if (option && !option->GetGroup().empty() && option->GetGroup().find('@') == std::string::npos)
            option->SetGroup(option->GetGroup() + suffix);
    }
}

void RegisterEditorControls() {
    ui::CControlFactory::GetInstance()->RegistControl("LightControl", [] { return new CLightControlUI; });
    RegisterKeySetControls();
    RegisterEditorButtons();
    RegisterShootEditorControls();
}

}  // namespace kx58
