#pragma once
// Placing windows relative to others: tool windows open centred on the window that owns them.
#include "uikit/window.h"

namespace kx58::ui {

// The position that centres a window of `size` on `owner`, kept inside `monitor`.
POINT CenteredOn(const RECT& owner, SIZE size, const RECT& monitor);
// Moves `window` to the centre of `owner` (both must exist).
void CenterOnOwner(CWindowWnd& window, const CWindowWnd& owner);
// The whole monitor the window is on, panels included (what a DPI choice looks at); the work
// area where the backend knows no more. Empty without a window.
RECT MonitorRectOf(const CWindowWnd& window);

}  // namespace kx58::ui
