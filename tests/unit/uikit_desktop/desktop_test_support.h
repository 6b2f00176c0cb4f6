#pragma once
// Windows the menu, modal and tray tests open: an owner that records menu commands and
// custom messages, and a modal tool window that closes when told.
#include <atomic>
#include <string>
#include <vector>

#include "uikit/menu_wnd.h"
#include "uikit/window.h"

namespace desktoptest {

using namespace kx58::ui;

inline constexpr UINT kMsgDouble = kx58::WM_USER + 5;   // answers wParam * 2
inline constexpr UINT kMsgClose = kx58::WM_USER + 6;    // the modal window closes with wParam
inline constexpr UINT kMsgMark = kx58::WM_USER + 7;     // sets `marked`

// A window built from XML text; records notifications, menu commands and timer ticks.
class RecordingWindow : public WindowImplBase {
public:
    explicit RecordingWindow(std::string xml) : m_xml(std::move(xml)) {}
    std::string GetWindowClassName() const override { return "RecordingWnd"; }
    std::string GetSkinFile() override { return m_xml; }
    void Notify(TNotifyUI& msg) override;
    LRESULT HandleCustomMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

    bool Open(HWND owner = nullptr, bool toolWindow = false, int x = 40, int y = 40);
    std::vector<std::string> NotesOf(const std::string& type) const;

    std::vector<std::pair<std::string, std::string>> notes;  // type, sender
    std::vector<MenuCmd> menuCommands;
    std::atomic<int> timerTicks{0};
    std::atomic<int> sendsHandled{0};
    std::atomic<bool> marked{false};

private:
    std::string m_xml;
};

// A plain window of 300 x 200 with a button and an edit.
std::string OwnerSkin();
// A menu: "toggle" (checkable), a separator, radio items "opt_a" (checked in the file) and
// "opt_b" of group "g", a disabled "off" item and "exit"; fixed width 200.
std::string MenuSkin();

}  // namespace desktoptest
