#include "uikit/gtk_keys.h"

#include <gdk/gdkkeysyms.h>

#include "uikit/ui_events.h"

namespace kx58::ui {

namespace {

struct KeyPair {
    guint keyval;
    UINT vk;
};

constexpr KeyPair kKeys[] = {
    {GDK_KEY_BackSpace, VK_BACK},   {GDK_KEY_Tab, VK_TAB},         {GDK_KEY_ISO_Left_Tab, VK_TAB},
    {GDK_KEY_Return, VK_RETURN},    {GDK_KEY_KP_Enter, VK_RETURN}, {GDK_KEY_Shift_L, VK_SHIFT},
    {GDK_KEY_Shift_R, VK_SHIFT},    {GDK_KEY_Control_L, VK_CONTROL}, {GDK_KEY_Control_R, VK_CONTROL},
    {GDK_KEY_Alt_L, VK_MENU},       {GDK_KEY_Alt_R, VK_MENU},      {GDK_KEY_Escape, VK_ESCAPE},
    {GDK_KEY_space, VK_SPACE},      {GDK_KEY_Page_Up, VK_PRIOR},   {GDK_KEY_Page_Down, VK_NEXT},
    {GDK_KEY_End, VK_END},          {GDK_KEY_Home, VK_HOME},       {GDK_KEY_Left, VK_LEFT},
    {GDK_KEY_Up, VK_UP},            {GDK_KEY_Right, VK_RIGHT},     {GDK_KEY_Down, VK_DOWN},
    {GDK_KEY_Delete, VK_DELETE},    {GDK_KEY_KP_Delete, VK_DELETE}, {GDK_KEY_KP_Home, VK_HOME},
    {GDK_KEY_KP_End, VK_END},       {GDK_KEY_KP_Left, VK_LEFT},    {GDK_KEY_KP_Right, VK_RIGHT},
    {GDK_KEY_KP_Up, VK_UP},         {GDK_KEY_KP_Down, VK_DOWN},    {GDK_KEY_Insert, 0x2D},
    {GDK_KEY_Pause, 0x13},          {GDK_KEY_Caps_Lock, 0x14},     {GDK_KEY_Print, 0x2C},
    {GDK_KEY_Super_L, 0x5B},        {GDK_KEY_Super_R, 0x5C},       {GDK_KEY_Menu, 0x5D},
};

}  // namespace

UINT VirtualKeyFromKeyval(guint keyval) {
    if (keyval >= GDK_KEY_a && keyval <= GDK_KEY_z) return 'A' + (keyval - GDK_KEY_a);
    if (keyval >= GDK_KEY_A && keyval <= GDK_KEY_Z) return 'A' + (keyval - GDK_KEY_A);
    if (keyval >= GDK_KEY_0 && keyval <= GDK_KEY_9) return '0' + (keyval - GDK_KEY_0);
    if (keyval >= GDK_KEY_KP_0 && keyval <= GDK_KEY_KP_9) return 0x60 + (keyval - GDK_KEY_KP_0);
    if (keyval >= GDK_KEY_F1 && keyval <= GDK_KEY_F24) return 0x70 + (keyval - GDK_KEY_F1);
    for (const KeyPair& pair : kKeys)
        if (pair.keyval == keyval) return pair.vk;
    return 0;
}

std::uint16_t ModifiersFromState(guint state) {
    std::uint16_t modifiers = 0;
    if (state & GDK_SHIFT_MASK) modifiers |= MODIFIER_SHIFT;
    if (state & GDK_CONTROL_MASK) modifiers |= MODIFIER_CONTROL;
    if (state & GDK_MOD1_MASK) modifiers |= MODIFIER_ALT;
    return modifiers;
}

}  // namespace kx58::ui
