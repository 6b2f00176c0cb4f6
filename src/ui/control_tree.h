#pragma once
// Whether a notification's control lies inside one of a page's editors.
#include "uikit/control.h"

namespace kx58 {

inline bool IsInside(const ui::CControlUI* control, const ui::CControlUI* ancestor) {
    for (; control; control = control->GetParent())
        if (control == ancestor) return true;
    return false;
}

}  // namespace kx58
