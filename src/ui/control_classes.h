#pragma once
// The program's own control classes: their registration with the control factory and the
// main window's create-control callback for the tags that stand for whole skin files.
#include <string>

namespace kx58::ui {
class CControlUI;
class CPaintManagerUI;
class IDialogBuilderCallback;
}  // namespace kx58::ui

namespace kx58 {

// Registers the program's control classes that exist so far with the control factory.
void RegisterProgramControls();

// A control for a tag the factory does not know: the tags below stand for the control tree
// of a custom-control skin file, built with `callback` into `manager`. nullptr for others.
ui::CControlUI* CreateProgramControl(const std::string& tag, ui::IDialogBuilderCallback* callback,
                                     ui::CPaintManagerUI* manager);

}  // namespace kx58
