#pragma once
// The session's autostart entry for the program, "$XDG_CONFIG_HOME/autostart/kx58.desktop"
// (default ~/.config/autostart). While it exists the desktop starts the program at login with
// kStartHiddenOption, so it waits in the tray. The entry names the program beside the running
// executable; it is written atomically, and switching the start off removes it.
#include <string>

namespace kx58 {

inline constexpr const char* kStartHiddenOption = "--hidden";

std::string AutostartEntryPath();
// The entry's text for the program at `programPath`; empty when the path cannot be written
// into an entry (a control character or a '%' in it).
std::string AutostartEntryText(const std::string& programPath);
bool IsAutostartOn();
// Writes or removes the entry; false (traced) when the file system refuses. Removing an
// entry that is not there succeeds.
[[nodiscard]] bool SetAutostart(bool on);

}  // namespace kx58
