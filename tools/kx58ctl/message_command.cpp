#include "message_command.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/folders.h"
#include "platform/message_queue.h"
#include "platform/session_bus.h"
#include "ui/app_messages.h"
#include "ui/main_wnd.h"

namespace kx58ctl {
namespace {

kx58::HWND FindProgram() {
    const kx58::HWND window = kx58::FindWindow(kx58::kMainWindowClass, kx58::kAppName);
    if (!window) std::fprintf(stderr, "kx58ctl: the program is not running\n");
    return window;
}

}  // namespace

int SendLightControl(const char* state) {
    const bool on = std::strcmp(state, "on") == 0;
    if (!on && std::strcmp(state, "off") != 0) {
        std::fprintf(stderr, "kx58ctl: light-control takes on or off\n");
        return 2;
    }
    const kx58::HWND window = FindProgram();
    if (!window) return 1;
    const auto& messages = kx58::RegisterAppMessages();
    if (!kx58::PostMessage(window, messages.UWM_LIGHT_CONTROL_MSG, 1, on ? 1 : 0)) return 1;
    return 0;
}

int SendInstance() {
    const auto& messages = kx58::RegisterAppMessages();
    const long reached = kx58::BroadcastSystemMessage(kx58::BSF_POSTMESSAGE, kx58::BSM_APPLICATIONS,
                                                      messages.UWM_APP_INSTANCE_MSG, 0, 1);
    if (reached <= 0) {
        std::fprintf(stderr, "kx58ctl: the program is not running\n");
        return 1;
    }
    return 0;
}

int SendOpenSettings() {
    const kx58::HWND window = FindProgram();
    if (!window) return 1;
    return kx58::PostMessage(window, kx58::WM_OPEN_SETWND, 0, 0) ? 0 : 1;
}

int SendStartUpgrade(const char* lParam) {
    char* end = nullptr;
    const long value = std::strtol(lParam, &end, 10);
    if (end == lParam || *end != '\0') {
        std::fprintf(stderr, "kx58ctl: start-upgrade takes a number\n");
        return 2;
    }
    const kx58::HWND window = FindProgram();
    if (!window) return 1;
    return kx58::PostMessage(window, kx58::WM_START_UPGRADE, 0, value) ? 0 : 1;
}

}  // namespace kx58ctl
