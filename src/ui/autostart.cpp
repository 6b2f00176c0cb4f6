#include "ui/autostart.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/atomic_file.h"
#include "platform/debug_trace.h"
#include "platform/folders.h"

namespace kx58 {
namespace {

constexpr const char* kProgramFileName = "kx58";

// The desktop's quoting of one Exec argument: within double quotes '"', '`', '$' and '\' take
// a backslash; then the value's own escaping doubles every backslash.
std::string QuotedArgument(const std::string& argument) {
    std::string quoted = "\"";
    for (const char c : argument) {
        if (std::strchr("\"`$\\", c)) quoted += '\\';
        quoted += c;
    }
    quoted += '"';
    std::string escaped;
    for (const char c : quoted) escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
    return escaped;
}

// Control characters cannot be quoted at all, and desktops that look for the program before
// they expand field codes never find one whose path holds a '%'.
bool Quotable(const std::string& path) {
    return std::none_of(path.begin(), path.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F || c == '%'; });
}

bool RemoveEntry(const std::string& path) {
    if (unlink(path.c_str()) == 0 || errno == ENOENT) return true;
    DebugTraceF("autostart: %s cannot be removed (%s)", path.c_str(), std::strerror(errno));
    return false;
}

bool WriteEntry(const std::string& path) {
    const std::string text = AutostartEntryText(Folders::Program() + kProgramFileName);
    const std::string folder = path.substr(0, path.rfind('/'));
    if (text.empty()) {
        DebugTraceF("autostart: the program's path %s cannot go into an entry", Folders::Program().c_str());
        return false;
    }
    if (!CreateFolders(folder, 0700) || !WriteFileAtomically(path, text)) {
        DebugTraceF("autostart: %s cannot be written", path.c_str());
        return false;
    }
    return true;
}

}  // namespace

std::string AutostartEntryPath() { return Folders::ConfigHome() + "autostart/kx58.desktop"; }

std::string AutostartEntryText(const std::string& programPath) {
    if (!Quotable(programPath)) return {};
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=KX58 Device Center\n"
           "Comment=Keeps the device settings from login on, in the tray\n"
           "Exec=" + QuotedArgument(programPath) + " " + kStartHiddenOption + "\n"
           "Icon=kx58\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

bool IsAutostartOn() {
    struct stat info {};
    return stat(AutostartEntryPath().c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool SetAutostart(bool on) { return on ? WriteEntry(AutostartEntryPath()) : RemoveEntry(AutostartEntryPath()); }

}  // namespace kx58
