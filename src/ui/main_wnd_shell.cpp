// The main window's shell around the device pages: the skin window and the background it
// chooses, the settings and about windows, the language message to the open auxiliary
// windows, and the launch of the upgrade program.
#include <atomic>

#include "platform/debug_trace.h"
#include "platform/folders.h"
#include "platform/message_queue.h"
#include "platform/shell_execute.h"
#include "ui/about_wnd.h"
#include "ui/main_wnd.h"
#include "ui/msg_wnd.h"
#include "ui/set_wnd.h"

namespace kx58 {
namespace {

// Set by an upgrade message that only announces the upgrade (lParam 260 and above).
std::atomic<bool> g_upgradePending{false};
constexpr LPARAM kUpgradeAnnounceOnly = 260;
constexpr const char* kUpgradeParameters = "On the upgrade";

}  // namespace

bool IsUpgradePending() { return g_upgradePending.load(); }

HWND CMainWnd::SkinWindow() const { return m_skinWnd && IsWindow(m_skinWnd) ? m_skinWnd : nullptr; }

void CMainWnd::OnSkinButton(ui::TNotifyUI&, int) {
    if (!m_skinReceiver.IsListening())
        m_skinReceiver.Listen([this](const SkinChangedParam& param) { ShowBackground(param); });
    if (SkinWindow()) return;  // one at a time
    m_skinFrame = CSkinFrame::Open(*this, m_dpi);
    m_skinWnd = m_skinFrame ? m_skinFrame->GetHWND() : nullptr;
}

LRESULT CMainWnd::OnShellDestroy(WPARAM, LPARAM) {
    if (SkinWindow()) m_skinFrame->Destroy();  // deletes itself
    m_skinFrame = nullptr;
    m_skinWnd = nullptr;
    m_skinReceiver.Cancel();
    return 0;
}

void CMainWnd::ShowBackground(const SkinChangedParam& param) {
    ui::CControlUI* root = m_pm.FindControl("root");
    if (!root) return;
    root->SetBkColor(param.useColour ? param.colour : 0);
    root->SetBkImage(param.useColour ? std::string() : param.image);
}

void CMainWnd::OnSettingsButton(ui::TNotifyUI&, int) { OpenSettings(true); }

LRESULT CMainWnd::OnOpenSettingsMessage(WPARAM, LPARAM) {
    // Sent from outside when there is news about an update: the window opens on that page.
    if (!m_shuttingDown) OpenSettings(false, true);
    return 0;
}

std::vector<UpdateProduct> CMainWnd::CurrentUpdateList() {
    // A product row's local version is the firmware of the open device with the row's product id.
    std::vector<int> firmware;
    for (const UpdateProduct& row : UpdateProducts()) {
        int version = 0;
        for (const DevicePage& page : m_pages) {
            if (!page.device || !page.device->IsOpen() || DeviceTypeRows()[page.typeRow].productId != row.secondNumber) continue;
            const auto& info = page.device->DeviceInformation();
            version = info[1] << 8 | info[2];
        }
        firmware.push_back(version);
    }
    return BuildUpdateList(firmware, InstalledApplicationVersion());
}

void CMainWnd::OpenSettings(bool besideSettingsButton, bool onUpdatePage) {
    if (m_settingsWnd) return;  // never twice at a time
    SetWndOptions options{.dpi = m_dpi, .languageIndex = std::max(m_language.Current(), 0),
                          .updates = CurrentUpdateList(), .besideSettingsButton = besideSettingsButton, .onUpdatePage = onUpdatePage};
    CSetWnd* settings = CSetWnd::Create(*this, std::move(options));
    if (!settings) return DebugTrace("main window: the settings window cannot be created");
    m_settingsWnd = settings->GetHWND();
    settings->ShowModal();  // the window deletes itself
    m_settingsWnd = nullptr;
}

bool CMainWnd::OnShellMenuCommand(const std::string& item) {
    if (item == "about_menu") CAboutWnd::Show(*this, m_dpi);
    else if (item == "setwnd_menu") OpenSettings(false);
    else return false;
    return true;
}

void CMainWnd::TellAuxiliaryWindowsLanguage() {
    for (HWND aux : {m_settingsWnd, SkinWindow(), CAboutWnd::OpenWindow()})
        if (aux && IsWindow(aux)) kx58::SendMessage(aux, WM_LANGUAGE_CHANGED, 0, 0);
}

LRESULT CMainWnd::OnStartUpgrade(WPARAM, LPARAM lParam) {
    const std::string folder = m_upgradeFolder.empty() ? Folders::Update() : m_upgradeFolder;
    if (lParam >= kUpgradeAnnounceOnly) {
        g_upgradePending.store(true);
        return 0;
    }
    g_upgradePending.store(false);
    if (ui::CControlUI* layer = m_pm.FindControl("No_device_Link")) layer->SetVisible(true);
    if (CMsgWnd::ShowMessage(*this, "tips_text", "UpdateTiShiText", m_dpi, true, kMessageButtonsConfirmCancel) != 1) {
        // The user declined the upgrade the upgrade program asked for: the program ends.
        DebugTrace("upgrade declined: the program ends");
        Close(ui::IDOK);
        return 0;
    }
    const std::string program = folder + kUpgradeProgramName;
    if (!ShellExecute("open", program, kUpgradeParameters, folder, 1)) {
        DebugTraceF("upgrade: %s cannot be started", program.c_str());
        CMsgWnd::ShowMessage(*this, "tips_text", "UpgradeMissingText", m_dpi, true, kMessageButtonsConfirm);
    }
    return 0;
}

}  // namespace kx58
