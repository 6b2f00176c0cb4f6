#include "desktop_test_support.h"

#include "platform/message_queue.h"

namespace desktoptest {

void RecordingWindow::Notify(TNotifyUI& msg) {
    notes.emplace_back(msg.sType, msg.pSender ? msg.pSender->GetName() : std::string());
    WindowImplBase::Notify(msg);
}

LRESULT RecordingWindow::HandleCustomMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    handled = true;
    switch (message) {
        case WM_MENUCLICK:
            menuCommands.push_back(*reinterpret_cast<const MenuCmd*>(lParam));
            return 0;
        case kMsgDouble:
            ++sendsHandled;
            return static_cast<LRESULT>(wParam * 2);
        case kMsgMark:
            marked = true;
            return 0;
        case kMsgClose:
            Close(static_cast<UINT>(wParam));
            return 0;
        case kx58::WM_TIMER:
            if (wParam < CPaintManagerUI::kControlTimerBase) {
                ++timerTicks;
                return 0;
            }
            break;
        default:
            break;
    }
    handled = false;
    return 0;
}

bool RecordingWindow::Open(HWND owner, bool toolWindow, int x, int y) {
    if (!Create(owner, "recording", WS_POPUP, toolWindow ? WS_EX_TOOLWINDOW : 0, x, y, 300, 200)) return false;
    ShowWindow(true);
    return true;
}

std::vector<std::string> RecordingWindow::NotesOf(const std::string& type) const {
    std::vector<std::string> senders;
    for (const auto& [noteType, sender] : notes)
        if (noteType == type) senders.push_back(sender);
    return senders;
}

std::string OwnerSkin() {
    return R"(<Window size="300,200" caption="0,0,0,30">
  <Font id="0" name="DejaVu Sans" size="13" default="true"/>
  <VerticalLayout bkcolor="#FF202020" inset="10,40,10,10" childpadding="10">
    <Button name="okbtn" text="OK" height="30" bkcolor="#FF3060A0" textcolor="#FFFFFFFF"/>
    <Edit name="edit" height="30" bkcolor="#FF000000" textcolor="#FFFFFFFF"/>
    <Control/>
  </VerticalLayout>
</Window>)";
}

std::string MenuSkin() {
    return R"(<Window>
  <Font id="0" name="DejaVu Sans" size="13" default="true"/>
  <Menu bkcolor="#FF1C1F25" inset="4,4,4,4" width="200">
    <MenuElement name="toggle" text="Toggle" checkable="true" textcolor="#FFFFFFFF"/>
    <Control height="1" padding="0,4,0,4" bkcolor="#FF444444"/>
    <MenuElement name="opt_a" text="Option A" group="g" checked="true" textcolor="#FFFFFFFF"/>
    <MenuElement name="opt_b" text="Option B" group="g" textcolor="#FFFFFFFF"/>
    <MenuElement name="off" text="Unavailable" enabled="false"/>
    <MenuElement name="exit" text="Exit" userdata="bye" textcolor="#FFFFFFFF"/>
  </Menu>
</Window>)";
}

}  // namespace desktoptest
