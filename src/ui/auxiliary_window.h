#pragma once
// What every auxiliary window of the main window does before it is shown: it takes its own
// interface DPI (one of the supported values, else 96 with a trace), is created as a
// tool-window pop-up of the main window and is centred on it. The open ones are kept, so the
// main window can close them when it hides.
#include "uikit/window.h"

namespace kx58 {

bool CreateAuxiliaryWindow(ui::WindowImplBase& window, ui::CWindowWnd& owner, const char* className, DWORD style,
                           int dpi, const char* dpiErrorTrace);
// The main window hides itself: every auxiliary window still open closes as cancelled (a
// modal one returns from its loop). UI thread.
void CloseAuxiliaryWindows();

}  // namespace kx58
