#include "uikit/render.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <mutex>
#include <tuple>

#include "platform/atomic_file.h"
#include "platform/debug_trace.h"
#include "platform/private_font.h"
#include "uikit/paint_manager.h"
#include "uikit/resource_manager.h"
#include "uikit/scaled_image_cache.h"

namespace kx58::ui {

ImageDrawSpec ParseImageString(std::string_view text) {
    ImageDrawSpec spec;
    if (text.find('=') == std::string_view::npos) {
        spec.file = std::string(text);
        return spec;
    }
    for (const auto& [name, value] : ParseAttributeList(text)) {
        if (name == "file" || name == "res") spec.file = value;
        else if (name == "source") { spec.source = ParseRect(value); spec.hasSource = true; }
        else if (name == "corner") spec.corner = ParseRect(value);
        else if (name == "dest") { spec.dest = ParseRect(value); spec.hasDest = true; }
        else if (name == "fade") spec.fade = std::clamp(ParseInt(value, 255), 0, 255);
    }
    return spec;
}

namespace {

struct PngSource {
    std::string_view bytes;
};

cairo_status_t ReadPngBytes(void* closure, unsigned char* data, unsigned int length) {
    auto* source = static_cast<PngSource*>(closure);
    if (source->bytes.size() < length) return CAIRO_STATUS_READ_ERROR;
    std::copy_n(source->bytes.data(), length, data);
    source->bytes.remove_prefix(length);
    return CAIRO_STATUS_SUCCESS;
}

// Images are read as skin files are: a regular file within the skin size limit, decoded from
// memory (a FIFO or device in the skin folder must not stall a paint).
cairo_surface_t* LoadPng(const std::string& path, std::string& why) {
    const FileRead read = ReadRegularFile(path, kMaxSkinFileBytes);
    if (!read.ok()) {
        why = DescribeFileRead(read.status);
        return nullptr;
    }
    PngSource source{read.text};
    cairo_surface_t* surface = cairo_image_surface_create_from_png_stream(&ReadPngBytes, &source);
    if (cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS) return surface;
    why = cairo_status_to_string(cairo_surface_status(surface));
    cairo_surface_destroy(surface);
    return nullptr;
}

// Decoded images by full path, shared by every window of the process. A file that cannot be
// read is remembered as missing so it is traced once, not on every paint.
class ImageCache {
public:
    static ImageCache& Instance() {
        static ImageCache cache;
        return cache;
    }

    cairo_surface_t* Get(const std::string& path) {
        std::lock_guard lock(m_mutex);
        auto it = m_images.find(path);
        if (it != m_images.end()) return it->second.get();
        std::string why;
        cairo_surface_t* surface = LoadPng(path, why);
        if (!surface) DebugTraceF("uikit: image not found or not a PNG: %s (%s)", path.c_str(), why.c_str());
        m_images.emplace(path, SurfacePtr(surface, &cairo_surface_destroy));
        return surface;
    }

private:
    using SurfacePtr = std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)>;
    std::mutex m_mutex;
    std::map<std::string, SurfacePtr> m_images;
};

// A kept part serves where the paint lands on whole pixels: the manager's own transform is a
// translation (a HiDPI device scale lives in the target, which the kept part shares).
bool PaintsOnWholePixels(cairo_t* cr) {
    cairo_matrix_t m;
    cairo_get_matrix(cr, &m);
    return m.xx == 1 && m.yy == 1 && m.xy == 0 && m.yx == 0 && m.x0 == std::floor(m.x0) && m.y0 == std::floor(m.y0);
}

// The part as a source at `dst`: kept when drawing it would filter or upload the picture,
// else a view of the image scaled in place. The caller destroys the pattern.
cairo_pattern_t* PartPattern(cairo_t* cr, cairo_surface_t* image, const RECT& src, const RECT& dst) {
    cairo_surface_t* target = cairo_get_target(cr);
    const bool scaled = dst.Width() != src.Width() || dst.Height() != src.Height();
    const bool uploads = cairo_surface_get_type(target) != CAIRO_SURFACE_TYPE_IMAGE;
    if ((scaled || uploads) && PaintsOnWholePixels(cr)) {
        if (cairo_surface_t* kept = ScaledImagePart(target, image, src, dst.Width(), dst.Height())) {
            cairo_pattern_t* pattern = cairo_pattern_create_for_surface(kept);
            cairo_surface_destroy(kept);
            cairo_matrix_t m;
            cairo_matrix_init_translate(&m, -dst.left, -dst.top);
            cairo_pattern_set_matrix(pattern, &m);
            return pattern;
        }
    }
    // A view of just this part, so filtering at its edges never samples the neighbours.
    cairo_surface_t* view = cairo_surface_create_for_rectangle(image, src.left, src.top, src.Width(), src.Height());
    cairo_pattern_t* pattern = cairo_pattern_create_for_surface(view);
    cairo_surface_destroy(view);
    cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
    cairo_matrix_t m;
    cairo_matrix_init_scale(&m, double(src.Width()) / dst.Width(), double(src.Height()) / dst.Height());
    cairo_matrix_translate(&m, -dst.left, -dst.top);
    cairo_pattern_set_matrix(pattern, &m);
    return pattern;
}

void DrawImagePart(cairo_t* cr, cairo_surface_t* image, const RECT& src, const RECT& dst,
                   double alpha, DWORD tint) {
    if (src.IsEmpty() || dst.IsEmpty()) return;
    cairo_save(cr);
    cairo_rectangle(cr, dst.left, dst.top, dst.Width(), dst.Height());
    cairo_clip(cr);
    cairo_pattern_t* part = PartPattern(cr, image, src, dst);
    if (tint != 0) {
        // The image's coverage masks the colour: a white key picture lit in any colour.
        cairo_set_source_rgba(cr, ((tint >> 16) & 0xFF) / 255.0, ((tint >> 8) & 0xFF) / 255.0,
                              (tint & 0xFF) / 255.0, ((tint >> 24) & 0xFF) / 255.0 * alpha);
        cairo_mask(cr, part);
    } else {
        cairo_set_source(cr, part);
        if (alpha >= 1.0) cairo_paint(cr);
        else cairo_paint_with_alpha(cr, alpha);
    }
    cairo_pattern_destroy(part);
    cairo_restore(cr);
}

}  // namespace

namespace render {

void SetSourceColor(cairo_t* cr, DWORD argb) {
    cairo_set_source_rgba(cr, ((argb >> 16) & 0xFF) / 255.0, ((argb >> 8) & 0xFF) / 255.0,
                          (argb & 0xFF) / 255.0, ((argb >> 24) & 0xFF) / 255.0);
}

void FillRect(cairo_t* cr, const RECT& rc, DWORD argb) {
    if (rc.IsEmpty()) return;
    SetSourceColor(cr, argb);
    cairo_rectangle(cr, rc.left, rc.top, rc.Width(), rc.Height());
    cairo_fill(cr);
}

namespace {

void RoundRectPath(cairo_t* cr, double x, double y, double w, double h, double rx, double ry) {
    rx = std::min(rx, w / 2);
    ry = std::min(ry, h / 2);
    if (rx <= 0 || ry <= 0) {
        cairo_rectangle(cr, x, y, w, h);
        return;
    }
    cairo_new_sub_path(cr);
    auto corner = [&](double cx, double cy, double a1, double a2) {
        cairo_save(cr);
        cairo_translate(cr, cx, cy);
        cairo_scale(cr, rx, ry);
        cairo_arc(cr, 0, 0, 1, a1, a2);
        cairo_restore(cr);
    };
    corner(x + w - rx, y + ry, -M_PI / 2, 0);
    corner(x + w - rx, y + h - ry, 0, M_PI / 2);
    corner(x + rx, y + h - ry, M_PI / 2, M_PI);
    corner(x + rx, y + ry, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr);
}

}  // namespace

void FillRoundRect(cairo_t* cr, const RECT& rc, SIZE round, DWORD argb) {
    if (rc.IsEmpty()) return;
    SetSourceColor(cr, argb);
    // Skin rounding values give the ellipse's full width and height, as the system's did.
    RoundRectPath(cr, rc.left, rc.top, rc.Width(), rc.Height(), round.cx / 2.0, round.cy / 2.0);
    cairo_fill(cr);
}

void DrawBorder(cairo_t* cr, const RECT& rc, int size, SIZE round, DWORD argb) {
    if (rc.IsEmpty() || size <= 0) return;
    SetSourceColor(cr, argb);
    const double half = size / 2.0;
    cairo_set_line_width(cr, size);
    RoundRectPath(cr, rc.left + half, rc.top + half, rc.Width() - size, rc.Height() - size,
                  round.cx / 2.0, round.cy / 2.0);
    cairo_stroke(cr);
}

void DrawLine(cairo_t* cr, POINT from, POINT to, int width, DWORD argb) {
    SetSourceColor(cr, argb);
    cairo_set_line_width(cr, width);
    cairo_move_to(cr, from.x + 0.5, from.y + 0.5);
    cairo_line_to(cr, to.x + 0.5, to.y + 0.5);
    cairo_stroke(cr);
}

bool DrawImageString(cairo_t* cr, CPaintManagerUI* manager, const RECT& rcItem,
                     std::string_view image, std::string_view modify, DWORD tint) {
    ImageDrawSpec spec = ParseImageString(image);
    if (!modify.empty()) {
        const ImageDrawSpec extra = ParseImageString(modify);
        if (extra.hasSource) { spec.source = extra.source; spec.hasSource = true; }
        if (extra.hasDest) { spec.dest = extra.dest; spec.hasDest = true; }
        if (extra.fade != 255) spec.fade = extra.fade;
    }
    if (spec.file.empty()) return false;
    cairo_surface_t* surface =
        ImageCache::Instance().Get(CResourceManager::GetInstance()->ResolvePath(spec.file));
    if (!surface) return false;
    auto scale = [manager](int v) { return manager ? manager->Scale(v) : v; };
    const RECT whole{0, 0, cairo_image_surface_get_width(surface), cairo_image_surface_get_height(surface)};
    RECT src = spec.hasSource ? IntersectRects(spec.source, whole) : whole;
    if (src.IsEmpty()) return false;
    RECT dst = rcItem;
    if (spec.hasDest) {
        dst = RECT{rcItem.left + scale(spec.dest.left), rcItem.top + scale(spec.dest.top),
                   rcItem.left + scale(spec.dest.right), rcItem.top + scale(spec.dest.bottom)};
    }
    const double alpha = spec.fade / 255.0;
    const RECT c = spec.corner;
    if (c.left == 0 && c.top == 0 && c.right == 0 && c.bottom == 0) {
        DrawImagePart(cr, surface, src, dst, alpha, tint);
        return true;
    }
    // Nine slices: corners keep their size (scaled for DPI), edges and middle stretch.
    const int sx[4] = {src.left, src.left + c.left, src.right - c.right, src.right};
    const int sy[4] = {src.top, src.top + c.top, src.bottom - c.bottom, src.bottom};
    const int dx[4] = {dst.left, dst.left + scale(c.left), dst.right - scale(c.right), dst.right};
    const int dy[4] = {dst.top, dst.top + scale(c.top), dst.bottom - scale(c.bottom), dst.bottom};
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col) {
            DrawImagePart(cr, surface, RECT{sx[col], sy[row], sx[col + 1], sy[row + 1]},
                          RECT{dx[col], dy[row], dx[col + 1], dy[row + 1]}, alpha, tint);
        }
    }
    return true;
}

namespace {

PangoFontDescription* DescriptionFor(CPaintManagerUI* manager, int fontId) {
    const FontInfo fallback;
    const FontInfo& font = manager ? manager->GetFont(fontId) : fallback;
    const int pixels = std::max(1, manager ? manager->Scale(font.size) : font.size);
    PangoFontDescription* desc = pango_font_description_new();
    pango_font_description_set_family(desc, font.face.c_str());
    pango_font_description_set_absolute_size(desc, pixels * PANGO_SCALE);
    pango_font_description_set_weight(desc, font.bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_style(desc, font.italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    return desc;
}

// A layout for the text in `width` pixels (0 = unlimited) with the DT_* style.
PangoLayout* MakeLayout(cairo_t* cr, CPaintManagerUI* manager, const std::string& text,
                        int fontId, UINT style, int width) {
    fonts::RefreshFontMapIfNeeded();
    PangoLayout* layout = pango_cairo_create_layout(cr);
    PangoFontDescription* desc = DescriptionFor(manager, fontId);
    pango_layout_set_font_description(layout, desc);
    pango_font_description_free(desc);
    if (manager && manager->GetFont(fontId).underline) {
        PangoAttrList* attrs = pango_attr_list_new();
        pango_attr_list_insert(attrs, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
        pango_layout_set_attributes(layout, attrs);
        pango_attr_list_unref(attrs);
    }
    pango_layout_set_text(layout, text.c_str(), static_cast<int>(text.size()));
    if (style & DT_SINGLELINE) {
        pango_layout_set_single_paragraph_mode(layout, TRUE);
        if ((style & DT_END_ELLIPSIS) && width > 0) {
            pango_layout_set_width(layout, width * PANGO_SCALE);
            pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_END);
        }
    } else if (width > 0) {
        pango_layout_set_width(layout, width * PANGO_SCALE);
        pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
        if (style & DT_END_ELLIPSIS) pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_END);
    }
    return layout;
}

// A context for measuring without a target (one per thread; cairo contexts are not shared).
std::unique_ptr<cairo_t, decltype(&cairo_destroy)>& MeasureContextSlot() {
    thread_local std::unique_ptr<cairo_t, decltype(&cairo_destroy)> context(nullptr, &cairo_destroy);
    return context;
}

cairo_t* MeasureContext() {
    auto& slot = MeasureContextSlot();
    if (!slot) {
        cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
        slot.reset(cairo_create(surface));
        cairo_surface_destroy(surface);
    }
    return slot.get();
}

// Laid-out texts kept between paints: shaping a text costs far more than drawing it, and an
// animated page repaints the same legends many times a second. Per thread, bounded, dropped
// when the fonts change.
struct LayoutKey {
    std::string text;
    std::string font;
    UINT style;
    int width;
    std::uint64_t fontGeneration;
    bool operator<(const LayoutKey& other) const {
        return std::tie(text, font, style, width, fontGeneration) <
               std::tie(other.text, other.font, other.style, other.width, other.fontGeneration);
    }
};
using LayoutCache = std::map<LayoutKey, PangoLayout*>;
constexpr std::size_t kLayoutCacheLimit = 1024;

LayoutCache& Layouts() {
    thread_local LayoutCache cache;
    return cache;
}

void ClearLayouts() {
    for (auto& [key, layout] : Layouts()) g_object_unref(layout);
    Layouts().clear();
}

std::string FontKey(CPaintManagerUI* manager, int fontId) {
    const FontInfo fallback;
    const FontInfo& font = manager ? manager->GetFont(fontId) : fallback;
    const int pixels = manager ? manager->Scale(font.size) : font.size;
    return font.face + '/' + std::to_string(pixels) + (font.bold ? "b" : "") + (font.italic ? "i" : "") +
           (font.underline ? "u" : "");
}

// The layout of a text to draw on `cr`; the cache keeps it.
PangoLayout* CachedLayout(cairo_t* cr, CPaintManagerUI* manager, const std::string& text, int fontId, UINT style,
                          int width) {
    fonts::RefreshFontMapIfNeeded();
    LayoutKey key{text, FontKey(manager, fontId), style, width, PrivateFont::Generation()};
    LayoutCache& cache = Layouts();
    if (const auto found = cache.find(key); found != cache.end()) {
        pango_cairo_update_layout(cr, found->second);
        return found->second;
    }
    if (cache.size() >= kLayoutCacheLimit) ClearLayouts();
    PangoLayout* layout = MakeLayout(cr, manager, text, fontId, style, width);
    cache.emplace(std::move(key), layout);
    return layout;
}

}  // namespace

void DrawText(cairo_t* cr, CPaintManagerUI* manager, const RECT& rc, const std::string& text,
              DWORD argb, int fontId, UINT style) {
    if (text.empty() || rc.IsEmpty()) return;
    PangoLayout* layout = CachedLayout(cr, manager, text, fontId, style, rc.Width());
    int w = 0, h = 0;
    pango_layout_get_pixel_size(layout, &w, &h);
    double x = rc.left;
    if (pango_layout_get_width(layout) > 0) {
        pango_layout_set_alignment(layout, (style & DT_CENTER)  ? PANGO_ALIGN_CENTER
                                           : (style & DT_RIGHT) ? PANGO_ALIGN_RIGHT
                                                                : PANGO_ALIGN_LEFT);
    } else if (style & DT_CENTER) {
        x = rc.left + (rc.Width() - w) / 2.0;
    } else if (style & DT_RIGHT) {
        x = rc.right - w;
    }
    double y = rc.top;
    if (style & DT_VCENTER) y = rc.top + (rc.Height() - h) / 2.0;
    else if (style & DT_BOTTOM) y = rc.bottom - h;
    cairo_save(cr);
    cairo_rectangle(cr, rc.left, rc.top, rc.Width(), rc.Height());
    cairo_clip(cr);
    SetSourceColor(cr, argb);
    cairo_move_to(cr, std::floor(x), std::floor(y));
    pango_cairo_show_layout(cr, layout);
    cairo_restore(cr);
}

SIZE MeasureText(CPaintManagerUI* manager, const std::string& text, int fontId, UINT style, int width) {
    PangoLayout* layout = MakeLayout(MeasureContext(), manager, text, fontId, style & ~DT_END_ELLIPSIS, width);
    int w = 0, h = 0;
    pango_layout_get_pixel_size(layout, &w, &h);
    g_object_unref(layout);
    return SIZE{w, h};
}

std::size_t TextIndexAtX(CPaintManagerUI* manager, const std::string& text, int fontId, int x) {
    if (text.empty() || x <= 0) return 0;
    PangoLayout* layout = MakeLayout(MeasureContext(), manager, text, fontId, DT_SINGLELINE, 0);
    int index = 0, trailing = 0;
    pango_layout_xy_to_index(layout, x * PANGO_SCALE, 0, &index, &trailing);
    g_object_unref(layout);
    std::size_t offset = std::min(static_cast<std::size_t>(std::max(0, index)), text.size());
    for (int i = 0; i < trailing; ++i) offset = Utf8NextBoundary(text, offset);
    return offset;
}

int TextXAtIndex(CPaintManagerUI* manager, const std::string& text, int fontId, std::size_t index) {
    if (text.empty() || index == 0) return 0;
    PangoLayout* layout = MakeLayout(MeasureContext(), manager, text, fontId, DT_SINGLELINE, 0);
    PangoRectangle pos;
    pango_layout_index_to_pos(layout, static_cast<int>(std::min(index, text.size())), &pos);
    int x = PANGO_PIXELS(pos.x);
    if (index >= text.size()) {
        int w = 0, h = 0;
        pango_layout_get_pixel_size(layout, &w, &h);
        x = w;
    }
    g_object_unref(layout);
    return x;
}

void ReleaseThreadResources() {
    ClearLayouts();
    MeasureContextSlot().reset();
}

int CountUnknownGlyphs(CPaintManagerUI* manager, const std::string& text, int fontId) {
    PangoLayout* layout = MakeLayout(MeasureContext(), manager, text, fontId, DT_SINGLELINE, 0);
    const int unknown = pango_layout_get_unknown_glyphs_count(layout);
    g_object_unref(layout);
    return unknown;
}

}  // namespace render
}  // namespace kx58::ui
