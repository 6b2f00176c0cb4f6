#pragma once
// GDK key values and modifier state in the Windows terms the controls use.
#include <gdk/gdk.h>

#include <cstdint>

#include "uikit/ui_types.h"

namespace kx58::ui {

// The virtual-key code of a GDK key value; 0 when it has none.
UINT VirtualKeyFromKeyval(guint keyval);
// MODIFIER_* bits of a GDK modifier state.
std::uint16_t ModifiersFromState(guint state);

}  // namespace kx58::ui
