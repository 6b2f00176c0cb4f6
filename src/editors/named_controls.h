#pragma once
// The controls an editor finds by name inside itself, looked up on first use and kept: every
// page of the one window carries its own editors, so the search starts at the editor.
#include <string>
#include <utility>
#include <vector>

#include "uikit/control.h"

namespace kx58 {

class NamedControls {
public:
    explicit NamedControls(ui::CControlUI& owner) : owner_(owner) {}
    // Null when the skin has no such control (then it is looked for again next time).
    ui::CControlUI* Find(const std::string& name);
    template <class T> T* FindAs(const std::string& name) { return dynamic_cast<T*>(Find(name)); }

private:
    ui::CControlUI& owner_;
    std::vector<std::pair<std::string, ui::CControlUI*>> found_;
};

}  // namespace kx58
