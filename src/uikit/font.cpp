#include "uikit/font.h"

#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>
#include <pango/pangofc-fontmap.h>

#include <map>
#include <mutex>
#include <optional>

#include "platform/private_font.h"
#include "uikit/render.h"

namespace kx58::ui::fonts {
namespace {

struct SharedFonts {
    std::mutex mutex;
    std::map<int, FontInfo> fonts;
    std::optional<FontInfo> defaultFont;
};

SharedFonts& Shared() {
    static SharedFonts shared;
    return shared;
}

}  // namespace

void AddShared(int id, const FontInfo& font) {
    std::lock_guard lock(Shared().mutex);
    Shared().fonts[id] = font;
}

bool FindShared(int id, FontInfo& out) {
    std::lock_guard lock(Shared().mutex);
    auto it = Shared().fonts.find(id);
    if (it == Shared().fonts.end()) return false;
    out = it->second;
    return true;
}

void SetSharedDefault(const FontInfo& font) {
    std::lock_guard lock(Shared().mutex);
    Shared().defaultFont = font;
}

bool GetSharedDefault(FontInfo& out) {
    std::lock_guard lock(Shared().mutex);
    if (!Shared().defaultFont) return false;
    out = *Shared().defaultFont;
    return true;
}

void RemoveAllShared() {
    std::lock_guard lock(Shared().mutex);
    Shared().fonts.clear();
    Shared().defaultFont.reset();
}

void RefreshFontMapIfNeeded() {
    // Font maps are per thread, so each thread keeps its own note.
    thread_local std::uint64_t seen = 0;
    const std::uint64_t now = PrivateFont::Generation();
    if (now == seen) return;
    seen = now;
    // Pango caches the font set; tell its font map that the configuration changed.
    PangoFontMap* map = pango_cairo_font_map_get_default();
    if (PANGO_IS_FC_FONT_MAP(map)) pango_fc_font_map_config_changed(PANGO_FC_FONT_MAP(map));
}

void ReleaseFontResources() {
    render::ReleaseThreadResources();
    pango_cairo_font_map_set_default(nullptr);
    // No FcFini: it asserts while cairo or pango still hold fontconfig patterns. Its caches
    // live as long as the process, and the leak check is told so.
}

}  // namespace kx58::ui::fonts
