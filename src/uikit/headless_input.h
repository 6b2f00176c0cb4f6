#pragma once
// Acts as a user on a window of the headless backend: moves, clicks, drags, wheel turns,
// keys and typed text at points or at controls found by name. Every action runs the loop
// until idle afterwards, so notifications and repaints have happened when it returns.
#include <cstdint>
#include <string>

#include "uikit/headless_backend.h"
#include "uikit/window.h"

namespace kx58::ui {

class HeadlessInput {
public:
    // The window must be shown by the headless backend (it may be created later).
    explicit HeadlessInput(WindowImplBase& window);

    bool IsUsable() const { return Target() != nullptr; }
    HeadlessWindow* Target() const;

    void MouseMove(POINT pt, WPARAM buttons = 0);
    void MouseDown(POINT pt, bool right = false);
    void MouseUp(POINT pt, bool right = false);
    void Click(POINT pt);
    void DoubleClick(POINT pt);
    void RightClick(POINT pt);
    // Positive delta turns the wheel away from the user (scrolls up).
    void Wheel(POINT pt, int delta);
    // Presses at `from`, moves in `steps` steps to `to`, releases there.
    void Drag(POINT from, POINT to, int steps = 5);
    void KeyDown(UINT virtualKey, std::uint16_t modifiers = 0);
    void KeyUp(UINT virtualKey, std::uint16_t modifiers = 0);
    void KeyPress(UINT virtualKey, std::uint16_t modifiers = 0);
    // One WM_CHAR per character of the UTF-8 text.
    void TypeText(const std::string& text);

    // The centre of a visible control; false when there is no such control.
    bool CenterOf(const std::string& name, POINT& pt) const;
    bool Click(const std::string& name);
    bool DoubleClick(const std::string& name);
    bool RightClick(const std::string& name);
    bool MoveTo(const std::string& name);

    void RunUntilIdle();

private:
    void Send(UINT message, WPARAM wParam, LPARAM lParam);
    // The window, while it still exists: a window may delete itself on input (a menu closing
    // on Escape), and later injections must not reach the freed object.
    WindowImplBase* Window() const;

    WindowImplBase& m_window;
    mutable HWND m_hwnd = nullptr;
};

}  // namespace kx58::ui
