#include "ui/auxiliary_window.h"

#include "platform/debug_trace.h"
#include "ui/device_pages.h"
#include "uikit/window_placement.h"

namespace kx58 {

bool CreateAuxiliaryWindow(ui::WindowImplBase& window, ui::CWindowWnd& owner, const char* className, DWORD style,
                           int dpi, const char* dpiErrorTrace) {
    if (!IsSupportedDpi(dpi)) {
        DebugTrace(dpiErrorTrace);
        dpi = 96;
    }
    if (!window.Create(owner.GetHWND(), className, style, ui::WS_EX_TOOLWINDOW)) return false;
    window.GetPaintManager().SetDPI(dpi);
    ui::CenterOnOwner(window, owner);
    return true;
}

}  // namespace kx58
