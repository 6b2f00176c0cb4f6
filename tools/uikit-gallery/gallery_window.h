#pragma once
// The gallery's main window: every control of the UI layer, a status line that names the last
// notification, a pop-up menu, a modal message box, a file dialog, a tray icon, and a worker
// thread that updates the window through cross-thread sends (also while a modal box is open).
#include <string>

#include "platform/worker_thread.h"
#include "uikit/menu_wnd.h"
#include "uikit/tray_icon.h"
#include "uikit/window.h"

namespace gallery {

struct GalleryOptions {
    std::string readyFile;  // written once the window has painted for the first time
    int quitAfterMs = 0;    // closes the window after this long (0: stays open)
    std::string show;       // "menu" or "message": opened after the first paint (screenshots)
};

class GalleryWnd : public kx58::ui::WindowImplBase {
public:
    explicit GalleryWnd(GalleryOptions options) : m_options(std::move(options)) {}

    std::string GetWindowClassName() const override { return "UIKitGalleryWnd"; }
    std::string GetSkinFile() override { return "XML_GALLERY"; }
    void InitWindow() override;
    void Notify(kx58::ui::TNotifyUI& msg) override;
    void OnClick(kx58::ui::TNotifyUI& msg) override;
    kx58::LRESULT HandleCustomMessage(kx58::UINT message, kx58::WPARAM wParam, kx58::LPARAM lParam,
                                      bool& handled) override;
    kx58::LRESULT OnDestroy(kx58::UINT message, kx58::WPARAM wParam, kx58::LPARAM lParam, bool& handled) override;
    void OnBackendPaint(cairo_t* cr, const kx58::ui::RECT& dirty) override;

private:
    void SetStatus(const std::string& text);
    void OpenMenuAt(kx58::ui::POINT screenPoint, int alignment);
    void OnMenuCommand(const kx58::ui::MenuCmd& cmd);
    void ToggleFromTray();
    void ShowBattery(int percent);
    void StartWorker();
    void OpenMenuBelowButton();
    void AskMessage();

    GalleryOptions m_options;
    kx58::ui::CTrayIcon m_tray;
    kx58::ui::CMenuWnd::CheckMap m_menuChecks;
    kx58::WorkerThread m_worker;
    bool m_painted = false;
};

}  // namespace gallery
