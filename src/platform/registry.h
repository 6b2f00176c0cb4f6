#pragma once
// The current user's registry keys, kept in one JSON file:
// $XDG_CONFIG_HOME/KX58RGBVs Device/registry.json, {"KEY\\PATH": {"Value": 1 or "text"}}.
// Key paths are relative to HKEY_CURRENT_USER and compared case-insensitively.
#include <cstdint>
#include <optional>
#include <string>

namespace kx58 {

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
