#pragma once
// The current user's registry keys, kept in one JSON file:
// $XDG_CONFIG_HOME/KX58RGBVs Device/registry.json, {"KEY\\PATH": {"Value": 1 or "text"}}.
// Key paths are relative to HKEY_CURRENT_USER and compared case-insensitively.
//
// A file that cannot be read (not a regular file, too large, no access) is never replaced:
// reads see no keys and writes fail. A damaged file is kept as "registry.json.broken" before
// the next write, which keeps the whole keys found before the damage.
#include <cstdint>
#include <optional>
#include <string>

namespace kx58 {

// Removes the temporary files of registry writes that were interrupted (a killed process),
// under the registry's lock so no running writer loses its file. Returns how many.
int RemoveInterruptedRegistryWrites();

class RegistryKey {
public:
    // Opens an existing key; nothing when it does not exist (as the system does).
    static std::optional<RegistryKey> Open(const std::string& path);
    // Opens the key, creating it (and saving) when missing; nothing when it cannot be saved.
    static std::optional<RegistryKey> Create(const std::string& path);

    std::optional<std::uint32_t> QueryDword(const std::string& value) const;
    std::optional<std::string> QueryString(const std::string& value) const;
    // Write through to the file at once; false when it cannot be written.
    bool SetDword(const std::string& value, std::uint32_t data);
    bool SetString(const std::string& value, const std::string& data);
    bool DeleteValue(const std::string& value);

    const std::string& Path() const { return path_; }

private:
    explicit RegistryKey(std::string path) : path_(std::move(path)) {}
    std::string path_;
};

}  // namespace kx58
