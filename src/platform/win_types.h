#pragma once
// The Windows value types and message numbers that the program's message vocabulary uses,
// with their Windows values, so code above this layer reads as the system it mirrors.
#include <cstdint>

namespace kx58 {

using UINT = std::uint32_t;
using DWORD = std::uint32_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

// A window handle. Its value names the owning process and the window inside it, so a handle
// passed to another process (in wParam or lParam) still reaches the window.
struct HWND__;
using HWND = HWND__*;

struct COPYDATASTRUCT {
    std::uintptr_t dwData = 0;
    DWORD cbData = 0;
    const void* lpData = nullptr;
};

// Window messages.
inline constexpr UINT WM_NULL = 0x0000;
inline constexpr UINT WM_CREATE = 0x0001;
inline constexpr UINT WM_DESTROY = 0x0002;
inline constexpr UINT WM_SIZE = 0x0005;
inline constexpr UINT WM_ACTIVATE = 0x0006;
inline constexpr UINT WM_CLOSE = 0x0010;
inline constexpr UINT WM_QUIT = 0x0012;
inline constexpr UINT WM_SHOWWINDOW = 0x0018;
inline constexpr UINT WM_COPYDATA = 0x004A;
inline constexpr UINT WM_DISPLAYCHANGE = 0x007E;
inline constexpr UINT WM_KEYDOWN = 0x0100;
inline constexpr UINT WM_KEYUP = 0x0101;
inline constexpr UINT WM_CHAR = 0x0102;
inline constexpr UINT WM_SYSKEYDOWN = 0x0104;
inline constexpr UINT WM_SYSKEYUP = 0x0105;
inline constexpr UINT WM_SYSCOMMAND = 0x0112;
inline constexpr UINT WM_TIMER = 0x0113;
inline constexpr UINT WM_MOUSEMOVE = 0x0200;
inline constexpr UINT WM_LBUTTONDOWN = 0x0201;
inline constexpr UINT WM_LBUTTONUP = 0x0202;
inline constexpr UINT WM_LBUTTONDBLCLK = 0x0203;
inline constexpr UINT WM_RBUTTONDOWN = 0x0204;
inline constexpr UINT WM_RBUTTONUP = 0x0205;
inline constexpr UINT WM_MBUTTONDOWN = 0x0207;
inline constexpr UINT WM_MBUTTONUP = 0x0208;
inline constexpr UINT WM_MOUSEWHEEL = 0x020A;
inline constexpr UINT WM_XBUTTONDOWN = 0x020B;
inline constexpr UINT WM_XBUTTONUP = 0x020C;
inline constexpr UINT WM_POWERBROADCAST = 0x0218;
inline constexpr UINT WM_DEVICECHANGE = 0x0219;
inline constexpr UINT WM_MOUSEHOVER = 0x02A1;
inline constexpr UINT WM_MOUSELEAVE = 0x02A3;
inline constexpr UINT WM_DPICHANGED = 0x02E0;
inline constexpr UINT WM_USER = 0x0400;

// Registered messages live in this range.
inline constexpr UINT kRegisteredMessageFirst = 0xC000;
inline constexpr UINT kRegisteredMessageLast = 0xFFFF;

// WM_POWERBROADCAST events.
inline constexpr WPARAM PBT_APMSUSPEND = 0x0004;
inline constexpr WPARAM PBT_APMRESUMEAUTOMATIC = 0x0012;

// BroadcastSystemMessage flags and recipients.
inline constexpr DWORD BSF_POSTMESSAGE = 0x00000010;
inline constexpr DWORD BSM_APPLICATIONS = 0x00000008;

// ShowWindow / ShellExecute show commands.
inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOWNORMAL = 1;
inline constexpr int SW_SHOW = 5;

inline constexpr DWORD ERROR_ALREADY_EXISTS = 183;

}  // namespace kx58
