#pragma once
// The notification-area icon: an image, a tip, and left/right button callbacks. Clicks also
// reach the receiving window as its callback message (wParam the icon id, lParam
// WM_LBUTTONUP or WM_RBUTTONUP). On the GTK backend the icon is a StatusNotifierItem on the
// session bus, which Wayland panels and most X11 desktops show; on X11 while no watcher holds
// it, a GtkStatusIcon in the XEmbed tray instead. On desktops without either the icon simply
// is not shown (IsEmbedded tells); the headless backend keeps the state for tests.
#include <functional>
#include <memory>
#include <string>

#include "uikit/ui_types.h"

namespace kx58::ui {

inline constexpr UINT UIMSG_TRAYICON = 0x0400 + 1;  // WM_USER + 1

class CTrayIcon {
public:
    using ClickHandler = std::function<void()>;

    CTrayIcon();
    ~CTrayIcon();
    CTrayIcon(const CTrayIcon&) = delete;
    CTrayIcon& operator=(const CTrayIcon&) = delete;

    // `iconPath` is an image file; empty uses a stock icon. False when already created.
    bool CreateTrayIcon(HWND receiver, UINT iconId, const std::string& tip,
                        UINT message = UIMSG_TRAYICON, const std::string& iconPath = {});
    void DeleteTrayIcon();
    bool IsCreated() const { return m_created; }
    void SetTooltipText(const std::string& tip);
    const std::string& GetTooltipText() const { return m_tip; }
    bool SetIcon(const std::string& iconPath);
    void SetShowIcon(bool show);
    bool IsVisible() const;
    // True when a tray on the desktop shows the icon.
    bool IsEmbedded() const;
    // True on a real desktop where no tray shows the icon: a window hidden to it could not
    // be brought back by a click.
    bool IsOnDesktopWithoutTray() const;

    void OnLeftClick(ClickHandler handler) { m_onLeft = std::move(handler); }
    void OnRightClick(ClickHandler handler) { m_onRight = std::move(handler); }
    // What a click on the icon does (the GTK tray calls it; tests call it directly).
    void Click(bool right);

private:
    // The XEmbed tray's icon, wanted while no StatusNotifierWatcher holds the item.
    void UseXEmbedTray(bool use);

    struct Native;
    std::unique_ptr<Native> m_native;
    bool m_created = false;
    bool m_visible = false;
    HWND m_receiver = nullptr;
    UINT m_iconId = 0;
    UINT m_message = UIMSG_TRAYICON;
    std::string m_tip;
    ClickHandler m_onLeft;
    ClickHandler m_onRight;
};

}  // namespace kx58::ui
