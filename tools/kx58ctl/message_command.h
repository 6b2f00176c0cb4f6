#pragma once
// kx58ctl's commands that drive the running program through its registered messages.

namespace kx58ctl {

// light-control on|off: lighting control switched through the program's light control message.
int SendLightControl(const char* state);
// instance: the message a second start sends; the running program comes to the front.
int SendInstance();
// open-settings: opens the settings window on its update page.
int SendOpenSettings();
// start-upgrade LPARAM: the upgrade program's message; below 260 the program asks to launch the
// upgrade, from 260 it only notes that an upgrade is pending.
int SendStartUpgrade(const char* lParam);

}  // namespace kx58ctl
