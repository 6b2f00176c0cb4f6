#include "uikit/window_placement.h"

#include <algorithm>

#include "uikit/gtk_window.h"

namespace kx58::ui {

POINT CenteredOn(const RECT& owner, SIZE size, const RECT& monitor) {
    POINT at{owner.left + (owner.Width() - size.cx) / 2, owner.top + (owner.Height() - size.cy) / 2};
    at.x = std::clamp(at.x, monitor.left, std::max(monitor.left, monitor.right - size.cx));
    at.y = std::clamp(at.y, monitor.top, std::max(monitor.top, monitor.bottom - size.cy));
    return at;
}

void CenterOnOwner(CWindowWnd& window, const CWindowWnd& owner) {
    IBackendWindow* self = window.GetBackendWindow();
    IBackendWindow* below = owner.GetBackendWindow();
    if (!self || !below) return;
    const RECT rc = self->GetRect();
    const POINT at = CenteredOn(below->GetRect(), SIZE{rc.Width(), rc.Height()}, below->GetMonitorRect());
    window.MoveWindow(at.x, at.y);
}

RECT MonitorRectOf(const CWindowWnd& window) {
    IBackendWindow* backend = window.GetBackendWindow();
    if (!backend) return RECT{};
    if (auto* gtk = dynamic_cast<GtkBackendWindow*>(backend)) return gtk->GetMonitorGeometry();
    return backend->GetMonitorRect();
}

}  // namespace kx58::ui
