#!/usr/bin/env python3
"""Writes keyboarddevice.xml: the keyboard page with its 126 page keys laid out like the real
full-size keyboard. Each key is placed in key units (1u = one letter key) and named "key_N"
after its page key index; its legend is the name of its factory code. Run from this folder;
the XML file is committed."""

UNIT = 28          # pixels per key unit
GAP = 3            # between two caps
ROW = 1.0          # rows are one unit apart; the function row a little more
PAD_X, PAD_Y = 14, 12

# (page key, legend, x, y, width, height) in key units; y rows: 0 function row, 1.3 number row.
R0, R1, R2, R3, R4, R5 = 0.0, 1.3, 2.3, 3.3, 4.3, 5.3
MAIN = 1.4   # the main block starts after the column of extra keys
NAV = MAIN + 15.25
PAD = NAV + 3.25
keys = []
def add(index, legend, x, y, w=1.0, h=1.0):
    keys.append((index, legend, x, y, w, h))

# the five extra keys: a column left of the main block
for i in range(5):
    add(120 + i, f"G{i + 1}", 0.0, R1 + i, 1.0, 1.0)
# function row
add(0, "Esc", MAIN, R0)
for i in range(12):
    group = i // 4
    add(1 + i, f"F{i + 1}", MAIN + 2 + i + group * 0.5, R0)
add(13, "PrtSc", NAV, R0); add(14, "ScrLk", NAV + 1, R0); add(15, "Pause", NAV + 2, R0)
add(16, "Fn1", PAD, R0); add(17, "Fn2", PAD + 1, R0)
# number row
row = ["`", "1", "2", "3", "4", "5", "6", "7", "8", "9", "0", "-", "="]
for i, legend in enumerate(row):
    add(21 + i, legend, MAIN + i, R1)
add(101, "¥", MAIN + 13, R1)
add(34, "Back", MAIN + 14, R1, 1.0)
add(35, "Ins", NAV, R1); add(36, "Home", NAV + 1, R1); add(37, "PgUp", NAV + 2, R1)
add(38, "Num", PAD, R1); add(39, "/", PAD + 1, R1); add(40, "*", PAD + 2, R1); add(41, "-", PAD + 3, R1)
# top letter row
add(42, "Tab", MAIN, R2, 1.5)
for i, legend in enumerate("QWERTYUIOP"):
    add(43 + i, legend, MAIN + 1.5 + i, R2)
add(53, "[", MAIN + 11.5, R2); add(54, "]", MAIN + 12.5, R2); add(55, "\\", MAIN + 13.5, R2, 1.5)
add(56, "Del", NAV, R2); add(57, "End", NAV + 1, R2); add(58, "PgDn", NAV + 2, R2)
add(59, "7", PAD, R2); add(60, "8", PAD + 1, R2); add(61, "9", PAD + 2, R2); add(119, "+", PAD + 3, R2, 1.0, 2.0)
# home row
add(63, "Caps", MAIN, R3, 1.75)
for i, legend in enumerate("ASDFGHJKL"):
    add(64 + i, legend, MAIN + 1.75 + i, R3)
add(73, ";", MAIN + 10.75, R3); add(74, "'", MAIN + 11.75, R3); add(62, "#", MAIN + 12.75, R3)
add(75, "Enter", MAIN + 13.75, R3, 1.25)
add(76, "4", PAD, R3); add(77, "5", PAD + 1, R3); add(78, "6", PAD + 2, R3)
# bottom letter row
add(84, "Shift", MAIN, R4, 1.25); add(102, "\\", MAIN + 1.25, R4)
for i, legend in enumerate("ZXCVBNM"):
    add(85 + i, legend, MAIN + 2.25 + i, R4)
add(92, ",", MAIN + 9.25, R4); add(93, ".", MAIN + 10.25, R4); add(94, "/", MAIN + 11.25, R4)
add(100, "ろ", MAIN + 12.25, R4); add(95, "Shift", MAIN + 13.25, R4, 1.75)
add(96, "↑", NAV + 1, R4)
add(97, "1", PAD, R4); add(98, "2", PAD + 1, R4); add(99, "3", PAD + 2, R4); add(118, "Ent", PAD + 3, R4, 1.0, 2.0)
# space row
add(105, "Ctrl", MAIN, R5, 1.25); add(106, "Win", MAIN + 1.25, R5, 1.25); add(107, "Alt", MAIN + 2.5, R5, 1.25)
add(80, "無変換", MAIN + 3.75, R5, 1.25); add(108, "Space", MAIN + 5, R5, 3.0); add(79, "変換", MAIN + 8.0, R5)
add(83, "かな", MAIN + 9.0, R5); add(81, "Lang1", MAIN + 10.0, R5); add(82, "Lang2", MAIN + 11.0, R5)
add(109, "Alt", MAIN + 12, R5); add(125, "Win", MAIN + 13, R5); add(110, "Fn", MAIN + 14, R5)
add(113, "←", NAV, R5); add(114, "↓", NAV + 1, R5); add(115, "→", NAV + 2, R5)
add(116, "0", PAD, R5, 2.0); add(117, ".", PAD + 2, R5)
add(103, ",", PAD + 3, R0)
# Menu and right Ctrl sit beside the arrow cluster's top row (the space row is full)
add(111, "Menu", NAV, R3); add(112, "Ctrl", NAV + 2, R3)
# page indexes 18, 19, 20 and 104 name no key; they exist, hidden, so every index has its control
hidden = [18, 19, 20, 104]

indexes = sorted(k[0] for k in keys)
assert indexes == sorted(set(range(126)) - set(hidden)), set(range(126)) - set(hidden) - set(indexes)

def px(v):
    return round(v * UNIT)

def cap(index, legend, x, y, w, h):
    left, top = PAD_X + px(x), PAD_Y + px(y)
    right, bottom = left + px(w) - GAP, top + px(h) - GAP
    # the smallest font for the long legends of 1u keys
    font = "9" if len(legend) <= 2 else "10" if len(legend) == 3 or w > 1.2 else "12"
    return (f'      <DeviceKeyButton name="key_{index}" text="{legend}" float="true" pos="{left},{top},{right},{bottom}" '
            f'style="key_cap" font="{font}"/>\n')

width = PAD_X * 2 + px(PAD + 4) - GAP
height = PAD_Y * 2 + px(R5 + 1) - GAP
caps = "".join(cap(*k) for k in sorted(keys))
caps += "".join(f'      <DeviceKeyButton name="key_{i}" float="true" pos="0,0,0,0" visible="false"/>\n' for i in hidden)

def option(name, text, group, page, width=120):
    return (f'        <Option name="{name}" text="{text}" group="{group}" userdata="{page}" width="{width}" height="34" style="page_tab"/>\n')

def setting(label, controls):
    return (f'          <HorizontalLayout height="34" childvalign="vcenter" childpadding="8">\n'
            f'            <Label text="{label}" width="170" font="7" textcolor="#FF8A8F9C"/>\n{controls}'
            f'          </HorizontalLayout>\n')

polling = "".join(f'            <Option name="polling_rate_option_{n}" text="{t}" group="polling_rate_group" style="choice"/>\n'
                  for n, t in enumerate(["125 Hz", "250 Hz", "500 Hz", "1000 Hz"]))
repeat = "".join(f'            <Option name="repeat_delay_check_{n}" text="{t}" group="repeat_delay_group" style="choice"/>\n'
                 for n, t in enumerate(["repeat_short", "repeat_medium", "repeat_long", "repeat_longest"]))
rate = ('            <Slider name="repeat_rate_slider" width="300" height="18" min="0" max="31" bkcolor="#FF2A2F37" '
        'forecolor="#FF2EC5FF" thumbcolor="#FFE8EAED" thumbsize="14,14" borderround="3,3"/>\n'
        '            <Label name="keyboard_desktop_state" text="desktop_stored_only_text" font="8" textcolor="#FF5A606E"/>\n')
flags = ('            <Option name="winlockflag_option" text="winlock_text" style="switch"/>\n'
         '            <Option name="wflag_option" text="wflag_text" style="switch"/>\n'
         '            <Option name="6flag_option" text="6key_text" style="switch"/>\n')

xml = f'''<?xml version="1.0" encoding="utf-8"?>
<!-- Written by keyboard_layout.py: edit that, not this. -->
<QuorinKeyboardDevice name="keyboard_page" inset="16,14,16,14" childpadding="14">
  <VerticalLayout name="keyboard_main" childpadding="12">
    <SelectPanel name="keyboard_device_key_light" width="{width}" height="{height}" bkcolor="#FF0F1013"
                 bordercolor="#FF262931" bordersize="1" borderround="14,14">
{caps}    </SelectPanel>
    <HorizontalLayout name="keyboard_op_tabs" height="34" childpadding="6">
{option("deng_Op_tab", "tab_lighting", "kb_op_tabs", 0)}{option("key_Op_tab", "tab_keys", "kb_op_tabs", 1)}{option("macro_Op_tab", "tab_macros", "kb_op_tabs", 2)}{option("system_Op_tab", "tab_system", "kb_op_tabs", 3)}        <Option name="cursor_Op_tab" group="kb_op_tabs" visible="false"/>
        <Option name="6533_voice_Op_tab" group="kb_op_tabs" visible="false"/>
        <Option name="magic_Op_tab" group="kb_op_tabs" visible="false"/>
        <Option name="Virtual7.1_Op_tab" group="kb_op_tabs" visible="false"/>
      <Control/>
    </HorizontalLayout>
    <TabLayout name="device_op_pages" bkcolor="#FF1B1D23" borderround="12,12" inset="18,14,18,14">
      <VerticalLayout name="lighting_page">
        <LightSetControlUI/>
      </VerticalLayout>
      <VerticalLayout name="keys_page">
        <KeySetControlUI/>
      </VerticalLayout>
      <VerticalLayout name="macros_page">
        <MacroSetControlUI/>
      </VerticalLayout>
      <VerticalLayout name="system_page" childpadding="6">
{setting("polling_rate_text", polling)}{setting("repeat_delay_text", repeat)}{setting("repeat_rate_text", rate)}{setting("key_options_text", flags)}      </VerticalLayout>
    </TabLayout>
  </VerticalLayout>
  <VerticalLayout name="keyboard_side" width="250" childpadding="12">
    <DeviceProfileUI/>
    <VerticalLayout name="keyboard_info" bkcolor="#FF1B1D23" borderround="12,12" inset="16,12,16,12" childpadding="6">
      <Label name="keyboard_title" text="page_keyboard" height="26" font="7" textcolor="#FFF2F4F8"/>
      <Label name="keyboard_connection" text="" height="44" font="8" textcolor="#FF8A8F9C" multiline="true"/>
      <Control/>
    </VerticalLayout>
  </VerticalLayout>
</QuorinKeyboardDevice>
'''
with open("keyboarddevice.xml", "w", encoding="utf-8") as out:
    out.write(xml)
print(f"{len(keys)} keys, picture {width} x {height}")
