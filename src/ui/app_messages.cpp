#include "ui/app_messages.h"

#include <algorithm>

#include <cstring>
#include <mutex>

#include "platform/registered_messages.h"

namespace kx58 {
namespace {

constexpr std::array<const char*, 24> kHookNames = {
    "WM_HOOK_KEY_SINGLEKEY_MSG",        "WM_HOOK_KEY_HITKEY_MSG",          "WM_HOOK_KEY_KBMACRO_MSG",
    "WM_HOOK_KEY_MSMACRO_MSG",          "WM_HOOK_KEY_KBMACROSINGLE_MSG",   "WM_HOOK_KEY_KBMACROPREVIOUS_MSG",
    "WM_HOOK_KEY_KBMACROLATER_MSG",     "WM_HOOK_MOU_SINGLEKEY_MSG",       "WM_HOOK_MOU_HITKEY_MSG",
    "WM_HOOK_MOU_KBMACRO_MSG",          "WM_HOOK_MOU_MSMACRO_MSG",         "WM_HOOK_KEY_MSMACROSINGLE_MSG",
    "WM_HOOK_KEY_MSMACROPREVIOUS_MSG",  "WM_HOOK_KEY_MSMACROLATER_MSG",    "UWM_MOUSERBUTTONDOWN_USER_MSG",
    "UWM_MOUSELBUTTONUP_USER_MSG",      "UWM_MOUSELBUTTONDOWN_USER_MSG",   "UWM_MOUSERBUTTONUP_USER_MSG",
    "UWM_MOUSERBUTTONDOWN_USER_MSG",    "UWM_MOUSEMOVE_USER_MSG",          "Game_Start",
    "Game_End",                         "Game_Kill",                       "Game_Death",
};

// Members of HookMessages in the order of kHookNames.
constexpr std::array<UINT HookMessages::*, 24> kHookMembers = {
    &HookMessages::WM_HOOK_KEY_SINGLEKEY_MSG,       &HookMessages::WM_HOOK_KEY_HITKEY_MSG,
    &HookMessages::WM_HOOK_KEY_KBMACRO_MSG,         &HookMessages::WM_HOOK_KEY_MSMACRO_MSG,
    &HookMessages::WM_HOOK_KEY_KBMACROSINGLE_MSG,   &HookMessages::WM_HOOK_KEY_KBMACROPREVIOUS_MSG,
    &HookMessages::WM_HOOK_KEY_KBMACROLATER_MSG,    &HookMessages::WM_HOOK_MOU_SINGLEKEY_MSG,
    &HookMessages::WM_HOOK_MOU_HITKEY_MSG,          &HookMessages::WM_HOOK_MOU_KBMACRO_MSG,
    &HookMessages::WM_HOOK_MOU_MSMACRO_MSG,         &HookMessages::WM_HOOK_KEY_MSMACROSINGLE_MSG,
    &HookMessages::WM_HOOK_KEY_MSMACROPREVIOUS_MSG, &HookMessages::WM_HOOK_KEY_MSMACROLATER_MSG,
    &HookMessages::UWM_MOUSERBUTTONDOWN_USER_MSG,   &HookMessages::UWM_MOUSELBUTTONUP_USER_MSG,
    &HookMessages::UWM_MOUSELBUTTONDOWN_USER_MSG,   &HookMessages::UWM_MOUSERBUTTONUP_USER_MSG,
    &HookMessages::UWM_MOUSERBUTTONDOWN_USER_MSG_AGAIN, &HookMessages::UWM_MOUSEMOVE_USER_MSG,
    &HookMessages::Game_Start,                      &HookMessages::Game_End,
    &HookMessages::Game_Kill,                       &HookMessages::Game_Death,
};

struct ModeMessage {
    std::uint32_t mode;
    UINT HookMessages::*message;
};

constexpr ModeMessage kModeMessages[] = {
    {1, &HookMessages::WM_HOOK_KEY_SINGLEKEY_MSG},       {2, &HookMessages::WM_HOOK_KEY_HITKEY_MSG},
    {4, &HookMessages::WM_HOOK_KEY_KBMACRO_MSG},         {8, &HookMessages::WM_HOOK_KEY_KBMACROPREVIOUS_MSG},
    {16, &HookMessages::WM_HOOK_KEY_KBMACROLATER_MSG},   {32, &HookMessages::WM_HOOK_KEY_KBMACROSINGLE_MSG},
    {256, &HookMessages::WM_HOOK_MOU_SINGLEKEY_MSG},     {512, &HookMessages::WM_HOOK_MOU_HITKEY_MSG},
    {1024, &HookMessages::WM_HOOK_MOU_KBMACRO_MSG},
};

// The hook library's mouse-button messages of the recording modes.
constexpr ModeMessage kMouseModeMessages[] = {
    {4, &HookMessages::WM_HOOK_KEY_MSMACRO_MSG},        {8, &HookMessages::WM_HOOK_KEY_MSMACROPREVIOUS_MSG},
    {16, &HookMessages::WM_HOOK_KEY_MSMACROLATER_MSG},  {32, &HookMessages::WM_HOOK_KEY_MSMACROSINGLE_MSG},
};

std::mutex& RegistrationMutex() {
    static std::mutex mutex;
    return mutex;
}

AppMessages& AppMessageNumbers() {
    static AppMessages messages;
    return messages;
}

void PutU32(std::vector<std::uint8_t>& out, std::size_t& offset, std::uint32_t value) {
    std::memcpy(out.data() + offset, &value, sizeof value);
    offset += sizeof value;
}

}  // namespace

UINT RegisterInstanceMessage() {
    std::lock_guard lock(RegistrationMutex());
    auto& messages = AppMessageNumbers();
    messages.UWM_APP_INSTANCE_MSG = RegisterWindowMessage(kInstanceMessageName);
    return messages.UWM_APP_INSTANCE_MSG;
}

const AppMessages& RegisterAppMessages() {
    RegisterInstanceMessage();
    std::lock_guard lock(RegistrationMutex());
    auto& messages = AppMessageNumbers();
    messages.UWM_SETWND_RELAY_MSG = RegisterWindowMessage(kSetWndRelayMessageName);
    messages.UWM_APP_ANNOUNCE_MSG = RegisterWindowMessage(kAnnounceMessageName);
    messages.UWM_LIGHT_CONTROL_MSG = RegisterWindowMessage(kLightControlMessageName);
    messages.UWM_WORKTOOL_QUERY_MSG = RegisterWindowMessage(kWorkToolQueryMessageName);
    messages.UWM_AUDIORECORD_CMD_MSG = RegisterWindowMessage(kAudioRecordCmdMessageName);
    return messages;
}

const AppMessages& Messages() { return AppMessageNumbers(); }

const std::array<const char*, 24>& HookMessageNames() { return kHookNames; }

const HookMessages& RegisteredHookMessages() {
    static const HookMessages messages = [] {
        HookMessages registered;
        for (std::size_t i = 0; i < kHookNames.size(); ++i) registered.*kHookMembers[i] = RegisterWindowMessage(kHookNames[i]);
        return registered;
    }();
    return messages;
}

UINT HookMessageForMode(std::uint32_t modeFlag) {
    for (const auto& entry : kModeMessages)
        if (entry.mode == modeFlag) return RegisteredHookMessages().*entry.message;
    return 0;
}

UINT MouseHookMessageForMode(std::uint32_t modeFlag) {
    for (const auto& entry : kMouseModeMessages)
        if (entry.mode == modeFlag) return RegisteredHookMessages().*entry.message;
    return 0;
}

std::vector<std::uint8_t> BuildWorkToolReport(const std::array<std::uint32_t, 4>& versionDescriptor,
                                              const std::vector<WorkToolDeviceType>& types) {
    std::vector<std::uint8_t> report(kWorkToolReportBytes, 0);
    std::size_t offset = 0;
    for (const auto value : versionDescriptor) PutU32(report, offset, value);
    constexpr std::size_t kHeadBytes = 5 * sizeof(std::uint32_t), kTypeBytes = 3 * sizeof(std::uint32_t);
    const std::size_t fitting = std::min(types.size(), (kWorkToolReportBytes - kHeadBytes) / kTypeBytes);
    PutU32(report, offset, static_cast<std::uint32_t>(fitting));
    for (std::size_t i = 0; i < fitting; ++i) {
        PutU32(report, offset, types[i].vid);
        PutU32(report, offset, types[i].pid);
        PutU32(report, offset, types[i].kind);
    }
    return report;
}

std::vector<UINT> OutsideMessages(const AppMessages& app, const HookMessages& hooks) {
    std::vector<UINT> admitted = {
        app.UWM_APP_INSTANCE_MSG, app.UWM_SETWND_RELAY_MSG, app.UWM_APP_ANNOUNCE_MSG, app.UWM_LIGHT_CONTROL_MSG,
        app.UWM_WORKTOOL_QUERY_MSG, hooks.Game_Start, hooks.Game_End, hooks.Game_Kill, hooks.Game_Death,
        WM_COPYDATA, WM_SHOW_SETTING_PROGRESS, WM_OPEN_SETWND, WM_START_UPGRADE,
    };
    std::erase(admitted, UINT{0});  // a name that could not be registered
    std::sort(admitted.begin(), admitted.end());
    return admitted;
}

}  // namespace kx58
