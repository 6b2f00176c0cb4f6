#pragma once
// What every auxiliary window of the main window does before it is shown: it takes its own
// interface DPI (one of the supported values, else 96 with a trace), is created as a
// tool-window pop-up of the main window and is centred on it.
#include "uikit/window.h"

namespace kx58 {

bool CreateAuxiliaryWindow(ui::WindowImplBase& window, ui::CWindowWnd& owner, const char* className, DWORD style,
                           int dpi, const char* dpiErrorTrace);

}  // namespace kx58
