#pragma once
// CDeviceProfileUI: the profile control of a device page. It keeps the page's profile list
// (ProfileList) and shows it: the names in "device_profile_combo", the selected one in
// "device_profile_name_edit", the operation buttons in "profile_menu_layout", and the page's
// option tabs. The controls are looked up inside this control on first use, so every page
// of the one paint manager finds its own.
#include <string>

#include "profile/profile_list.h"
#include "uikit/container.h"

namespace kx58::ui {
class CComboUI;
class CEditUI;
}  // namespace kx58::ui

namespace kx58 {

class CDeviceProfileUI : public ui::CHorizontalLayoutUI {
public:
    std::string GetClass() const override { return "DeviceProfileUI"; }
    void* GetInterface(std::string_view name) override;

    void SetDeviceType(int kind);
    void SetPaths(const std::string& profileDirectory, const std::string& defaultDocumentPath);
    // Creates the list when needed, fills the combo, selects the stored selection and hides
    // the option tabs the device type does not use. False when the list could not be written.
    bool InitProfileList();
    bool SelectProfile(int index, bool takeFocus = false);
    // The combo's selection, -1 without one (or without the combo).
    int GetSelectedIndex();
    const std::string& GetCurrentUUID() const { return list_.GetCurrentUUID(); }
    std::string GetNameEditText();
    void SetNameEditText(const std::string& text);
    void ShowProfileMenu(bool show);
    bool IsProfileMenuVisible();
    int GetProfileCount() { return list_.GetProfileCount(); }
    std::string GetProfilePathAt(int index) const { return list_.GetProfilePathAt(index); }

    // The operations of the page's buttons; each refreshes the combo from the list file.
    bool AddProfile();
    bool CopyProfile();
    bool DeleteProfile();
    ProfileList::RenameResult RenameProfile(const std::string& name);
    bool ImportProfile(const std::string& path);
    bool ExportProfile(const std::string& path);
    bool ResetProfile();
    // Selects option tab n (1 lighting ... 8 virtual 7.1) and deselects the others.
    void SelectOperationTab(int n);

    ProfileList& List() { return list_; }

private:
    ui::CComboUI* Combo();
    ui::CEditUI* NameEdit();
    ui::CControlUI* Find(const std::string& name);
    // The combo shows the list file's names; the selection stays where it was.
    void RefillCombo();
    void HideUnusedTabs();

    ProfileList list_;
    ui::CComboUI* combo_ = nullptr;
    ui::CEditUI* nameEdit_ = nullptr;
    int kind_ = 0;
};

// Registers "DeviceProfile" with the control factory.
void RegisterProfileControls();

}  // namespace kx58
