// The mouse page's own controls as the main window routes them: the DPI stages, the stage
// colours through the colour picker, the system page with the desktop's pointer settings, and
// the desktop's own keyboard and mouse panels.
#include <string_view>

#include "device/quorin_products.h"
#include "platform/debug_trace.h"
#include "platform/desktop_input_settings.h"
#include "ui/color_select_wnd.h"
#include "ui/control_tree.h"
#include "ui/main_wnd.h"
#include "ui/msg_wnd.h"
#include "uikit/button.h"
#include "uikit/paint_manager.h"

namespace kx58 {

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
