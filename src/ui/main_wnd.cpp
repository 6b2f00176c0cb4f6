#include "ui/main_wnd.h"

#include <algorithm>

#include "platform/debug_trace.h"
#include "platform/folders.h"
#include "platform/message_queue.h"
#include "platform/session_bus.h"
#include "ui/control_classes.h"
#include "platform/program_version.h"
#include "uikit/button.h"
#include "uikit/label.h"
#include "uikit/resource_manager.h"

namespace kx58 {
namespace {

std::atomic<bool> g_processActive{true};

}  // namespace

bool IsProcessActive() { return g_processActive.load(); }
void SetProcessActive(bool active) { g_processActive.store(active); }

CMainWnd::CMainWnd()
    : m_messages(Messages()), m_hooks(RegisteredHookMessages()), m_language(Folders::Defaults()),
      m_audioLink(m_messages.UWM_AUDIORECORD_CMD_MSG), m_slots(SupportedDevices()),
      m_versionDescriptor(VersionDescriptor()) {
    BuildMessageRoutes();
}

CMainWnd::~CMainWnd() {
    // Normally stopped at WM_DESTROY; this covers a window object destroyed without it.
    m_shuttingDown = true;
    std::shared_ptr<MessageQueue> queue = MessageQueue::ForCurrentThread();
    m_threads.StopAll([&queue] { queue->DispatchSends(); });
}

void CMainWnd::InitWindow() {
    // The texts before any language is chosen: the shipped default.
    ui::CResourceManager::GetInstance()->LoadLanguage("lan_cn.xml");
    m_tray.CreateTrayIcon(GetHWND(), kMainIconId, kAppName, WM_TRAY_NOTIFY,
                          ui::CResourceManager::GetInstance()->ResolvePath("common/tray.png"));
    const HWND self = GetHWND();
    m_reachable = std::make_unique<MessageWindow>(
        [self](UINT message, WPARAM wParam, LPARAM lParam) { return kx58::SendMessage(self, message, wParam, lParam); });
    // Other processes reach only the numbers meant for them: nothing that carries a pointer,
    // builds or closes the window, or stands for a device event.
    const auto admits = [outside = OutsideMessages(m_messages, m_hooks)](UINT message) {
        return std::binary_search(outside.begin(), outside.end(), message);
    };
    if (!m_reachable->MakeReachable(kMainWindowClass, kAppName, admits))
        DebugTrace("main window: not reachable from other programs");
}

void CMainWnd::OnWindowInit() {
    if (m_windowInitialised) return;  // a repeated window-init must not build the pages again
    BroadcastSystemMessage(BSF_POSTMESSAGE, BSM_APPLICATIONS, m_messages.UWM_APP_ANNOUNCE_MSG, 1, 1);
    m_language.Apply(ReadStoredLanguageIndex(Folders::Defaults()), m_pm);
    BuildSlotList();
    CreatePage(0);  // mouse
    CreatePage(1);  // keyboard
    const ui::RECT monitor = GetBackendWindow() ? GetBackendWindow()->GetMonitorRect() : ui::RECT{};
    m_screenWidth = monitor.Width();
    m_screenHeight = monitor.Height();
    ShowWindow(false);
    StartThreads();
    // The capture program's daemon (thread slot 1), then the program itself.
    m_audioLink.Start(m_threads, GetHWND(), m_reachable ? m_reachable->Hwnd() : GetHWND());
    kx58::SetTimer(GetHWND(), kTimerSizeFix, kTimerSizeFixMs);
    m_windowInitialised = true;
}

void CMainWnd::StartThreads() {
    if (m_discovery.Start(GetHWND())) {
        m_threads.Adopt(kDeviceCaptureSlot, "device capture",
                        [this](std::uint32_t ms) { return m_discovery.Stop(ms); });
    } else {
        DebugTrace("main window: the device-capture loop did not start");
    }
    if (!m_threads.Start(kLightSyncSlot, "light sync", [this](Event& stop) { m_lightSync.Run(stop); }))
        DebugTrace("main window: the synchronised lighting did not start");
    if (m_sleepWatch.Start(GetHWND()))
        m_threads.Adopt(kSleepWatchSlot, "sleep watch", [this](std::uint32_t ms) { return m_sleepWatch.Stop(ms); });
}

ui::CControlUI* CMainWnd::CreateControl(const std::string& className) {
    return CreateProgramControl(className, this, &m_pm);
}

LRESULT CMainWnd::OnTimer(UINT, WPARAM wParam, LPARAM, bool& handled) {
    handled = true;
    kx58::KillTimer(GetHWND(), wParam);
    switch (wParam) {
        case kTimerSizeFix:
            FixSizeAndDpi();
            m_pm.Invalidate();
            m_audioLink.Connect();
            break;
        case kTimerTrayMenu: OpenTrayMenu(); break;
        case kTimerTrayCheck: LeaveTrayWithoutPanel(); break;
        case kTimerGameRestore: OnGameRestore(); break;
        case kTimerProfileSwitch: FinishProfileSwitch(); break;
        case kTimerLightWrite: FinishLightWrite(); break;
        default: handled = false; break;
    }
    return 0;
}

LRESULT CMainWnd::OnDestroy(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    DebugTrace("退出测试");
    m_shuttingDown = true;
    ShowWindow(false);
    // Threads blocked in a send to this window are answered while they are waited for.
    std::shared_ptr<MessageQueue> queue = MessageQueue::ForCurrentThread();
    m_lastStop = m_threads.StopAll([&queue] { queue->DispatchSends(); });
    m_audioLink.Disconnect();  // while the program's last blocks can still reach the window
    m_tray.DeleteTrayIcon();
    m_reachable.reset();
    PostQuitMessage(0);
    return ui::WindowImplBase::OnDestroy(message, wParam, lParam, handled);
}

}  // namespace kx58
