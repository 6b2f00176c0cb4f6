#include "ui/set_wnd.h"

#include <algorithm>

#include "platform/debug_trace.h"
#include "platform/folders.h"
#include "platform/message_queue.h"
#include "platform/shell_execute.h"
#include "ui/about_wnd.h"
#include "ui/app_messages.h"
#include "ui/autostart.h"
#include "ui/auxiliary_window.h"
#include "ui/language.h"
#include "uikit/button.h"
#include "uikit/container.h"
#include "uikit/dialog_builder.h"
#include "uikit/resource_manager.h"

namespace kx58 {
namespace {

constexpr UINT kUpdateResultMessage = WM_USER + 0x900;
constexpr const char* kUpdateItemXml = "XML\\CustomControlXML\\device_Update_list_item.xml";
constexpr int kButtonGap = 30;
constexpr int kButtonDrop = 60;

struct StatusLook {
    const char* textId;
    const char* image;  // null: the busy ring instead of the status image
};
constexpr StatusLook kStatusLooks[] = {
    {"GetUpdateInfoText", nullptr},
    {"HaveUpdateInfoText", "common/update_attention.png"},
    {"NoUpdateInfoText", "common/update_attention.png"},
    {"ISUpdateINGText", nullptr},
    {"UpdateIsLastText", "common/update_status.png"},
};

constexpr const char* kItemStateTexts[] = {"UpdatePendingText", "UpdateNoLinkText", "UpdateFailedText",
                                           "UpdateNewerText", "UpdateCurrentText"};

std::string LanguageText(const std::string& id) {
    std::string text;
    return ui::CResourceManager::GetInstance()->FindText(id, text) ? text : id;
}

// The summary of every entry's answer: a newer version anywhere, else all current, else no information.
CSetWnd::Status SummaryOf(const std::vector<UpdateItemState>& states) {
    if (std::find(states.begin(), states.end(), UpdateItemState::Newer) != states.end()) return CSetWnd::Status::HaveUpdate;
    const bool allCurrent = !states.empty() && std::all_of(states.begin(), states.end(),
                                                           [](UpdateItemState s) { return s == UpdateItemState::Current; });
    return allCurrent ? CSetWnd::Status::UpToDate : CSetWnd::Status::NoInfo;
}

}  // namespace

void CUpdateInfoListItemUI::SetPart(const char* name, const std::string& text) {
    if (!m_pManager) return;
    if (ui::CControlUI* part = m_pManager->FindSubControlByName(this, name)) part->SetText(text);
}

void CUpdateInfoListItemUI::ShowEntry(const UpdateProduct& entry) {
    SetPart("update_item_type", UpdateTypeText(entry));
    SetPart("update_item_name", entry.chip == "ALL" ? std::string("app_title") : entry.brand + " " + entry.chip);
    SetPart("update_item_local", LocalVersionText(entry));
    SetPart("update_item_server", "-");
    SetPart("update_item_state", kItemStateTexts[static_cast<int>(UpdateItemState::Pending)]);
}

void CUpdateInfoListItemUI::ShowOutcome(const UpdateOutcome& outcome) {
    SetPart("update_item_state", kItemStateTexts[static_cast<int>(outcome.state)]);
    if (outcome.state == UpdateItemState::NotConnected || outcome.state == UpdateItemState::Failed) return;
    if (!outcome.result.name.empty()) SetPart("update_item_name", outcome.result.name);
    SetPart("update_item_local", outcome.result.localVersionText);
    SetPart("update_item_server", outcome.result.serverVersionText);
}

std::string CUpdateInfoListItemUI::StateText() const {
    ui::CControlUI* part = m_pManager ? m_pManager->FindSubControlByName(const_cast<CUpdateInfoListItemUI*>(this), "update_item_state") : nullptr;
    return part ? part->GetText() : std::string();
}

std::vector<UpdateProduct> BuildUpdateList(const std::vector<int>& deviceVersions, int applicationVersion) {
    std::vector<UpdateProduct> list;
    const auto& table = UpdateProducts();
    for (std::size_t k = 0; k < table.size(); ++k) {
        UpdateProduct entry = table[k];
        const bool application = k + 1 == table.size();
        entry.localVersion = application ? applicationVersion : (k < deviceVersions.size() ? deviceVersions[k] : 0);
        if (entry.localVersion != 0) list.push_back(std::move(entry));
    }
    return list;
}

CSetWnd* CSetWnd::Create(ui::CWindowWnd& owner, SetWndOptions options) {
    auto* window = new CSetWnd(owner.GetHWND(), std::move(options));
    if (!CreateAuxiliaryWindow(*window, owner, "SetWnd", ui::WS_POPUP | ui::WS_VISIBLE, window->m_options.dpi,
                               "SET_WND DPI SET ERROR")) {
        delete window;
        return nullptr;
    }
    if (window->m_options.besideSettingsButton && owner.GetBackendWindow() && window->GetBackendWindow()) {
        const int dpi = window->GetPaintManager().GetDPI();
        const ui::RECT ownerRect = owner.GetBackendWindow()->GetRect();
        const ui::RECT own = window->GetBackendWindow()->GetRect();
        window->MoveWindow(ownerRect.right - own.Width() - kButtonGap * dpi / 96, ownerRect.top + kButtonDrop * dpi / 96);
    }
    return window;
}

void CSetWnd::InitWindow() {
    FillLanguages();
    ShowAutostart();
    const std::optional<std::string> stored = ReadUpdateTime(Folders::UserData());
    m_lastCheckDate = stored ? *stored : UpdateDateToday();
    if (!stored && !WriteUpdateTime(Folders::UserData(), m_lastCheckDate)) DebugTrace("settings: updatetime.config cannot be written");
    FillUpdateList();
    StartUpdateCheck();
    if (m_options.onUpdatePage) {
        if (auto* option = dynamic_cast<ui::COptionUI*>(m_pm.FindControl("set_in_update_wnd_btn"))) option->Selected(true);
    }
}

void CSetWnd::FillLanguages() {
    auto* combo = dynamic_cast<ui::CComboUI*>(m_pm.FindControl("Language_combox_info"));
    if (!combo) return DebugTrace("settings: no language list");
    for (const LanguageEntry& entry : ReadLanguageList(Folders::Defaults())) {
        auto* item = new ui::CListLabelElementUI();
        item->SetText(entry.text);
        combo->Add(item);
    }
    combo->SelectItem(m_options.languageIndex, false, false);
}

void CSetWnd::ShowAutostart() {
    if (auto* option = dynamic_cast<ui::COptionUI*>(m_pm.FindControl("autostart_option")))
        option->Selected(IsAutostartOn(), false);
}

void CSetWnd::SwitchAutostart(bool on) {
    if (!SetAutostart(on)) DebugTraceF("settings: the start with the session cannot be switched %s", on ? "on" : "off");
    ShowAutostart();  // what the session will do, also after a refusal
}

void CSetWnd::FillUpdateList() {
    auto* list = dynamic_cast<ui::CListUI*>(m_pm.FindControl("device_update_list_info"));
    if (!list) return DebugTrace("settings: no update list");
    for (const UpdateProduct& entry : m_options.updates) {
        ui::CDialogBuilder builder;
        auto* item = dynamic_cast<CUpdateInfoListItemUI*>(builder.Create(kUpdateItemXml, {}, this, &m_pm));
        if (!item) {
            DebugTrace("settings: the update list item cannot be built");
            break;
        }
        list->Add(item);
        item->ShowEntry(entry);
        m_items.push_back(item);
    }
}

void CSetWnd::StartUpdateCheck() {
    ShowStatus(Status::Checking);
    if (m_options.updates.empty() || !m_worker.Start(m_options.updates, GetHWND(), kUpdateResultMessage))
        ShowStatus(Status::NoInfo);
}

void CSetWnd::OnUpdateResult(WPARAM index) {
    if (index != UpdateWorker::kAllChecked) {
        const std::optional<UpdateOutcome> outcome = m_worker.Outcome(index);
        if (!outcome || index >= m_items.size()) return;
        m_items[index]->ShowOutcome(*outcome);
        if (outcome->state != UpdateItemState::NotConnected) {
            m_lastCheckDate = UpdateDateToday();
            if (!WriteUpdateTime(Folders::UserData(), m_lastCheckDate)) DebugTrace("settings: updatetime.config cannot be written");
        }
        return;
    }
    std::vector<UpdateItemState> states;
    for (std::size_t i = 0; i < m_items.size(); ++i)
        states.push_back(m_worker.Outcome(i) ? m_worker.Outcome(i)->state : UpdateItemState::Failed);
    ShowStatus(SummaryOf(states));
}

void CSetWnd::ShowStatus(Status status) {
    m_status = status;
    const StatusLook& look = kStatusLooks[static_cast<int>(status)];
    if (ui::CControlUI* ring = m_pm.FindControl("update_status_ring")) ring->SetVisible(!look.image);
    if (ui::CControlUI* image = m_pm.FindControl("update_status_image")) {
        image->SetVisible(look.image != nullptr);
        if (look.image) image->SetBkImage(look.image);
    }
    if (ui::CControlUI* hint = m_pm.FindControl("update_tishi_layout")) hint->SetVisible(status == Status::HaveUpdate);
    std::string text = look.textId;
    // The date is plain text, so the identifier becomes its text here.
    if (status == Status::UpToDate) text = LanguageText(look.textId) + m_lastCheckDate;
    if (ui::CControlUI* label = m_pm.FindControl("Update_Status_text")) label->SetText(text);
    if (status == Status::UpToDate) kx58::SendMessage(m_owner, WM_CLEAR_UPDATE_MARK, 0, 0);
}

void CSetWnd::ShowPage(const char* tabName, int page) {
    if (auto* tab = dynamic_cast<ui::CTabLayoutUI*>(m_pm.FindControl(tabName))) tab->SelectItem(page);
}

ui::CControlUI* CSetWnd::CreateControl(const std::string& className) {
    if (className == "UpdateInfoListItem") return new CUpdateInfoListItemUI();
    return nullptr;
}

void CSetWnd::Notify(ui::TNotifyUI& msg) {
    const std::string name = msg.pSender ? msg.pSender->GetName() : std::string();
    if (msg.sType == ui::DUI_MSGTYPE_ITEMSELECT && name == "Language_combox_info") {
        kx58::SendMessage(m_owner, WM_LANGUAGE_CHANGED, msg.wParam, 0);
    } else if (msg.sType == ui::DUI_MSGTYPE_SELECTCHANGED && msg.wParam != 0 && name == "set_language_btn") {
        ShowPage("set_page_tab", 0);
    } else if (msg.sType == ui::DUI_MSGTYPE_SELECTCHANGED && msg.wParam != 0 && name == "set_in_update_wnd_btn") {
        ShowPage("set_page_tab", 1);
    } else if (msg.sType == ui::DUI_MSGTYPE_SELECTCHANGED && name == "autostart_option") {
        SwitchAutostart(msg.wParam != 0);
    } else if (msg.sType == ui::DUI_MSGTYPE_CLICK) {
        if (name == "update_fw_and_ap") return ShowPage("get_update_tab_layout", 1);
        if (name == "update_summary_btn") return ShowPage("get_update_tab_layout", 0);
        if (name == "check_name_select") return;  // the row's choice is kept by the option itself
        if (name == "homepage_btn") {
            if (!ShellExecute("open", kHomePageAddress, {}, {}, 1)) DebugTrace("settings: the home page cannot be opened");
            return;
        }
        if (name == "update_OK_btn") {
            ShowStatus(Status::Updating);
            kx58::PostMessage(m_owner, WM_START_UPGRADE, 0, 0);
            return;
        }
        if (name == "laterbtn" || name == "closebtn") return Close(ui::IDCANCEL);
    }
    WindowImplBase::Notify(msg);
}

LRESULT CSetWnd::HandleCustomMessage(UINT message, WPARAM wParam, LPARAM, bool& handled) {
    handled = true;
    if (message == kUpdateResultMessage) {
        OnUpdateResult(wParam);
    } else if (message == WM_LANGUAGE_CHANGED) {
        ShowStatus(m_status);  // the date text is rebuilt in the new language
        m_pm.NeedUpdate();
    } else {
        handled = false;
    }
    return 0;
}

LRESULT CSetWnd::OnDestroy(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    if (!m_worker.Stop(1000)) DebugTrace("settings: the update check did not end in time");
    return WindowImplBase::OnDestroy(message, wParam, lParam, handled);
}

void CSetWnd::OnFinalMessage(HWND hwnd) {
    WindowImplBase::OnFinalMessage(hwnd);
    delete this;
}

}  // namespace kx58
