// The mouse page's own controls: five DPI stages (enable, select, slider and edit in DPI,
// colour), the report rate, the lift-off presets and the pointer options of the system page.
// Every change goes into the profile and, with the mouse attached, into its settings record.
#include <algorithm>
#include <cstdlib>
#include <string>

#include "device/quorin_products.h"
#include "uikit/button.h"
#include "uikit/paint_manager.h"
#include "uikit/slider.h"

namespace kx58 {
namespace {

constexpr const char* kActiveThumb = "Control/SliderBar1_Thumb.png";
constexpr const char* kOtherThumb = "Control/SliderBar2_Thumb.png";
constexpr int kReportRates = 4;
constexpr int kCorrectPresets = 3;

std::string Numbered(const char* family, int n) { return family + std::to_string(n); }

DWORD StageArgb(const DpiStage& stage) {
    return 0xFF000000u | (DWORD{stage.StageColorR} << 16) | (DWORD{stage.StageColorG} << 8) | stage.StageColorB;
}

}  // namespace

std::vector<DpiStage> CQuorinMouseDevice::FiveStages() {
    std::vector<DpiStage> stages = profile_.GetDpiStages();
    stages.resize(kDpiStages);
    return stages;
}

void CQuorinMouseDevice::ShowDpiStage(int n, const std::vector<DpiStage>& stages, int active) {
    ui::CPaintManagerUI* manager = GetManager();
    const DpiStage& stage = stages[static_cast<std::size_t>(n)];
    const MouseDpiModel model = DpiModel();
    const auto find = [&](const char* family) { return manager->FindSubControlByName(this, Numbered(family, n)); };
    if (auto* slider = dynamic_cast<ui::CSliderUI*>(find("DPI_slider_"))) {
        slider->SetMinValue(0);
        slider->SetMaxValue(std::max<int>(model.highestStep, stage.StageDPIX));
        slider->SetValue(stage.StageDPIX);
        slider->SetThumbImage(n == active ? kActiveThumb : kOtherThumb);
    }
    if (ui::CControlUI* edit = find("DPI_edit_")) edit->SetText(std::to_string(DpiOfStep(model, stage.StageDPIX)));
    if (auto* enable = dynamic_cast<ui::COptionUI*>(find("DPI_enable_check_"))) {
        enable->Selected(stage.StageActive != 0, false);
        enable->SetEnabled(n != active);  // the stage in use cannot be switched off
    }
    if (auto* select = dynamic_cast<ui::COptionUI*>(find("DPI_select_check_"))) select->Selected(n == active, false);
    if (ui::CControlUI* colour = find("DPI_color_option_")) colour->SetBkColor(StageArgb(stage));
}

void CQuorinMouseDevice::ShowDpiPage() {
    if (!GetManager()) return;
    const std::vector<DpiStage> stages = FiveStages();
    const int active = std::clamp(profile_.GetActiveDpiStage(), 0, kDpiStages - 1);
    for (int n = 0; n < kDpiStages; ++n) ShowDpiStage(n, stages, active);
    if (ui::CControlUI* readout = GetManager()->FindSubControlByName(this, "mouse_dpi_readout"))
        readout->SetText(std::to_string(DpiOfStep(DpiModel(), stages[static_cast<std::size_t>(active)].StageDPIX)) + " DPI");
}

void CQuorinMouseDevice::OnDpiSlider(int n, bool released) {
    auto* slider = GetManager() ? dynamic_cast<ui::CSliderUI*>(GetManager()->FindSubControlByName(this, Numbered("DPI_slider_", n)))
                                : nullptr;
    if (!slider || n < 0 || n >= kDpiStages) return;
    std::vector<DpiStage> stages = FiveStages();
    DpiStage& stage = stages[static_cast<std::size_t>(n)];
    stage.StageDPIX = stage.StageDPIY = static_cast<std::uint16_t>(std::clamp(slider->GetValue(), 0, 0xFFFF));
    profile_.SetDpiStages(stages);
    if (ui::CControlUI* edit = GetManager()->FindSubControlByName(this, Numbered("DPI_edit_", n)))
        edit->SetText(std::to_string(DpiOfStep(DpiModel(), stage.StageDPIX)));
    if (released) {
        SaveAndApplySettings();
        ShowDpiPage();
    }
}

void CQuorinMouseDevice::OnDpiEdit(int n) {
    ui::CControlUI* edit = GetManager() ? GetManager()->FindSubControlByName(this, Numbered("DPI_edit_", n)) : nullptr;
    if (!edit || n < 0 || n >= kDpiStages) return;
    // An empty or non-numeric field counts as 0, which the DPI model raises to its lowest step.
    const int typed = std::atoi(edit->GetText().c_str());
    std::vector<DpiStage> stages = FiveStages();
    DpiStage& stage = stages[static_cast<std::size_t>(n)];
    stage.StageDPIX = stage.StageDPIY = static_cast<std::uint16_t>(StepOfDpi(DpiModel(), typed));
    profile_.SetDpiStages(stages);
    SaveAndApplySettings();
    ShowDpiPage();
}

void CQuorinMouseDevice::OnDpiEnable(int n, bool enabled) {
    if (n < 0 || n >= kDpiStages || n == profile_.GetActiveDpiStage()) return ShowDpiPage();
    std::vector<DpiStage> stages = FiveStages();
    stages[static_cast<std::size_t>(n)].StageActive = enabled ? 1 : 0;
    profile_.SetDpiStages(stages);
    SaveAndApplySettings();
    ShowDpiPage();
}

void CQuorinMouseDevice::OnDpiSelect(int n) {
    if (n < 0 || n >= kDpiStages) return;
    // The stage chosen is in use, so it is enabled too.
    std::vector<DpiStage> stages = FiveStages();
    stages[static_cast<std::size_t>(n)].StageActive = 1;
    profile_.SetDpiStages(stages);
    profile_.SetActiveDpiStage(n);
    SaveAndApplySettings();
    ShowDpiPage();
}

DWORD CQuorinMouseDevice::DpiColour(int n) {
    if (n < 0 || n >= kDpiStages) return 0;
    return StageArgb(FiveStages()[static_cast<std::size_t>(n)]);
}

void CQuorinMouseDevice::SetDpiColour(int n, DWORD argb) {
    if (n < 0 || n >= kDpiStages) return;
    std::vector<DpiStage> stages = FiveStages();
    DpiStage& stage = stages[static_cast<std::size_t>(n)];
    stage.StageColorR = static_cast<std::uint8_t>(argb >> 16);
    stage.StageColorG = static_cast<std::uint8_t>(argb >> 8);
    stage.StageColorB = static_cast<std::uint8_t>(argb);
    profile_.SetDpiStages(stages);
    SaveAndApplySettings();
    ShowDpiPage();
}

// --- System page ---------------------------------------------------------------------------------

void CQuorinMouseDevice::ShowSystemPage() {
    ui::CPaintManagerUI* manager = GetManager();
    if (!manager) return;
    const auto select = [&](const std::string& name, bool on) {
        if (auto* option = dynamic_cast<ui::COptionUI*>(manager->FindSubControlByName(this, name))) option->Selected(on, false);
    };
    const PackedStages stages = profile_.GetMouseSystemStages();
    const int rate = HighHalf(stages[2]) < kReportRates ? HighHalf(stages[2]) : 0;
    for (int n = 0; n < kReportRates; ++n) select(Numbered("polling_rate_option_", n), n == rate);
    const std::vector<CorrectPreset> presets = profile_.GetCorrectInfo();
    for (int n = 0; n < kCorrectPresets; ++n)
        select(Numbered("mouse_correct_option_", n), n < static_cast<int>(presets.size()) && presets[static_cast<std::size_t>(n)].CorrectSelect != 0);
    select("pointer_precision_check", LowHalf(stages[1]) != 0);
    select("scrolls_page_check", HighHalf(stages[1]) != 0);
    const auto show = [&](const char* slider, int value) {
        if (auto* control = dynamic_cast<ui::CSliderUI*>(manager->FindSubControlByName(this, slider))) control->SetValue(value);
    };
    show("double_click_slider", LowHalf(stages[0]));
    show("pointer_speed_slider", HighHalf(stages[0]));
    show("scroll_speed_slider", LowHalf(stages[2]));
}

void CQuorinMouseDevice::OnSystemOption() {
    ui::CPaintManagerUI* manager = GetManager();
    if (!manager) return;
    const auto on = [&](const std::string& name) {
        auto* option = dynamic_cast<ui::COptionUI*>(manager->FindSubControlByName(this, name));
        return option && option->IsSelected();
    };
    const auto value = [&](const char* slider, int fallback) {
        auto* control = dynamic_cast<ui::CSliderUI*>(manager->FindSubControlByName(this, slider));
        return control ? control->GetValue() : fallback;
    };
    PackedStages stages = profile_.GetMouseSystemStages();
    int rate = HighHalf(stages[2]);
    for (int n = 0; n < kReportRates; ++n)
        if (on(Numbered("polling_rate_option_", n))) rate = n;
    for (int n = 0; n < kCorrectPresets; ++n)
        if (on(Numbered("mouse_correct_option_", n))) profile_.SelectCorrectPreset(n);
    const auto half = [](int v) { return static_cast<std::uint16_t>(std::clamp(v, 0, 0xFFFF)); };
    stages[0] = PackHalves(half(value("double_click_slider", LowHalf(stages[0]))),
                           half(value("pointer_speed_slider", HighHalf(stages[0]))));
    stages[1] = PackHalves(on("pointer_precision_check") ? 1 : 0, on("scrolls_page_check") ? 1 : 0);
    stages[2] = PackHalves(half(value("scroll_speed_slider", LowHalf(stages[2]))), half(rate));
    profile_.SetMouseSystemStages(stages[0], stages[1], stages[2]);
    SaveAndApplySettings();
}

}  // namespace kx58
