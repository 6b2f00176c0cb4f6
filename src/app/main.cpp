// kx58: the device configurator's entry. Start-up and shutdown run in a fixed order: fonts,
// single instance, window backend, skin resources, control classes, messages, the main
// window and its loop; then everything is released in reverse, the instance mutex last.
#include <signal.h>

#include <cstdio>
#include <memory>
#include <string>

#include "app/startup.h"
#include "platform/debug_trace.h"
#include "platform/folders.h"
#include "platform/message_queue.h"
#include "platform/worker_thread.h"
#include "ui/app_messages.h"
#include "ui/control_classes.h"
#include "ui/main_wnd.h"
#include "uikit/backend_choice.h"
#include "uikit/paint_manager.h"
#include "uikit/resource_manager.h"

namespace {

// SIGTERM and SIGINT close the main window, so a session logout or Ctrl+C shuts down in order
// (threads stopped, files closed) instead of dying mid-write. The signals are blocked in every
// thread; this one takes them.
void BlockStopSignals(sigset_t& set) {
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

void WatchStopSignals(kx58::Event& exitEvent, sigset_t set, kx58::HWND window) {
    const timespec step{0, 100 * 1000 * 1000};
    while (!exitEvent.IsSet()) {
        if (sigtimedwait(&set, nullptr, &step) > 0) kx58::PostMessage(window, kx58::WM_CLOSE, 0, 0);
    }
}

int Refuse(const std::string& problem) {
    std::fprintf(stderr, "kx58: cannot start: %s\n", problem.c_str());
    return 1;
}

int RunMainWindow(const sigset_t& stopSignals) {
    using namespace kx58;
    auto window = std::make_unique<CMainWnd>();
    if (!window->Create(nullptr, kAppName, ui::UI_WNDSTYLE_FRAME, 0, 0, 0, kMainWindowWidth, kMainWindowHeight)) {
        std::fprintf(stderr, "kx58: the main window could not be created\n");
        return 1;
    }
    window->CenterWindow();
    WorkerThread signalWatch;
    const HWND hwnd = window->GetHWND();
    signalWatch.Start("stop signals", [stopSignals, hwnd](Event& exit) { WatchStopSignals(exit, stopSignals, hwnd); });
    ui::CPaintManagerUI::MessageLoop();
    signalWatch.Stop(1000);
    window->Destroy();  // when the loop ended for another reason than the window's end
    return 0;
}

}  // namespace

int main() {
    using namespace kx58;
    sigset_t stopSignals;
    BlockStopSignals(stopSignals);
    auto fonts = LoadPrivateFonts(Folders::Program());
    unsigned instanceMessage = 0;
    std::string problem;
    std::unique_ptr<NamedMutex> instance = ClaimSingleInstance(instanceMessage, &problem);
    if (!instance) {
        UnloadPrivateFonts(fonts);
        if (problem.empty()) return 0;  // another instance runs; it was told to come to the front
        return Refuse(problem);
    }
    RemoveInterruptedWrites();
    if (!ui::SetUpWindowBackend("kx58")) {
        UnloadPrivateFonts(fonts);
        return 1;
    }
    ui::CPaintManagerUI::SetResourcePath(Folders::Skin());
    ui::CResourceManager::GetInstance()->LoadResource("res.xml");
    RegisterProgramControls();
    // Other programs and copies talk to the window only through these messages.
    problem = RegisterProgramMessages();

    const int result = problem.empty() ? RunMainWindow(stopSignals) : Refuse(problem);

    ui::CResourceManager::GetInstance()->Release();
    UnloadPrivateFonts(fonts);
    instance.reset();  // last: a start during shutdown still finds this instance
    return result;
}
