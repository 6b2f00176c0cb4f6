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

MonitorMetrics MonitorMetricsOf(const CWindowWnd& window) {
    IBackendWindow* backend = window.GetBackendWindow();
    if (!backend) return MonitorMetrics{RECT{0, 0, 1920, 1080}, RECT{0, 0, 1920, 1080}, 1};
    const auto* gtk = dynamic_cast<GtkBackendWindow*>(backend);
    return MonitorMetrics{MonitorRectOf(window), backend->GetMonitorRect(), gtk ? gtk->GetMonitorScale() : 1};
}

int LargestDpiThatFits(SIZE size96, const RECT& area, int preferred, std::span<const int> dpis) {
    if (dpis.empty()) return preferred;
    const auto fits = [&](int dpi) {
        return ScaleForDpi(size96.cx, dpi) <= area.Width() && ScaleForDpi(size96.cy, dpi) <= area.Height();
    };
    for (auto dpi = dpis.rbegin(); dpi != dpis.rend(); ++dpi)
        if (*dpi <= preferred && fits(*dpi)) return *dpi;
    return dpis.front();
}

}  // namespace kx58::ui
