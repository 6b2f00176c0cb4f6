#pragma once
// Font descriptions of the skin (face, pixel size at 96 DPI, style) and the process-wide
// tables of shared fonts and private font files.
#include <string>

namespace kx58::ui {

struct FontInfo {
    std::string face = "Noto Sans";
    int size = 14;  // pixels at 96 DPI
    bool bold = false;
    bool underline = false;
    bool italic = false;
};

namespace fonts {

// Shared fonts: visible to every paint manager of the process (guarded by a lock).
void AddShared(int id, const FontInfo& font);
bool FindShared(int id, FontInfo& out);
void SetSharedDefault(const FontInfo& font);
bool GetSharedDefault(FontInfo& out);
void RemoveAllShared();

// Makes pango see private fonts loaded since the last call (platform PrivateFont).
void RefreshFontMapIfNeeded();

// Frees the font caches of pango, cairo and fontconfig at the very end of the program (after
// the last window of every thread is gone), so leak checkers see a clean exit.
void ReleaseFontResources();

}  // namespace fonts
}  // namespace kx58::ui
