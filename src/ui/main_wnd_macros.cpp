// The keyboard page's macro editor: the main window asks the user's confirmations, answers
// the file dialogs and keeps the page's key list in step with a deleted macro.
#include <string_view>

#include "device/quorin_products.h"
#include "editors/macro_control_ui.h"
#include "macro/macro_key_renumber.h"
#include "platform/debug_trace.h"
#include "ui/control_tree.h"
#include "ui/main_wnd.h"
#include "ui/msg_wnd.h"
#include "uikit/file_dialog.h"
#include "uikit/menu_wnd.h"
#include "uikit/paint_manager.h"
#include "uikit/window_backend.h"

namespace kx58 {
namespace {

constexpr std::string_view kMacroFilter = "Macro Files(*.mac)|*.mac;||";
constexpr const char* kMacroEditorName = "MacroControlItem";
constexpr const char* kActionMenu = "XML\\Menus\\macro_action_menu.xml";

// The selected page's device when it has keys (and so macros).
CQuorinUSBDevice* KeyDeviceOf(DevicePage* page) {
    return page && page->device && page->device->KeyProfileData() ? page->device : nullptr;
}

struct ResultText {
    MacroResult result;
    const char* textId;
};
// Outcomes the user is told about; the others (no macro chosen, a full library) do nothing.
constexpr ResultText kResultTexts[] = {
    {MacroResult::NameInUse, "message_text_5"},          {MacroResult::NotJson, "macro_import_refused_text"},
    {MacroResult::TooLarge, "macro_import_refused_text"}, {MacroResult::TooManyEvents, "macro_too_long_text"},
    {MacroResult::Unreadable, "macro_unreadable_text"},   {MacroResult::UnsafeGuid, "macro_unreadable_text"},
    {MacroResult::NotWritten, "macro_write_failed_text"}};

}  // namespace

CMacroControlUI* CMainWnd::MacroEditorOf(const ui::TNotifyUI* msg) {
    CQuorinUSBDevice* device = KeyDeviceOf(SelectedPage());
    if (!device) return nullptr;
    auto* editor = dynamic_cast<CMacroControlUI*>(m_pm.FindSubControlByName(device, kMacroEditorName));
    return editor && (!msg || IsInside(msg->pSender, editor)) ? editor : nullptr;
}

void CMainWnd::TellMacroResult(MacroResult result) {
    // The key editor offers the library's macros and the keys say which one they play.
    if (result == MacroResult::Ok) RefreshKeyTab();
    for (const ResultText& entry : kResultTexts)
        if (entry.result == result) Ask(entry.textId, kMessageButtonsConfirm);
}

void CMainWnd::OnMacroAdd(ui::TNotifyUI& msg, int) {
    if (CMacroControlUI* editor = MacroEditorOf(&msg)) TellMacroResult(editor->AddMacro().result);
}

void CMainWnd::OnMacroRename(ui::TNotifyUI& msg, int) {
    if (CMacroControlUI* editor = MacroEditorOf(&msg)) TellMacroResult(editor->RenameMacro());
}

void CMainWnd::OnMacroDelete(ui::TNotifyUI& msg, int) {
    CMacroControlUI* editor = MacroEditorOf(&msg);
    CQuorinUSBDevice* keyboard = KeyDeviceOf(SelectedPage());
    const int number = editor ? editor->SelectedMacro() : -1;
    if (number < 0 || !Ask("message_text_4", kMessageButtonsConfirmCancel)) return;
    // Both questions come before any file changes: a refusal leaves every profile as it was.
    std::vector<KeyAssignmentEntry> keys = keyboard->KeyProfileData()->GetKeyList();
    if (AssignsMacro(keys, number) && !Ask("message_text_2", kMessageButtonsConfirmCancel)) return;
    const MacroResult result = editor->DeleteSelectedMacro();
    if (result != MacroResult::Ok) return TellMacroResult(result);
    // The files are renumbered; the page's copy must be too, or its next save writes the old
    // numbers back.
    if (RenumberMacroKeys(keys, number)) {
        keyboard->KeyProfileData()->SetKeyList(keys);
        SaveAndWriteKeys(*keyboard);  // the keyboard's macro keys and image follow at once
    }
    RefreshKeyTab();
}

void CMainWnd::OnMacroSave(ui::TNotifyUI& msg, int) {
    CMacroControlUI* editor = MacroEditorOf(&msg);
    if (!editor) return;
    const MacroResult result = editor->Save();
    TellMacroResult(result);
    if (result == MacroResult::Ok) WriteMacroIfUsed(editor->SelectedMacro());
}

void CMainWnd::OnMacroCancel(ui::TNotifyUI& msg, int) {
    if (CMacroControlUI* editor = MacroEditorOf(&msg)) editor->ShowSelectedMacro();
}

void CMainWnd::OnMacroImport(ui::TNotifyUI& msg, int) {
    CMacroControlUI* editor = MacroEditorOf(&msg);
    if (!editor) return;
    const std::optional<std::string> path = ui::OpenFileDialog(GetHWND(), kMacroFilter);
    if (!path) return;
    const MacroResult result = editor->ImportMacro(*path).result;
    if (result != MacroResult::Ok) DebugTraceF("macro import refused: %s", path->c_str());
    TellMacroResult(result);
}

void CMainWnd::OnMacroExport(ui::TNotifyUI& msg, int) {
    CMacroControlUI* editor = MacroEditorOf(&msg);
    if (!editor || editor->SelectedMacro() < 0) return;
    const std::optional<std::string> path =
        ui::SaveFileDialog(GetHWND(), kMacroFilter, editor->SelectedMacroName() + ".mac");
    if (!path || path->empty()) return;
    if (editor->ExportSelectedMacro(*path) != MacroResult::Ok) Ask("export_failed_text", kMessageButtonsConfirm);
}

void CMainWnd::OnMacroEventMove(ui::TNotifyUI& msg, int) {
    CMacroControlUI* editor = MacroEditorOf(&msg);
    if (!editor) return;
    const std::string& name = msg.pSender->GetName();
    const MacroMove move = name == "macro_btn_up"     ? MacroMove::Up
                           : name == "macro_btn_down" ? MacroMove::Down
                           : name == "macro_btn_uptop" ? MacroMove::Top
                                                       : MacroMove::Bottom;
    editor->MoveSelectedEvent(move);
}

void CMainWnd::OnMacroEventDelete(ui::TNotifyUI& msg, int) {
    CMacroControlUI* editor = MacroEditorOf(&msg);
    if (!editor) return;
    if (msg.pSender->GetName() == "macro_btn_deleteall") editor->DeleteAllEvents();
    else editor->DeleteSelectedEvent();
}

void CMainWnd::OnMacroMouseMove(ui::TNotifyUI& msg, int) {
    CMacroControlUI* editor = MacroEditorOf(&msg);
    if (!editor) return;
    const std::string& name = msg.pSender->GetName();
    const MouseMove direction = name == "macro_inset_moveleftkey_btn"    ? MouseMove::Left
                                : name == "macro_inset_moverightkey_btn" ? MouseMove::Right
                                : name == "macro_inset_moveupkey_btn"    ? MouseMove::Up
                                                                         : MouseMove::Down;
    editor->InsertMouseMove(direction);
}

void CMainWnd::OnMacroChosen(ui::TNotifyUI& msg, int) {
    if (CMacroControlUI* editor = MacroEditorOf(&msg)) editor->ShowSelectedMacro();
}

void CMainWnd::OnMacroDelayEdit(ui::TNotifyUI& msg, int) {
    if (CMacroControlUI* editor = MacroEditorOf(&msg)) editor->TakeDelayEdit(msg.pSender);
}

void CMainWnd::OnMacroActionMenu(ui::TNotifyUI& msg, int) {
    if (!MacroEditorOf(&msg)) return;
    // CreateMenu closes a menu that is still open first.
    ui::CMenuWnd::CreateMenu(GetHWND(), kActionMenu, ui::CurrentBackend().GetCursorPos());
}

bool CMainWnd::OnMacroMenuCommand(const std::string& item) {
    if (StartRecordingFor(item)) return true;
    CMacroControlUI* editor = MacroEditorOf(nullptr);
    return editor && editor->InsertMouseButton(item);
}

}  // namespace kx58
