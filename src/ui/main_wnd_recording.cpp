// Macro recording and key capture: the main window installs the program-wide hook, hands
// each hook message to the shown page's macro or key editor, and keeps the page still while
// a recording runs.
#include <string_view>

#include "device/quorin_products.h"
#include "editors/key_assignment_tables.h"
#include "editors/key_set_control_ui.h"
#include "editors/macro_control_ui.h"
#include "macro/macro_key_renumber.h"
#include "platform/debug_trace.h"
#include "platform/tick.h"
#include "profile/device_profile_ui.h"
#include "ui/main_wnd.h"

namespace kx58 {
namespace {

// The menu items and buttons that start a recording: delay mode (0: as "macro_check_time"
// says) and hook mode.
struct RecordTrigger {
    std::string_view name;
    int delayMode;
    std::uint32_t hookMode;
};
constexpr int kDelayAsChosen = 0;
constexpr RecordTrigger kRecordTriggers[] = {
    {"macro_btn_starredio", kDelayAsChosen, kHookModeAppend},
    {"redio_previous_record_time", kDelayAsChosen, kHookModeBefore},
    {"redio_previous_constant_time", kDelayFixed, kHookModeBefore},
    {"redio_previous_ignore_time", kDelayNone, kHookModeBefore},
    {"redio_later_record_time", kDelayAsChosen, kHookModeAfter},
    {"redio_later_constant_time", kDelayFixed, kHookModeAfter},
    {"redio_later_ignore_time", kDelayNone, kHookModeAfter},
    {"macro_action_edit", kDelayNone, kHookModeReplace},
};

const RecordTrigger* FindRecordTrigger(std::string_view name) {
    for (const RecordTrigger& trigger : kRecordTriggers)
        if (trigger.name == name) return &trigger;
    return nullptr;
}

}  // namespace

bool CMainWnd::StartRecordingFor(const std::string& trigger) {
    const RecordTrigger* start = FindRecordTrigger(trigger);
    CMacroControlUI* editor = MacroEditorOf(nullptr);
    if (!start || !editor || m_recordingEditor || editor->SelectedMacro() < 0) return start != nullptr;
    int delayMode = start->delayMode;
    if (delayMode == kDelayAsChosen) {
        auto* fixed = dynamic_cast<ui::COptionUI*>(m_pm.FindSubControlByName(editor, "macro_check_time"));
        delayMode = fixed && fixed->IsSelected() ? kDelayFixed : kDelayRecorded;
    }
    StartRecording(*editor, delayMode, start->hookMode);
    return true;
}

void CMainWnd::StartRecording(CMacroControlUI& editor, int delayMode, std::uint32_t hookMode) {
    editor.BeginRecording(delayMode, TickCount());
    if (!m_deviceHook.SetHook(0, hookMode, GetHWND(), true, true)) DebugTrace("recording: the keyboard hook is not in place");
    m_recordingEditor = &editor;
    m_recordingPlacement = hookMode == kHookModeBefore  ? RecordPlacement::Before
                           : hookMode == kHookModeAfter  ? RecordPlacement::After
                           : hookMode == kHookModeReplace ? RecordPlacement::Replace
                                                          : RecordPlacement::Append;
    editor.ShowRecordingSource(RecordingSourceText());
    SetPageStill(true);
}

std::string CMainWnd::RecordingSourceText() {
    if (m_deviceHook.Input().KeySource() != InputHookSource::Devices) return "macro_record_source_window";
    return m_deviceHook.Input().DeviceStatus().lockKeysPassedOn ? "macro_record_source_devices"
                                                                 : "macro_record_source_devices_nolock";
}

void CMainWnd::StopRecording() {
    CMacroControlUI* editor = m_recordingEditor;
    if (!editor) return;
    m_recordingEditor = nullptr;
    editor->EndRecording();
    m_deviceHook.Unhook();
    SetPageStill(false);
    const MacroResult saved = editor->Save();
    TellMacroResult(saved);
    if (saved == MacroResult::Ok) WriteMacroIfUsed(editor->SelectedMacro());
}

void CMainWnd::SetPageStill(bool still) {
    // While recording the selected macro must not change: no other device, profile or key edit.
    if (ui::CControlUI* tabs = m_pm.FindControl("device_select_layout")) tabs->SetEnabled(!still);
    if (CDeviceProfileUI* profiles = SelectedProfiles()) profiles->SetEnabled(!still);
    CKeySetControlUI* keys = nullptr;
    if (KeyEditing(keys)) keys->SetButtonsEnabled(!still);
}

void CMainWnd::WriteMacroIfUsed(int number) {
    CQuorinUSBDevice* device = SelectedPage() ? SelectedPage()->device : nullptr;
    if (!device || !device->KeyProfileData() || number < 0 || !device->IsOpen()) return;
    // A key plays the macro: the device gets the new events now, not at the next apply.
    if (AssignsMacro(device->KeyProfileData()->GetKeyList(), number))
        TellMacroImageResult(device->ApplyMacros(device->CollectUsedMacros()));
}

void CMainWnd::OnRecordButton(ui::TNotifyUI& msg, int) {
    if (!MacroEditorOf(&msg)) return;
    if (msg.pSender->GetName() == "macro_btn_stopredio") StopRecording();
    else StartRecordingFor(msg.pSender->GetName());
}

LRESULT CMainWnd::OnHookControl(WPARAM wParam, LPARAM) {
    if (m_recordingEditor) return 0;  // the recording's hook stays until its stop button
    if (wParam == 0) m_deviceHook.Unhook();
    else if (wParam == 1) m_deviceHook.SetHook(0, kHookModeKeyCapture, GetHWND(), true, false);
    return 0;
}

LRESULT CMainWnd::OnKeyCaptureHook(WPARAM, LPARAM lParam) {
    const auto* key = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
    CKeySetControlUI* editor = nullptr;
    if (!key || !KeyEditing(editor)) return 0;
    const int row = KeyboardRowOfScanCode(key->scanCode, (key->flags & LLKHF_EXTENDED) != 0);
    if (row >= 0) editor->TakePressedKey(row);
    return 0;
}

LRESULT CMainWnd::RecordHookKey(RecordPlacement placement, WPARAM wParam, LPARAM lParam) {
    const auto* key = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
    CMacroControlUI* editor = MacroEditorOf(nullptr);
    if (key && editor)
        editor->RecordKey(placement, static_cast<UINT>(wParam), *key, m_keyMemories[static_cast<std::size_t>(placement)]);
    return 0;
}

LRESULT CMainWnd::RecordHookMouse(RecordPlacement placement, WPARAM wParam, LPARAM lParam) {
    const auto* mouse = reinterpret_cast<const MouseHookRecord*>(lParam);
    CMacroControlUI* editor = MacroEditorOf(nullptr);
    if (placement == RecordPlacement::Append) DebugTrace("WM_HOOK_KEY_MSMACRO");
    if (mouse && editor)
        editor->RecordMouseButton(placement, static_cast<UINT>(wParam), *mouse,
                                  m_mouseMemories[static_cast<std::size_t>(placement)]);
    return 0;
}

bool CMainWnd::TakeHookInput(UINT message, WPARAM wParam, LPARAM lParam) {
    const bool pointer = message >= WM_MOUSEMOVE && message <= WM_XBUTTONUP;
    const auto x = pointer ? static_cast<std::int16_t>(lParam & 0xFFFF) : 0;
    const auto y = pointer ? static_cast<std::int16_t>((lParam >> 16) & 0xFFFF) : 0;
    return m_deviceHook.Input().TakeWindowInput(message, wParam, lParam, x, y);
}

}  // namespace kx58
