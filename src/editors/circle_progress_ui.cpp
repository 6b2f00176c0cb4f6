#include "editors/circle_progress_ui.h"

#include <algorithm>
#include <cmath>

#include "uikit/paint_manager.h"
#include "uikit/render.h"

namespace kx58 {

namespace {

constexpr double kTopAngle = -M_PI / 2;  // 12 o'clock; cairo's angles grow clockwise on screen

void StrokeArc(cairo_t* cr, double cx, double cy, double radius, double width, double sweep,
               ui::DWORD color) {
    if (sweep <= 0 || color == 0) return;
    cairo_save(cr);
    ui::render::SetSourceColor(cr, color);
    cairo_set_line_width(cr, width);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
    cairo_new_path(cr);
    cairo_arc(cr, cx, cy, radius, kTopAngle, kTopAngle + sweep);
    cairo_stroke(cr);
    cairo_restore(cr);
}

}  // namespace

void* CCircleProgressUI::GetInterface(std::string_view name) {
    if (name == "CircleProgress") return this;
    return CProgressUI::GetInterface(name);
}

void CCircleProgressUI::SetRingWidth(int width) {
    ringWidth_ = std::max(1, ui::ClampLength(width));
    Invalidate();
}

void CCircleProgressUI::SetRingColor(ui::DWORD color) {
    ringColor_ = color;
    Invalidate();
}

void CCircleProgressUI::SetTrackColor(ui::DWORD color) {
    trackColor_ = color;
    Invalidate();
}

void CCircleProgressUI::SetShowText(bool show) {
    showText_ = show;
    Invalidate();
}

double CCircleProgressUI::Fraction() const {
    const int span = m_nMax - m_nMin;
    if (span <= 0) return 0;
    return std::clamp(static_cast<double>(m_nValue - m_nMin) / span, 0.0, 1.0);
}

void CCircleProgressUI::PaintStatusImage(cairo_t* cr) {
    const double side = std::min(m_rcItem.Width(), m_rcItem.Height());
    const double width = std::min<double>(Scale(ringWidth_), side / 2);
    if (width <= 0) return;
    const double cx = m_rcItem.left + m_rcItem.Width() / 2.0;
    const double cy = m_rcItem.top + m_rcItem.Height() / 2.0;
    const double radius = (side - width) / 2;
    StrokeArc(cr, cx, cy, radius, width, 2 * M_PI, trackColor_);
    StrokeArc(cr, cx, cy, radius, width, 2 * M_PI * Fraction(), ringColor_);
}

void CCircleProgressUI::PaintText(cairo_t* cr) {
    if (!showText_) return;
    std::string text = GetText();
    if (text.empty()) text = std::to_string(static_cast<int>(std::lround(Fraction() * 100))) + "%";
    if (!m_pManager) return;
    ui::render::DrawText(cr, m_pManager, m_rcItem, text, CurrentTextColor(), m_iFont,
                         ui::DT_SINGLELINE | ui::DT_CENTER | ui::DT_VCENTER);
}

void CCircleProgressUI::SetAttribute(const std::string& name, const std::string& value) {
    using V = const std::string&;
    static const ui::AttributeEntry<CCircleProgressUI> kAttributes[] = {
        {"ringwidth", [](CCircleProgressUI& c, V v) { c.SetRingWidth(ui::ParseLength(v, kDefaultRingWidth)); }},
        {"ringcolor", [](CCircleProgressUI& c, V v) { c.SetRingColor(ui::ParseColor(v)); }},
        {"trackcolor", [](CCircleProgressUI& c, V v) { c.SetTrackColor(ui::ParseColor(v)); }},
        {"showtext", [](CCircleProgressUI& c, V v) { c.SetShowText(ui::ParseBool(v)); }},
    };
    if (!ui::ApplyAttribute(kAttributes, *this, name, value)) CProgressUI::SetAttribute(name, value);
}

}  // namespace kx58
