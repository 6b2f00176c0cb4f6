// The mouse page's own controls as the main window routes them: the DPI stages, the stage
// colours through the colour picker, the system page with the desktop's pointer settings, and
// the desktop's own keyboard and mouse panels.
#include <string_view>

#include "device/quorin_products.h"
#include "platform/debug_trace.h"
#include "editors/shoot_control_ui.h"
#include "platform/desktop_input_settings.h"
#include "platform/folders.h"
#include "ui/color_select_wnd.h"
#include "ui/control_tree.h"
#include "ui/main_wnd.h"
#include "ui/msg_wnd.h"
#include "uikit/file_dialog.h"
#include "uikit/button.h"
#include "uikit/paint_manager.h"

namespace kx58 {
namespace {

constexpr std::string_view kShootFilter = "Shoot Files(*.shoot)|*.shoot;||";

CShootControlUI* ShootEditorIn(ui::CPaintManagerUI& pm, ui::CControlUI* page) {
    ui::CControlUI* found = page ? pm.FindSubControlByName(page, "ShootControlItem") : nullptr;
    return found ? static_cast<CShootControlUI*>(found->GetInterface("ShootControl")) : nullptr;
}

}  // namespace

void CMainWnd::SetUpShootEditor(CQuorinUSBDevice& device) {
    CShootControlUI* shoot = ShootEditorIn(m_pm, &device);
    if (!shoot) return;
    shoot->SetUserFolder(device.GetDataFolder());
    shoot->SetDefaultsFolder(Folders::Defaults());
    if (!shoot->SetUp()) DebugTrace("mouse: the shoot editor lacks controls");
}

void CMainWnd::OnShootEditor(ui::TNotifyUI& msg, int) {
    CQuorinMouseDevice* mouse = MouseOf(msg);
    CShootControlUI* shoot = mouse ? ShootEditorIn(m_pm, mouse) : nullptr;
    if (!shoot) return;
    ShootNotice notice = shoot->TakeNotify(msg);
    if (notice.request == ShootRequest::ChooseImportFile) {
        if (const std::optional<std::string> path = ui::OpenFileDialog(GetHWND(), kShootFilter)) notice.result = shoot->Import(*path);
    } else if (notice.request == ShootRequest::ChooseExportFile) {
        const std::optional<std::string> path = ui::SaveFileDialog(GetHWND(), kShootFilter, "ShootData.shoot");
        if (path && !path->empty()) notice.result = shoot->Export(*path);
    } else if (notice.request == ShootRequest::WriteToMouse && mouse->IsOpen() && mouse->WriteShootData() != kResultOk) {
        Ask("shoot_write_failed_text", kMessageButtonsConfirm);
    }
    if (const char* text = ShootResultTextId(notice.result)) Ask(text, kMessageButtonsConfirm);
}

CQuorinMouseDevice* CMainWnd::MouseOf(const ui::TNotifyUI& msg) {
    DevicePage* page = SelectedPage();
    auto* mouse = page ? dynamic_cast<CQuorinMouseDevice*>(page->device) : nullptr;
    return mouse && IsInside(msg.pSender, mouse) ? mouse : nullptr;
}

void CMainWnd::OnMouseDpi(ui::TNotifyUI& msg, int stage) {
    CQuorinMouseDevice* mouse = MouseOf(msg);
    if (!mouse) return;
    const std::string_view name = msg.pSender->GetName();
    const auto* option = dynamic_cast<ui::COptionUI*>(msg.pSender);
    if (name.starts_with("DPI_slider_")) mouse->OnDpiSlider(stage, msg.sType == ui::DUI_MSGTYPE_VALUECHANGED);
    else if (name.starts_with("DPI_edit_")) mouse->OnDpiEdit(stage);
    else if (name.starts_with("DPI_enable_check_") && option) mouse->OnDpiEnable(stage, option->IsSelected());
    else if (name.starts_with("DPI_select_check_") && option && option->IsSelected()) mouse->OnDpiSelect(stage);
}

void CMainWnd::OnMouseDpiColour(ui::TNotifyUI& msg, int stage) {
    CQuorinMouseDevice* mouse = MouseOf(msg);
    if (!mouse) return;
    const ColourChoice choice = CColorSelectWnd::Choose(*this, mouse->DpiColour(stage), m_dpi);
    if (choice.chosen) mouse->SetDpiColour(stage, choice.colour);
}

void CMainWnd::OnDesktopDeviceSettings(ui::TNotifyUI&, int number) {
    const DesktopDeviceKind kind = number == 0 ? DesktopDeviceKind::Keyboard : DesktopDeviceKind::Mouse;
    if (!OpenDesktopDeviceSettings(kind)) Ask("desktop_settings_missing_text", kMessageButtonsConfirm);
}

void CMainWnd::OnResetKeyRepeat(ui::TNotifyUI& msg, int) {
    if (!MouseOf(msg)) return;
    // The usual repeat: the second delay step and the fastest rate.
    const DesktopInputValues usual;
    DesktopInputValues values = ReadDesktopInputSettings().values;
    values.repeatDelay = usual.repeatDelay;
    values.repeatRate = usual.repeatRate;
    if (ApplyDesktopInputSettings(values).StoredOnly(DesktopInputValue::RepeatDelay))
        DebugTrace("mouse: the desktop has no key repeat settings to reset");
}

void CMainWnd::ApplyKeyboardSystemPage(CQuorinKeyboardDevice& keyboard) {
    keyboard.ApplySystemPage();
    // Key repeat is the desktop's: its delay and rate go there where it has settings for them.
    const PackedStages stages = keyboard.ProfileData().GetKeyboardSystemStages();
    DesktopInputValues values = ReadDesktopInputSettings().values;
    values.repeatRate = LowHalf(stages[0]);
    values.repeatDelay = HighHalf(stages[0]);
    const DesktopInputOutcomes outcomes = ApplyDesktopInputSettings(values);
    const bool applied = !outcomes.StoredOnly(DesktopInputValue::RepeatDelay);
    if (ui::CControlUI* state = m_pm.FindSubControlByName(&keyboard, "keyboard_desktop_state"))
        state->SetText(applied ? "desktop_applied_text" : "desktop_stored_only_text");
}

void CMainWnd::ApplyMouseSystemPage(CQuorinMouseDevice& mouse) {
    mouse.OnSystemOption();
    // The pointer values reach the desktop where it has settings for them; the page says which.
    const PackedStages stages = mouse.ProfileData().GetMouseSystemStages();
    DesktopInputValues values = ReadDesktopInputSettings().values;
    values.doubleClickMs = LowHalf(stages[0]);
    values.pointerSpeed = HighHalf(stages[0]);
    values.enhancedPrecision = LowHalf(stages[1]) != 0;
    values.scrollsPage = HighHalf(stages[1]) != 0;
    values.wheelScrollLines = LowHalf(stages[2]);
    const DesktopInputOutcomes outcomes = ApplyDesktopInputSettings(values);
    const bool applied = !outcomes.StoredOnly(DesktopInputValue::PointerSpeed);
    DebugTraceF("mouse: pointer speed %s, double click %s", DesktopInputOutcomeName(outcomes[DesktopInputValue::PointerSpeed]),
                DesktopInputOutcomeName(outcomes[DesktopInputValue::DoubleClickTime]));
    if (ui::CControlUI* state = m_pm.FindSubControlByName(&mouse, "mouse_desktop_state"))
        state->SetText(applied ? "desktop_applied_text" : "desktop_stored_only_text");
}

}  // namespace kx58
