#pragma once
// CWndUI: a place in a page for another window of the program (a picture or a preview that
// is a window of its own). The attached window is laid over the control's rectangle on the
// screen: again whenever the control moves or resizes, and when the window holding the
// control moves. It shows while the control and its window show, and hides with them.
//
// The control does not own the attached window: the caller creates and destroys it. A window
// destroyed while attached is let go of at the next placement. Attach the window to one
// control at a time; create it with the page's window as its owner so it stays above it.
#include "uikit/control.h"
#include "uikit/window.h"

namespace kx58 {

class CWndUI : public ui::CControlUI, private ui::IMessageFilterUI {
public:
    ~CWndUI() override;
    std::string GetClass() const override { return "WndUI"; }
    void* GetInterface(std::string_view name) override;

    // Replaces any window attached before (which is left where it is).
    void Attach(ui::CWindowWnd* window);
    // Lets the window go, as it is; returns it (nullptr when none).
    ui::CWindowWnd* Detach();
    ui::CWindowWnd* GetAttached() const;
    // Where the attached window belongs, in screen pixels; empty while the control has no
    // shown window or no size.
    ui::RECT ScreenRect() const;

    void SetManager(ui::CPaintManagerUI* manager, ui::CControlUI* parent, bool init = true) override;
    void SetPos(ui::RECT rc, bool needInvalidate = true) override;
    void Move(ui::SIZE offset, bool needInvalidate = true) override;
    void SetVisible(bool visible = true) override;
    void SetInternVisible(bool visible = true) override;

private:
    LRESULT MessageHandler(ui::UINT message, ui::WPARAM wParam, ui::LPARAM lParam, bool& handled) override;
    void Follow(ui::CPaintManagerUI* manager);
    bool HostShown() const;
    void Place();

    ui::CWindowWnd* attached_ = nullptr;
    ui::HWND attachedHwnd_ = nullptr;  // tells whether the attached window still exists
    ui::CPaintManagerUI* followed_ = nullptr;
};

}  // namespace kx58
