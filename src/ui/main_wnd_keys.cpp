// The key tab of the keyboard and mouse pages: a click on a key or button of the device
// picture chooses what the key assignment editor edits; save stores the editor's code in the
// profile's key list and writes the key table (and the macro image the keys need).
#include <algorithm>
#include <string>
#include <vector>

#include "device/device_page_controls.h"
#include "device/protocol/command_report.h"
#include "device/protocol/key_code_tables.h"
#include "device/quorin_products.h"
#include "editors/key_set_control_ui.h"
#include "platform/debug_trace.h"
#include "profile/macro_files.h"
#include "ui/main_wnd.h"
#include "ui/msg_wnd.h"
#include "uikit/resource_manager.h"

namespace kx58 {
namespace {

constexpr std::uint32_t kDisabledKeyCode = 0;  // the "none" function: the key does nothing

KeyAssignmentEntry* EntryOf(std::vector<KeyAssignmentEntry>& list, int key) {
    const auto found = std::find_if(list.begin(), list.end(), [key](const KeyAssignmentEntry& e) { return e.keyIndex == key; });
    return found == list.end() ? nullptr : &*found;
}

}  // namespace

CQuorinUSBDevice* CMainWnd::KeyEditing(CKeySetControlUI*& editor) {
    DevicePage* page = SelectedPage();
    CQuorinUSBDevice* device = page && page->device && page->device->KeyProfileData() ? page->device : nullptr;
    ui::CControlUI* found = device ? m_pm.FindSubControlByName(device, "KeySetControlItem") : nullptr;
    editor = found ? static_cast<CKeySetControlUI*>(found->GetInterface("KeySetControl")) : nullptr;
    return editor ? device : nullptr;
}

std::uint32_t CMainWnd::StoredKeyCode(CQuorinUSBDevice& device, int key, bool factory) {
    std::vector<KeyAssignmentEntry> list = device.KeyProfileData()->GetKeyList();
    const KeyAssignmentEntry* entry = EntryOf(list, key);
    const std::span<const KeyCode> defaults = device.PageKeyDefaults();
    if (!entry) return static_cast<std::size_t>(key) < defaults.size() ? defaults[static_cast<std::size_t>(key)].Assignment() : 0;
    return factory ? entry->defaultAssignment.Code() : entry->assignment.Code();
}

void CMainWnd::PrepareKeyEditor(CQuorinUSBDevice& device, CKeySetControlUI& editor) {
    std::vector<std::string> names;
    for (const MacroEntry& macro : ReadMacroLibrary(device.GetDataFolder())) names.push_back(macro.name);
    editor.SetMacroNames(names);
    editor.SetDeviceMode(device.KeyEditorMode());
    editor.SetReferenceCode(kDisabledKeyCode);
}

int CMainWnd::EditedKey(const CQuorinUSBDevice& device) const {
    return m_editedKeyDevice == &device ? m_editedKey : -1;
}

void CMainWnd::RefreshKeyTab() {
    CKeySetControlUI* editor = nullptr;
    CQuorinUSBDevice* device = KeyEditing(editor);
    if (!device) return;
    PrepareKeyEditor(*device, *editor);
    // Each key tells what it does when the pointer rests on it.
    const std::vector<ui::CControlUI*>& buttons = device->KeyButtons();
    const std::size_t keys = std::min(buttons.size(), device->PageKeyDefaults().size());
    for (std::size_t key = 0; key < keys; ++key)
        if (buttons[key]) buttons[key]->SetToolTip(editor->DescribeAssignment(StoredKeyCode(*device, static_cast<int>(key), false)));
    if (const int key = EditedKey(*device); key >= 0) editor->ShowAssignment(StoredKeyCode(*device, key, false));
}

void CMainWnd::OnKeyChosen(ui::TNotifyUI& msg, int number) {
    CKeySetControlUI* editor = nullptr;
    CQuorinUSBDevice* device = KeyEditing(editor);
    ui::CControlUI* keysPage = device ? m_pm.FindSubControlByName(device, "keys_page") : nullptr;
    // Keys are chosen on the key tab only; elsewhere a click on a key belongs to the lighting.
    if (!keysPage || !keysPage->IsVisible() || number < 0 || number >= static_cast<int>(device->PageKeyDefaults().size())) return;
    const std::vector<ui::CControlUI*>& buttons = device->KeyButtons();
    if (static_cast<std::size_t>(number) >= buttons.size() || buttons[static_cast<std::size_t>(number)] != msg.pSender) return;
    for (ui::CControlUI* button : buttons)
        if (auto* key = dynamic_cast<CDeviceKeyButtonUI*>(button)) key->SetKeySelected(button == msg.pSender);
    m_editedKey = number;
    m_editedKeyDevice = device;
    PrepareKeyEditor(*device, *editor);
    editor->ShowAssignment(StoredKeyCode(*device, number, false));
    editor->SetButtonsEnabled(true);
    if (ui::CControlUI* shown = m_pm.FindSubControlByName(editor, "key_selected_name")) shown->SetText(msg.pSender->GetText());
}

void CMainWnd::OnKeySave(ui::TNotifyUI&, int) {
    CKeySetControlUI* editor = nullptr;
    CQuorinUSBDevice* device = KeyEditing(editor);
    const int edited = device ? EditedKey(*device) : -1;
    if (edited < 0) return;
    const std::uint32_t code = editor->BuildAssignment();
    std::vector<KeyAssignmentEntry> list = device->KeyProfileData()->GetKeyList();
    if (KeyAssignmentEntry* entry = EntryOf(list, edited)) {
        entry->assignment = AssignmentBytes::FromCode(code);
    } else {
        const auto factory = AssignmentBytes::FromCode(device->PageKeyDefaults()[static_cast<std::size_t>(edited)].Assignment());
        const auto key = static_cast<std::uint16_t>(edited);
        list.push_back({key, AssignmentBytes::FromCode(code), key, factory});
    }
    device->KeyProfileData()->SetKeyList(list);
    SaveAndWriteKeys(*device);
    RefreshKeyTab();  // the key as it now stands (right modifiers show as left ones)
}

void CMainWnd::OnKeyCancel(ui::TNotifyUI&, int) {
    CKeySetControlUI* editor = nullptr;
    CQuorinUSBDevice* device = KeyEditing(editor);
    if (device && EditedKey(*device) >= 0) editor->ShowAssignment(StoredKeyCode(*device, EditedKey(*device), false));
}

void CMainWnd::OnKeyDefault(ui::TNotifyUI&, int) {
    CKeySetControlUI* editor = nullptr;
    CQuorinUSBDevice* device = KeyEditing(editor);
    if (device && EditedKey(*device) >= 0) editor->ShowAssignment(StoredKeyCode(*device, EditedKey(*device), true));
}

void CMainWnd::OnKeyProfileSave(ui::TNotifyUI&, int) {
    CKeySetControlUI* editor = nullptr;
    if (CQuorinUSBDevice* device = KeyEditing(editor)) SaveAndWriteKeys(*device);
}

void CMainWnd::OnKeyEditorEdit(ui::TNotifyUI& msg, int) {
    CKeySetControlUI* editor = nullptr;
    if (KeyEditing(editor) && msg.pSender && m_pm.FindSubControlByName(editor, msg.pSender->GetName()) == msg.pSender)
        editor->TakeUserEdit(msg);
}

void CMainWnd::OnKeyEditLeft(ui::TNotifyUI& msg, int number) {
    // The key edit no longer takes keys: the system-wide capture goes with it.
    SendMessage(WM_HOOK_CONTROL, 0, 0);
    OnKeyEditorEdit(msg, number);
}

void CMainWnd::SaveAndWriteKeys(CQuorinUSBDevice& device) {
    if (!device.KeyProfileData()->Save()) {
        DebugTrace("keys: the profile cannot be saved");
        Ask("key_profile_save_failed_text", kMessageButtonsConfirm);
    }
    if (!device.IsOpen()) return;  // in the profile; written when the device comes
    const int macroResult = device.ApplyMacros(device.CollectUsedMacros());
    if (device.ApplyProfileKeys() != kResultOk) DebugTrace("keys: the key table was not written");
    TellMacroImageResult(macroResult);
}

void CMainWnd::TellMacroImageResult(int result) {
    if (result == -1) {
        Ask("message_text_7", kMessageButtonsConfirm);
    } else if (result > 0) {
        std::string text;
        ui::CResourceManager::GetInstance()->FindText("message_text_16", text);
        if (const std::size_t at = text.find("%d"); at != std::string::npos) text.replace(at, 2, std::to_string(result));
        CMsgWnd::ShowMessage(*this, {}, text.empty() ? std::to_string(result) : text, m_dpi, false, kMessageButtonsConfirm);
    }
}

}  // namespace kx58
