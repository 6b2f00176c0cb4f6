#include "profile/device_profile_ui.h"

#include "platform/debug_trace.h"
#include "uikit/button.h"
#include "uikit/control_factory.h"
#include "uikit/edit.h"
#include "uikit/list.h"
#include "uikit/paint_manager.h"

namespace kx58 {
namespace {

constexpr int kComboItemHeight = 30;

// Option tabs by their number in SelectOperationTab.
constexpr const char* kOperationTabs[] = {"deng_Op_tab",      "key_Op_tab",    "macro_Op_tab",
                                          "system_Op_tab",    "cursor_Op_tab", "6533_voice_Op_tab",
                                          "magic_Op_tab",     "Virtual7.1_Op_tab"};

struct TabVisibility {
    int kind;
    std::initializer_list<const char*> hidden;
    std::initializer_list<const char*> shown;
};

// Tabs a device type does not use; tabs not named keep what the skin made of them.
const TabVisibility kTabVisibility[] = {
    {1, {"cursor_Op_tab"}, {}},
    {3, {"cursor_Op_tab", "macro_Op_tab", "system_Op_tab", "key_Op_tab"}, {}},
    {5, {"cursor_Op_tab", "macro_Op_tab", "system_Op_tab", "key_Op_tab"}, {}},
    {4, {"cursor_Op_tab", "macro_Op_tab", "key_Op_tab"}, {}},
    {7, {"cursor_Op_tab", "macro_Op_tab", "system_Op_tab", "key_Op_tab"},
     {"6533_voice_Op_tab", "magic_Op_tab", "Virtual7.1_Op_tab"}},
};

// The page this control belongs to: the ancestor that is a page of a tab layout (the
// device pages of "device_switch"), else the top of the tree.
ui::CControlUI* PageOf(ui::CControlUI* control) {
    ui::CControlUI* page = control;
    while (ui::CControlUI* parent = page->GetParent()) {
        if (parent->GetInterface("TabLayout")) return page;
        page = parent;
    }
    return page;
}

}  // namespace

void* CDeviceProfileUI::GetInterface(std::string_view name) {
    if (name == "DeviceProfile") return this;
    return CHorizontalLayoutUI::GetInterface(name);
}

void CDeviceProfileUI::SetDeviceType(int kind) {
    kind_ = kind;
    list_.SetDeviceType(kind);
}

void CDeviceProfileUI::SetPaths(const std::string& profileDirectory, const std::string& defaultDocumentPath) {
    list_.SetPaths(profileDirectory, defaultDocumentPath);
}

ui::CControlUI* CDeviceProfileUI::Find(const std::string& name) {
    ui::CPaintManagerUI* manager = GetManager();
    if (!manager) return nullptr;
    if (ui::CControlUI* own = manager->FindSubControlByName(this, name)) return own;
    return manager->FindSubControlByName(PageOf(this), name);
}

// Looked up on first use: every operation needs them, and they live as long as the page.
ui::CComboUI* CDeviceProfileUI::Combo() {
    if (!combo_) combo_ = dynamic_cast<ui::CComboUI*>(Find("device_profile_combo"));
    return combo_;
}

ui::CEditUI* CDeviceProfileUI::NameEdit() {
    if (!nameEdit_) nameEdit_ = dynamic_cast<ui::CEditUI*>(Find("device_profile_name_edit"));
    return nameEdit_;
}

bool CDeviceProfileUI::InitProfileList() {
    if (!Combo()) return false;
    const bool written = list_.InitProfileList();
    RefillCombo();
    SelectProfile(list_.GetSelectedIndex(), false);
    HideUnusedTabs();
    return written;
}

void CDeviceProfileUI::RefillCombo() {
    ui::CComboUI* combo = Combo();
    if (!combo) return;
    const int selected = combo->GetCurSel();
    combo->RemoveAll();
    for (const std::string& name : list_.GetProfileNames()) {
        auto* item = new ui::CListLabelElementUI;
        item->SetFixedHeight(kComboItemHeight);
        item->SetText(name);
        item->SetToolTip(name);
        combo->Add(item);
    }
    if (selected >= 0 && selected < combo->GetCount()) combo->SelectItem(selected, false, false);
}

bool CDeviceProfileUI::SelectProfile(int index, bool takeFocus) {
    ui::CComboUI* combo = Combo();
    if (!combo || index < 0 || index >= combo->GetCount()) return false;
    combo->SelectItem(index, takeFocus, false);
    SetNameEditText(combo->GetItemAt(index)->GetText());
    return list_.SelectProfile(index);
}

int CDeviceProfileUI::GetSelectedIndex() {
    ui::CComboUI* combo = Combo();
    return combo ? combo->GetCurSel() : -1;
}

std::string CDeviceProfileUI::GetNameEditText() {
    ui::CEditUI* edit = NameEdit();
    return edit ? edit->GetText() : std::string();
}

void CDeviceProfileUI::SetNameEditText(const std::string& text) {
    if (ui::CEditUI* edit = NameEdit()) edit->SetText(text);
}

void CDeviceProfileUI::ShowProfileMenu(bool show) {
    if (ui::CControlUI* menu = Find("profile_menu_layout")) menu->SetVisible(show);
}

bool CDeviceProfileUI::IsProfileMenuVisible() {
    ui::CControlUI* menu = Find("profile_menu_layout");
    return menu && menu->IsVisible();
}

bool CDeviceProfileUI::AddProfile() {
    if (!Combo() || Combo()->GetCount() >= ProfileList::kAddLimit) return false;
    const bool added = list_.AddProfile();
    RefillCombo();
    return added;
}

bool CDeviceProfileUI::CopyProfile() {
    if (!Combo()) return false;
    const bool copied = list_.CopyProfile();
    RefillCombo();
    return copied;
}

bool CDeviceProfileUI::DeleteProfile() {
    if (!Combo()) return false;
    if (!list_.DeleteProfile()) return false;
    RefillCombo();
    const int next = list_.GetSelectedIndex();
    if (Combo()->GetCount() > 0) Combo()->SelectItem(next, false, false);
    if (next >= 0 && next < Combo()->GetCount()) SetNameEditText(Combo()->GetItemAt(next)->GetText());
    return true;
}

ProfileList::RenameResult CDeviceProfileUI::RenameProfile(const std::string& name) {
    if (!Combo()) return ProfileList::kNoSelection;
    const ProfileList::RenameResult result = list_.RenameProfile(name);
    RefillCombo();
    if (result == ProfileList::kRenamed) {
        const int selected = list_.GetSelectedIndex();
        if (selected >= 0 && selected < Combo()->GetCount()) SetNameEditText(Combo()->GetItemAt(selected)->GetText());
    }
    return result;
}

bool CDeviceProfileUI::ImportProfile(const std::string& path) {
    if (!Combo()) return false;
    const bool imported = list_.ImportProfile(path);
    RefillCombo();
    return imported;
}

bool CDeviceProfileUI::ExportProfile(const std::string& path) { return Combo() && list_.ExportProfile(path); }

bool CDeviceProfileUI::ResetProfile() { return Combo() && list_.ResetProfile(); }

void CDeviceProfileUI::SelectOperationTab(int n) {
    ui::COptionUI* tabs[std::size(kOperationTabs)] = {};
    for (std::size_t i = 0; i < std::size(kOperationTabs); ++i) {
        tabs[i] = dynamic_cast<ui::COptionUI*>(Find(kOperationTabs[i]));
        if (!tabs[i]) return;  // nothing happens unless all eight exist
    }
    for (std::size_t i = 0; i < std::size(kOperationTabs); ++i)
        tabs[i]->Selected(static_cast<int>(i) + 1 == n, static_cast<int>(i) + 1 == n);
}

void CDeviceProfileUI::HideUnusedTabs() {
    for (const TabVisibility& rule : kTabVisibility) {
        if (rule.kind != kind_) continue;
        for (const char* name : rule.hidden)
            if (ui::CControlUI* tab = Find(name)) tab->SetVisible(false);
        for (const char* name : rule.shown)
            if (ui::CControlUI* tab = Find(name)) tab->SetVisible(true);
    }
}

void RegisterProfileControls() {
    ui::CControlFactory::GetInstance()->RegistControl("DeviceProfile", [] { return new CDeviceProfileUI; });
}

}  // namespace kx58
