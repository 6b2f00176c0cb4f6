#include "uikit/color_palette.h"

#include <algorithm>
#include <cmath>

#include "uikit/paint_manager.h"
#include "uikit/render.h"

namespace kx58::ui {

DWORD ColorFromHsv(double h, double s, double v) {
    h = std::clamp(h, 0.0, 1.0) * 6.0;
    s = std::clamp(s, 0.0, 1.0);
    v = std::clamp(v, 0.0, 1.0);
    const int sector = std::min(5, static_cast<int>(h));
    const double f = h - sector;
    const double p = v * (1 - s), q = v * (1 - s * f), t = v * (1 - s * (1 - f));
    double r = v, g = t, b = p;
    switch (sector) {
        case 1: r = q; g = v; b = p; break;
        case 2: r = p; g = v; b = t; break;
        case 3: r = p; g = q; b = v; break;
        case 4: r = t; g = p; b = v; break;
        case 5: r = v; g = p; b = q; break;
        default: break;
    }
    auto byte = [](double x) { return static_cast<DWORD>(std::lround(x * 255.0)); };
    return 0xFF000000u | (byte(r) << 16) | (byte(g) << 8) | byte(b);
}

void HsvFromColor(DWORD argb, double& h, double& s, double& v) {
    const double r = ((argb >> 16) & 0xFF) / 255.0;
    const double g = ((argb >> 8) & 0xFF) / 255.0;
    const double b = (argb & 0xFF) / 255.0;
    const double max = std::max({r, g, b});
    const double min = std::min({r, g, b});
    const double d = max - min;
    v = max;
    s = max > 0 ? d / max : 0;
    if (d <= 0) {
        h = 0;
    } else if (max == r) {
        h = std::fmod((g - b) / d + 6.0, 6.0) / 6.0;
    } else if (max == g) {
        h = ((b - r) / d + 2.0) / 6.0;
    } else {
        h = ((r - g) / d + 4.0) / 6.0;
    }
}

CColorPaletteUI::CColorPaletteUI() = default;

CColorPaletteUI::~CColorPaletteUI() {
    if (m_field) cairo_surface_destroy(m_field);
}

void* CColorPaletteUI::GetInterface(std::string_view name) {
    if (name == "ColorPalette") return this;
    return CControlUI::GetInterface(name);
}

DWORD CColorPaletteUI::GetSelectColor() const { return ColorFromHsv(m_hue, m_saturation, m_value); }

void CColorPaletteUI::SetSelectColor(DWORD argb) {
    HsvFromColor(argb, m_hue, m_saturation, m_value);
    Invalidate();
}

RECT CColorPaletteUI::FieldRect() const {
    RECT rc = m_rcItem;
    rc.bottom = std::max(rc.top, rc.bottom - Scale(m_nBarHeight + m_nGap));
    return rc;
}

RECT CColorPaletteUI::BarRect() const {
    RECT rc = m_rcItem;
    rc.top = std::max(rc.top, rc.bottom - Scale(m_nBarHeight));
    return rc;
}

void CColorPaletteUI::PickAt(POINT pt) {
    const DWORD before = GetSelectColor();
    if (m_drag == Drag::Field) {
        const RECT f = FieldRect();
        m_hue = std::clamp(double(pt.x - f.left) / std::max(1, f.Width() - 1), 0.0, 1.0);
        m_saturation = 1.0 - std::clamp(double(pt.y - f.top) / std::max(1, f.Height() - 1), 0.0, 1.0);
    } else if (m_drag == Drag::Bar) {
        const RECT b = BarRect();
        m_value = std::clamp(double(pt.x - b.left) / std::max(1, b.Width() - 1), 0.0, 1.0);
    }
    Invalidate();
    const DWORD after = GetSelectColor();
    if (after != before) SendNotify(DUI_MSGTYPE_COLORCHANGED, after);
}

void CColorPaletteUI::DoEvent(TEventUI& event) {
    if (!IsEnabled()) return CControlUI::DoEvent(event);
    switch (event.Type) {
        case UIEVENT_BUTTONDOWN:
            if (FieldRect().Contains(event.ptMouse)) m_drag = Drag::Field;
            else if (BarRect().Contains(event.ptMouse)) m_drag = Drag::Bar;
            PickAt(event.ptMouse);
            return;
        case UIEVENT_MOUSEMOVE:
            if (m_drag != Drag::None) PickAt(event.ptMouse);
            return;
        case UIEVENT_BUTTONUP:
            m_drag = Drag::None;
            return;
        default:
            CControlUI::DoEvent(event);
    }
}

void CColorPaletteUI::EnsureFieldSurface(int width, int height) {
    if (m_field && cairo_image_surface_get_width(m_field) == width &&
        cairo_image_surface_get_height(m_field) == height)
        return;
    if (m_field) cairo_surface_destroy(m_field);
    m_field = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    cairo_surface_flush(m_field);
    unsigned char* data = cairo_image_surface_get_data(m_field);
    const int stride = cairo_image_surface_get_stride(m_field);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(data + y * stride);
        const double s = 1.0 - double(y) / std::max(1, height - 1);
        for (int x = 0; x < width; ++x) row[x] = ColorFromHsv(double(x) / std::max(1, width - 1), s, 1.0);
    }
    cairo_surface_mark_dirty(m_field);
}

void CColorPaletteUI::DoPaint(cairo_t* cr, const RECT& rcPaint) {
    if (!RectsIntersect(rcPaint, m_rcItem)) return;
    PaintBkColor(cr);
    const RECT f = FieldRect();
    if (!f.IsEmpty()) {
        EnsureFieldSurface(f.Width(), f.Height());
        cairo_save(cr);
        cairo_set_source_surface(cr, m_field, f.left, f.top);
        cairo_rectangle(cr, f.left, f.top, f.Width(), f.Height());
        cairo_fill(cr);
        // Brightness darkens the whole field.
        cairo_set_source_rgba(cr, 0, 0, 0, 1.0 - m_value);
        cairo_rectangle(cr, f.left, f.top, f.Width(), f.Height());
        cairo_fill(cr);
        cairo_restore(cr);
        const int x = f.left + static_cast<int>(std::lround(m_hue * (f.Width() - 1)));
        const int y = f.top + static_cast<int>(std::lround((1.0 - m_saturation) * (f.Height() - 1)));
        const int r = Scale(4);
        if (!m_sThumbImage.empty()) {
            render::DrawImageString(cr, m_pManager, RECT{x - r, y - r, x + r, y + r}, m_sThumbImage);
        } else {
            render::DrawBorder(cr, RECT{x - r, y - r, x + r, y + r}, 1, SIZE{r, r}, 0xFFFFFFFF);
        }
    }
    const RECT b = BarRect();
    if (!b.IsEmpty()) {
        cairo_pattern_t* gradient = cairo_pattern_create_linear(b.left, 0, b.right, 0);
        const DWORD full = ColorFromHsv(m_hue, m_saturation, 1.0);
        cairo_pattern_add_color_stop_rgb(gradient, 0, 0, 0, 0);
        cairo_pattern_add_color_stop_rgb(gradient, 1, ((full >> 16) & 0xFF) / 255.0,
                                         ((full >> 8) & 0xFF) / 255.0, (full & 0xFF) / 255.0);
        cairo_set_source(cr, gradient);
        cairo_rectangle(cr, b.left, b.top, b.Width(), b.Height());
        cairo_fill(cr);
        cairo_pattern_destroy(gradient);
        const int x = b.left + static_cast<int>(std::lround(m_value * (b.Width() - 1)));
        render::FillRect(cr, RECT{x - Scale(2), b.top, x + Scale(2), b.bottom}, 0xFFFFFFFF);
    }
    PaintBorder(cr);
}

void CColorPaletteUI::SetAttribute(const std::string& name, const std::string& value) {
    if (name == "barheight") SetBarHeight(ParseInt(value, 12));
    else if (name == "palletheight" || name == "paletteheight") {}
    else if (name == "thumbimage") m_sThumbImage = value;
    else if (name == "color" || name == "selectcolor") SetSelectColor(ParseColor(value));
    else CControlUI::SetAttribute(name, value);
}

}  // namespace kx58::ui
