#pragma once
// The tray icon as a StatusNotifierItem: the tray protocol on the session bus that Wayland
// panels and most X11 desktops speak (KDE Plasma, GNOME's AppIndicator extension, waybar,
// swaybar, xfce4-panel's plugin). The item owns "org.kde.StatusNotifierItem-<pid>-<n>" on a
// connection of its own, serves "/StatusNotifierItem" and registers with the panel's
// "org.kde.StatusNotifierWatcher", again each time a watcher appears (a restarted panel). The
// program draws its own menu, so the item offers none (ItemIsMenu false): the panel's
// activation is a left click, its context-menu request a right click.
//
// Contract: made, used and destroyed on one thread whose default GLib main context runs (the
// GTK loop); the callbacks come from that loop, and nothing blocks: the bus is reached
// asynchronously. No bus, or a watcher that refuses the item, is traced once and leaves the
// item unregistered; the program runs on. A bus that goes away is tried again every two
// seconds, and the item is offered again once it is back. Destruction unexports the object,
// gives up the name, closes the connection and cancels what is in flight: no callback reaches
// the owner after it.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kx58::ui {

// Icon pixels as the protocol carries them: ARGB32, each pixel's four bytes in network order.
struct StatusNotifierPixmap {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> argb;
};

class StatusNotifierItem {
public:
    using ClickHandler = std::function<void(bool right)>;
    // Whether a watcher holds the item: told after each registration answer, when the
    // watcher or the bus goes, and when the session has no watcher at all.
    using HolderHandler = std::function<void(bool held)>;

    StatusNotifierItem(ClickHandler onClick, HolderHandler onHolderChange);
    ~StatusNotifierItem();
    StatusNotifierItem(const StatusNotifierItem&) = delete;
    StatusNotifierItem& operator=(const StatusNotifierItem&) = delete;

    // Starts reaching the session bus; false (traced) when the session names none.
    bool Start();
    // Title and tool tip.
    void SetTitle(const std::string& title);
    void SetPixmap(StatusNotifierPixmap pixmap);
    // "Active", or "Passive" for an icon the panel may hide.
    void SetActive(bool active);
    bool IsRegistered() const;
    // The name the item owns on the bus once connected; empty before Start.
    const std::string& BusName() const;

    struct Core;

private:
    std::shared_ptr<Core> m_core;
};

}  // namespace kx58::ui
