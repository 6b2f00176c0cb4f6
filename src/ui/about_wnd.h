#pragma once
// CAboutWnd: the about window ("AboutWnd", "AboutWnd.xml"), a modal pop-up of the main window
// with the program's name and version and a link to the maker's home page.
#include <string>

#include "uikit/window.h"

namespace kx58 {

inline constexpr const char* kHomePageAddress = "https://www.example.com/kx58";

class CAboutWnd : public ui::WindowImplBase {
public:
    // Shows the window and waits until it is closed.
    static void Show(ui::CWindowWnd& owner, int dpi);
    // The window while it is open (for the main window's language message), else null.
    static HWND OpenWindow();

    std::string GetWindowClassName() const override { return "AboutWnd"; }
    std::string GetSkinFile() override { return "AboutWnd.xml"; }
    void InitWindow() override;
    void Notify(ui::TNotifyUI& msg) override;
    LRESULT HandleCustomMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
    void OnFinalMessage(HWND hwnd) override;

private:
    CAboutWnd() = default;
};

}  // namespace kx58
