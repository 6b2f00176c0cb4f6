#pragma once
// The program's message vocabulary: the registered names shared with the input hook, the
// audio capture program, other copies of the program and outside tools, and the private
// numbers of the main window.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "device/hid/device_messages.h"
#include "platform/win_types.h"

namespace kx58 {

// Private messages (fixed numbers; the device layer's own are in device_messages.h).
inline constexpr UINT WM_SHOW_SETTING_PROGRESS = 0x0C00;
inline constexpr UINT WM_LANGUAGE_CHANGED = 0x0C11;
inline constexpr UINT WM_OPEN_SETWND = 0x0C15;
inline constexpr UINT WM_CLEAR_UPDATE_MARK = 0x0C16;
inline constexpr UINT WM_START_UPGRADE = 0x0D04;
inline constexpr UINT WM_HOOK_CONTROL = 0x041E;
inline constexpr UINT WM_TRAY_NOTIFY = WM_USER + 1;
inline constexpr UINT WM_MENU_COMMAND = WM_USER + 121;
inline constexpr UINT WM_DPI_NOTICE = WM_USER + 200;
// Posted by the audio daemon when "AudioRecord" cannot be started (the box opens on the UI thread).
inline constexpr UINT WM_AUDIO_RECORD_FAILED = 0x0D05;

// Names of the application messages.
inline constexpr const char* kInstanceMessageName = "KX58RGBVs Device";
inline constexpr const char* kSetWndRelayMessageName = "{4695579F-999A-41d4-9FAF-EFFCE93EBF15}";
inline constexpr const char* kAnnounceMessageName = "{4695579F-999A-41d4-9FAF-EFFCE93EBF16}";
inline constexpr const char* kLightControlMessageName = "{4695579F-999A-41d4-9FAF-EFFCE93EBF17}";
inline constexpr const char* kWorkToolQueryMessageName = "{4695579F-999A-41d4-9FAF-EFFCE93EBF18}";
inline constexpr const char* kAudioRecordCmdMessageName = "{4695579F-999A-41d4-9FAF-EFFCE93EBE19}";

struct AppMessages {
    UINT UWM_APP_INSTANCE_MSG = 0;
    UINT UWM_SETWND_RELAY_MSG = 0;
    UINT UWM_APP_ANNOUNCE_MSG = 0;
    UINT UWM_LIGHT_CONTROL_MSG = 0;
    UINT UWM_WORKTOOL_QUERY_MSG = 0;
    UINT UWM_AUDIORECORD_CMD_MSG = 0;
};

// The instance message alone (registered before the single-instance check).
UINT RegisterInstanceMessage();
// The five GUID-named messages, in their order, plus the instance message.
const AppMessages& RegisterAppMessages();
const AppMessages& Messages();

// The hook and game families, registered in their fixed order on first use. The mouse
// right-button-down name is registered twice, so two members hold one number.
struct HookMessages {
    UINT WM_HOOK_KEY_SINGLEKEY_MSG = 0;
    UINT WM_HOOK_KEY_HITKEY_MSG = 0;
    UINT WM_HOOK_KEY_KBMACRO_MSG = 0;
    UINT WM_HOOK_KEY_MSMACRO_MSG = 0;
    UINT WM_HOOK_KEY_KBMACROSINGLE_MSG = 0;
    UINT WM_HOOK_KEY_KBMACROPREVIOUS_MSG = 0;
    UINT WM_HOOK_KEY_KBMACROLATER_MSG = 0;
    UINT WM_HOOK_MOU_SINGLEKEY_MSG = 0;
    UINT WM_HOOK_MOU_HITKEY_MSG = 0;
    UINT WM_HOOK_MOU_KBMACRO_MSG = 0;
    UINT WM_HOOK_MOU_MSMACRO_MSG = 0;
    UINT WM_HOOK_KEY_MSMACROSINGLE_MSG = 0;
    UINT WM_HOOK_KEY_MSMACROPREVIOUS_MSG = 0;
    UINT WM_HOOK_KEY_MSMACROLATER_MSG = 0;
    UINT UWM_MOUSERBUTTONDOWN_USER_MSG = 0;
    UINT UWM_MOUSELBUTTONUP_USER_MSG = 0;
    UINT UWM_MOUSELBUTTONDOWN_USER_MSG = 0;
    UINT UWM_MOUSERBUTTONUP_USER_MSG = 0;
    UINT UWM_MOUSERBUTTONDOWN_USER_MSG_AGAIN = 0;
    UINT UWM_MOUSEMOVE_USER_MSG = 0;
    UINT Game_Start = 0;
    UINT Game_End = 0;
    UINT Game_Kill = 0;
    UINT Game_Death = 0;
};

const HookMessages& RegisteredHookMessages();

// The names in registration order (24 entries, one repeated).
const std::array<const char*, 24>& HookMessageNames();

// The message the program's own keyboard hook sends for an installed mode flag; 0 for a
// flag that has none.
UINT HookMessageForMode(std::uint32_t modeFlag);
// The mouse-button message the hook library sends in a recording mode; 0 for other modes.
UINT MouseHookMessageForMode(std::uint32_t modeFlag);

// The numbers other processes may send or post to the main window, sorted: the application
// messages, the game events and the documented outside numbers, whose parameters are plain
// values. The hook family is not among them: its lParam points into the sender (the input
// hook runs inside the program), and window, paint and device numbers are the window's own.
std::vector<UINT> OutsideMessages(const AppMessages& app, const HookMessages& hooks);

// One product as the "WorkTool" report lists it.
struct WorkToolDeviceType {
    std::uint32_t vid = 0;
    std::uint32_t pid = 0;
    std::uint32_t kind = 0;
};

inline constexpr std::size_t kWorkToolReportBytes = 1024;
inline constexpr std::uintptr_t kWorkToolCopyDataId = 5;

// The 1024-byte block sent to "WorkTool": the four values of the program's version
// descriptor, the number of device types, then vid, pid and kind of each, as 32-bit values;
// zero-filled. Types that would not fit are left out.
std::vector<std::uint8_t> BuildWorkToolReport(const std::array<std::uint32_t, 4>& versionDescriptor,
                                              const std::vector<WorkToolDeviceType>& types);

}  // namespace kx58
