#pragma once
// The program's folders. Folder results end with '/'.
#include <string>
#include <string_view>

namespace kx58 {

// The identity string that names the data folder, the registry key, the mutex and more.
inline constexpr const char* kAppName = "KX58RGBVs Device";

namespace Folders {

// Folder of the running executable (from /proc/self/exe).
std::string Program();
// Program() + "DefaultData/": read-only shipped defaults.
std::string Defaults();
// Program() + "skin/", "Font/", "Update/", "SDK/".
std::string Skin();
std::string Font();
std::string Update();
std::string Sdk();
// $XDG_DATA_HOME (default ~/.local/share) + "/KX58RGBVs Device/", created on demand.
// Empty when it cannot be created.
std::string UserData();
// $XDG_CONFIG_HOME (default ~/.config) + "/", the session's configuration base; not created.
std::string ConfigHome();
// $XDG_CONFIG_HOME (default ~/.config) + "/KX58RGBVs Device/", created on demand.
std::string UserConfig();
// $XDG_RUNTIME_DIR + "/kx58/" (fallback /tmp/kx58-$UID/ when the variable is unset), mode
// 0700, created on demand. Empty when the folder is not private to this user or not writable.
std::string Runtime();

struct RuntimeFolder {
    std::string path;     // Runtime(), or empty
    std::string problem;  // why there is none, as a line for the user
};
// Runtime() with the reason when it is empty. There is no second choice when the session's
// folder is unusable: processes of one session must agree on one folder, or a later start
// would miss a running instance.
RuntimeFolder CheckRuntime();

}  // namespace Folders

// Turns the system's '\' separators into '/', so literal Windows-style relative paths work.
std::string NormalizePath(std::string_view path);
// Creates a folder and its parents; true when it exists afterwards.
bool CreateFolders(const std::string& path, unsigned mode = 0755);
bool PathExists(const std::string& path);

}  // namespace kx58
