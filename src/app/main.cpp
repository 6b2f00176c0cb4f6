// kx58: the device configurator's entry. Start-up and shutdown run in a fixed order: fonts,
// single instance, window backend, skin resources, control classes, messages, the main
// window and its loop; then everything is released in reverse, the instance mutex last.
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "app/startup.h"
#include "platform/debug_trace.h"
#include "platform/folders.h"
#include "platform/message_queue.h"
#include "platform/worker_thread.h"
#include "ui/autostart.h"
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
    // Asleep until a signal or the exit event: a signalfd read in the same wait.
    const int fd = signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
    if (fd < 0) return kx58::DebugTrace("stop signals: no signalfd; SIGTERM and SIGINT stay blocked");
    pollfd watched{fd, POLLIN, 0};
    while (kx58::WaitEventOrFds(exitEvent, std::span(&watched, 1), kx58::kInfinite) != kx58::kWaitEventSet) {
        signalfd_siginfo info;
        while (read(fd, &info, sizeof info) == static_cast<ssize_t>(sizeof info))
            kx58::PostMessage(window, kx58::WM_CLOSE, 0, 0);
    }
    close(fd);
}

// "--hidden": started by the session's autostart, the program waits in the tray.
struct StartOptions {
    bool hidden = false;
};

std::optional<StartOptions> ParseOptions(int argc, char** argv) {
    StartOptions options;
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == kx58::kStartHiddenOption) {
            options.hidden = true;
            continue;
        }
        std::fprintf(stderr, "kx58: unknown option %s (known: %s)\n", argv[i], kx58::kStartHiddenOption);
        return std::nullopt;
    }
    return options;
}

int Refuse(const std::string& problem) {
    std::fprintf(stderr, "kx58: cannot start: %s\n", problem.c_str());
    return 1;
}

int RunMainWindow(const sigset_t& stopSignals, const StartOptions& options) {
    using namespace kx58;
    auto window = std::make_unique<CMainWnd>();
    if (options.hidden) window->StartInTray();
    const DWORD style = options.hidden ? ui::UI_WNDSTYLE_FRAME & ~ui::WS_VISIBLE : ui::UI_WNDSTYLE_FRAME;
    if (!window->Create(nullptr, kAppName, style, 0, 0, 0, kMainWindowWidth, kMainWindowHeight)) {
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

int main(int argc, char** argv) {
    using namespace kx58;
    const std::optional<StartOptions> options = ParseOptions(argc, argv);
    if (!options) return 2;
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

    const int result = problem.empty() ? RunMainWindow(stopSignals, *options) : Refuse(problem);

    ui::CResourceManager::GetInstance()->Release();
    UnloadPrivateFonts(fonts);
    instance.reset();  // last: a start during shutdown still finds this instance
    return result;
}
