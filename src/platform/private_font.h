#pragma once
// Fonts that only this process sees, in place of AddFontMemResourceEx: fontconfig
// application fonts of the current configuration.
#include <cstdint>
#include <string>

namespace kx58 {

class PrivateFont {
public:
    PrivateFont() = default;
    ~PrivateFont();
    PrivateFont(const PrivateFont&) = delete;
    PrivateFont& operator=(const PrivateFont&) = delete;

    // False (and nothing registered) when the file is missing, unreadable or not a font.
    bool Load(const std::string& path);
    void Unload();
    bool Loaded() const { return !path_.empty(); }

    // Changes whenever the set of private fonts changed, so text layers can refresh their
    // font maps.
    static std::uint64_t Generation();

private:
    std::string path_;
};

}  // namespace kx58
