#pragma once
// Fonts loaded from the program's font folder for this process only (the text layer picks
// them up on its next layout). Files that are missing or not fonts are skipped silently.
#include <memory>
#include <string>
#include <vector>

#include "platform/private_font.h"

namespace kx58::ui {

class PrivateFontSet {
public:
    PrivateFontSet() = default;
    ~PrivateFontSet() { UnloadAll(); }
    PrivateFontSet(const PrivateFontSet&) = delete;
    PrivateFontSet& operator=(const PrivateFontSet&) = delete;

    // Loads the named files of `folder` in the given order; returns how many loaded.
    int LoadFiles(const std::string& folder, const std::vector<std::string>& names);
    // Loads every font file (.ttf, .otf, .ttc) of `folder` in name order.
    int LoadFolder(const std::string& folder);
    void UnloadAll();
    int Count() const { return static_cast<int>(m_fonts.size()); }

private:
    bool LoadOne(const std::string& path);
    std::vector<std::unique_ptr<PrivateFont>> m_fonts;
};

}  // namespace kx58::ui
