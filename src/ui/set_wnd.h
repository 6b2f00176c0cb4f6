#pragma once
// CSetWnd: the settings window ("SetWnd", "setwnd.xml"), a modal pop-up of the main window
// with two pages: the interface language with the switch of the start with the session, and
// the update check of the program and of each connected product. A language choice goes to
// the main window, which switches every window and tells this one to show its texts anew.
#include <memory>
#include <string>
#include <vector>

#include "net/update_check.h"
#include "ui/update_worker.h"
#include "uikit/list.h"
#include "uikit/window.h"

namespace kx58 {

// One row of the update page, built from "device_Update_list_item.xml".
class CUpdateInfoListItemUI : public ui::CListContainerElementUI {
public:
    std::string GetClass() const override { return "UpdateInfoListItemUI"; }
    void ShowEntry(const UpdateProduct& entry);
    void ShowOutcome(const UpdateOutcome& outcome);
    std::string StateText() const;

private:
    void SetPart(const char* name, const std::string& text);
};

// The entries the update page checks: one per row of the product table whose local version is
// known; `deviceVersions[k]` is the firmware of row k's product (0 when none is open).
std::vector<UpdateProduct> BuildUpdateList(const std::vector<int>& deviceVersions, int applicationVersion);

struct SetWndOptions {
    int dpi = 96;
    int languageIndex = 0;
    std::vector<UpdateProduct> updates;
    bool besideSettingsButton = false;  // else centred on the owner
    bool onUpdatePage = false;          // else on the language page
};

class CSetWnd : public ui::WindowImplBase {
public:
    // Update page states, each with its text identifier.
    enum class Status { Checking = 0, HaveUpdate = 1, NoInfo = 2, Updating = 3, UpToDate = 4 };

    // Creates the window for `owner` (not yet shown); it deletes itself when it closes.
    static CSetWnd* Create(ui::CWindowWnd& owner, SetWndOptions options);

    std::string GetWindowClassName() const override { return "SetWnd"; }
    std::string GetSkinFile() override { return "setwnd.xml"; }
    void InitWindow() override;
    void Notify(ui::TNotifyUI& msg) override;
    ui::CControlUI* CreateControl(const std::string& className) override;
    LRESULT HandleCustomMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
    LRESULT OnDestroy(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
    void OnFinalMessage(HWND hwnd) override;

    Status CurrentStatus() const { return m_status; }

private:
    CSetWnd(HWND owner, SetWndOptions options) : m_owner(owner), m_options(std::move(options)) {}
    void FillLanguages();
    void ShowAutostart();
    void SwitchAutostart(bool on);
    void StartUpdateCheck();
    void FillUpdateList();
    void OnUpdateResult(WPARAM index);
    void ShowStatus(Status status);
    void ShowPage(const char* tabName, int page);

    HWND m_owner;
    SetWndOptions m_options;
    UpdateWorker m_worker;
    std::vector<CUpdateInfoListItemUI*> m_items;
    std::string m_lastCheckDate;
    Status m_status = Status::Checking;
};

}  // namespace kx58
