#include "ui/device_hook.h"

#include <cstdlib>

#include "platform/message_queue.h"
#include "ui/app_messages.h"

namespace kx58 {

std::unique_ptr<InputDeviceSource> MakeProgramInputSource() {
    const char* folder = std::getenv("KX58_INPUT_DEVICES");
    return MakeEvdevInputSource(folder && *folder ? folder : "/dev/input");
}

CDeviceHook::CDeviceHook(std::unique_ptr<InputDeviceSource> devices) : input_(std::move(devices)) {}

CDeviceHook::~CDeviceHook() { Unhook(); }

int CDeviceHook::SetHook(int owner, std::uint32_t mode, HWND window, bool keyboardHook, bool libraryHook) {
    Unhook();
    const bool installed = (keyboardHook || libraryHook) &&
                           input_.Install([this](const InputHookEvent& event) { Dispatch(event); }, keyboardHook);
    if (keyboardHook && !installed) return 0;
    owner_ = owner;
    mode_ = mode;
    window_ = window;
    libraryHook_ = libraryHook;
    return 1;
}

void CDeviceHook::Unhook() {
    input_.Uninstall();
    libraryHook_ = false;
    mode_ = 0;
}

void CDeviceHook::Dispatch(const InputHookEvent& event) {
    if (event.IsKey()) {
        // The window's own copy of a key is the keyboard hook's too; without it keys pass.
        if (const UINT message = HookMessageForMode(mode_))
            SendMessage(window_, message, event.message, reinterpret_cast<LPARAM>(&event.key));
        return;
    }
    if (!libraryHook_) return;
    if (const UINT message = MouseHookMessageForMode(mode_))
        SendMessage(window_, message, event.message, reinterpret_cast<LPARAM>(&event.mouse));
}

}  // namespace kx58
