#include "editors/named_controls.h"

#include "uikit/paint_manager.h"

namespace kx58 {

ui::CControlUI* NamedControls::Find(const std::string& name) {
    for (const auto& [known, control] : found_)
        if (known == name) return control;
    ui::CPaintManagerUI* manager = owner_.GetManager();
    ui::CControlUI* control = manager ? manager->FindSubControlByName(&owner_, name) : nullptr;
    if (control) found_.emplace_back(name, control);
    return control;
}

}  // namespace kx58
