#pragma once
// CDeviceHook: the program-wide hook of a recording or a key capture. It installs the input
// hook for one mode and turns each event into the mode's registered message, sent to the
// window with the keyboard or mouse message in wParam and the event record in lParam (valid
// while the message is handled). Only one hook is in place at a time.
#include <cstdint>
#include <memory>

#include "platform/input_hook.h"
#include "platform/win_types.h"

namespace kx58 {

inline constexpr std::uint32_t kHookModeKeyCapture = 1;
inline constexpr std::uint32_t kHookModeAppend = 4;
inline constexpr std::uint32_t kHookModeBefore = 8;
inline constexpr std::uint32_t kHookModeAfter = 16;
inline constexpr std::uint32_t kHookModeReplace = 32;

// The input devices the program records from: "/dev/input", or the folder named by
// KX58_INPUT_DEVICES (tests give one of their own, so a test run never grabs a real keyboard).
std::unique_ptr<InputDeviceSource> MakeProgramInputSource();

class CDeviceHook {
public:
    explicit CDeviceHook(std::unique_ptr<InputDeviceSource> devices);
    ~CDeviceHook();
    CDeviceHook(const CDeviceHook&) = delete;
    CDeviceHook& operator=(const CDeviceHook&) = delete;

    // Removes the hook in place, then installs the keyboard hook (keys swallowed, lock keys
    // excepted) when asked and the mouse-button delivery when asked. 0 when the keyboard hook
    // cannot be installed (nothing is then in place), else 1.
    int SetHook(int owner, std::uint32_t mode, HWND window, bool keyboardHook, bool libraryHook);
    void Unhook();
    std::uint32_t Mode() const { return mode_; }
    bool IsHooked() const { return input_.Installed(); }
    InputHook& Input() { return input_; }

private:
    void Dispatch(const InputHookEvent& event);

    InputHook input_;
    std::uint32_t mode_ = 0;
    HWND window_ = nullptr;
    int owner_ = 0;
    bool libraryHook_ = false;
};

}  // namespace kx58
