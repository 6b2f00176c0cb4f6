#pragma once
// Placing and sizing windows for the monitor they are on: tool windows open centred on the
// window that owns them; a window's interface DPI is the largest at which it fits the work area.
#include <span>

#include "uikit/window.h"

namespace kx58::ui {

// The position that centres a window of `size` on `owner`, kept inside `monitor`.
POINT CenteredOn(const RECT& owner, SIZE size, const RECT& monitor);
// Moves `window` to the centre of `owner` (both must exist).
void CenterOnOwner(CWindowWnd& window, const CWindowWnd& owner);
// The whole monitor the window is on, panels included (what a DPI choice looks at); the work
// area where the backend knows no more. Empty without a window.
RECT MonitorRectOf(const CWindowWnd& window);

// What a size choice needs of a monitor: the whole monitor and its work area in the desktop's
// pixels, and how many device pixels one of them covers (a scaled Wayland output: 2 or more).
struct MonitorMetrics {
    RECT geometry;
    RECT workArea;
    int scale = 1;
};
// The monitor of `window`; a 1920 x 1080 one without a window.
MonitorMetrics MonitorMetricsOf(const CWindowWnd& window);
// The largest of `dpis` (ascending) not above `preferred` at which `size96`, a size at 96 DPI,
// fits into `area`; the smallest of them when none fits (the window then starts at the area's
// top left corner). `preferred` itself when `dpis` is empty.
int LargestDpiThatFits(SIZE size96, const RECT& area, int preferred, std::span<const int> dpis);

}  // namespace kx58::ui
