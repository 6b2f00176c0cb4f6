#include "ui/auxiliary_window.h"

#include <vector>

#include "platform/debug_trace.h"
#include "platform/message_queue.h"
#include "ui/device_pages.h"
#include "uikit/window_placement.h"

namespace kx58 {
namespace {

std::vector<HWND>& OpenAuxiliaryWindows() {
    static std::vector<HWND> windows;
    return windows;
}

void ForgetClosedWindows() {
    std::erase_if(OpenAuxiliaryWindows(), [](HWND hwnd) { return !IsWindow(hwnd); });
}

}  // namespace

void CloseAuxiliaryWindows() {
    ForgetClosedWindows();
    for (HWND hwnd : OpenAuxiliaryWindows()) PostMessage(hwnd, WM_SYSCOMMAND, ui::SC_CLOSE, 0);
}

bool CreateAuxiliaryWindow(ui::WindowImplBase& window, ui::CWindowWnd& owner, const char* className, DWORD style,
                           int dpi, const char* dpiErrorTrace) {
    if (!IsSupportedDpi(dpi)) {
        DebugTrace(dpiErrorTrace);
        dpi = 96;
    }
    if (!window.Create(owner.GetHWND(), className, style, ui::WS_EX_TOOLWINDOW)) return false;
    window.GetPaintManager().SetDPI(dpi);
    ui::CenterOnOwner(window, owner);
    ForgetClosedWindows();
    OpenAuxiliaryWindows().push_back(window.GetHWND());
    return true;
}

}  // namespace kx58
