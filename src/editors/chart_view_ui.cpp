#include "editors/chart_view_ui.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "uikit/paint_manager.h"
#include "uikit/render.h"

namespace kx58 {

namespace {

// Told apart on the dark pages and from each other; the accent first.
constexpr ui::DWORD kPalette[] = {0xFF2EC5FF, 0xFFFF6B6B, 0xFFFFC94D, 0xFF7ED957,
                                  0xFFB07CFF, 0xFFFF9F43, 0xFF4DD0E1, 0xFFF78FB3};
constexpr ui::DWORD kEmptyPieColor = 0xFF2A2D35;
constexpr int kMargin = 8;
constexpr int kSwatch = 10;
constexpr int kLegendGap = 12;
constexpr int kRowGap = 6;
constexpr int kBarRound = 6;
constexpr double kBarShareOfSlot = 0.6;
constexpr double kTopAngle = -M_PI / 2;
constexpr ui::UINT kLineStyle = ui::DT_SINGLELINE | ui::DT_VCENTER | ui::DT_END_ELLIPSIS;

std::string FormatValue(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

std::string FormatShare(double value, double total) {
    return std::to_string(static_cast<int>(std::lround(total > 0 ? value * 100 / total : 0))) + "%";
}

}  // namespace

void* CChartViewUI::GetInterface(std::string_view name) {
    if (name == "ChartView") return this;
    return CControlUI::GetInterface(name);
}

ui::DWORD CChartViewUI::SeriesColor(std::size_t index) { return kPalette[index % std::size(kPalette)]; }

bool CChartViewUI::Add(const std::string& name, double value) {
    if (items_.size() >= kMaxItems) return false;
    items_.push_back(Item{name, std::isfinite(value) ? std::max(0.0, value) : 0.0});
    Invalidate();
    return true;
}

void CChartViewUI::RemoveAll() {
    items_.clear();
    Invalidate();
}

void CChartViewUI::SetView(View view) { view_ = view; Invalidate(); }
void CChartViewUI::SetShowText(bool show) { showText_ = show; Invalidate(); }
void CChartViewUI::SetFont(int font) { font_ = font; Invalidate(); }
void CChartViewUI::SetTextColor(ui::DWORD color) { textColor_ = color; Invalidate(); }
void CChartViewUI::SetShadowImage(const std::string& image) { shadowImage_ = image; Invalidate(); }
void CChartViewUI::SetShadowImageHeight(int height) { shadowImageHeight_ = std::max(0, height); Invalidate(); }
void CChartViewUI::SetPillarImage(const std::string& image) { pillarImage_ = image; Invalidate(); }
void CChartViewUI::SetPillarImageWidth(int width) { pillarImageWidth_ = std::max(0, width); Invalidate(); }

double CChartViewUI::Total() const {
    double total = 0;
    for (const Item& item : items_) total += item.value;
    return total;
}

double CChartViewUI::Largest() const {
    double largest = 0;
    for (const Item& item : items_) largest = std::max(largest, item.value);
    return largest;
}

ui::DWORD CChartViewUI::TextColor() const {
    if (textColor_) return textColor_;
    return m_pManager ? m_pManager->GetDefaultTextColor() : 0xFF000000;
}

int CChartViewUI::TextLineHeight() const {
    return ui::render::MeasureText(m_pManager, "Ag", font_, ui::DT_SINGLELINE).cy;
}

void CChartViewUI::PaintShadow(cairo_t* cr, const ui::RECT& under) {
    if (shadowImage_.empty() || shadowImageHeight_ <= 0) return;
    // Centred on the bottom edge: half under the pie or the bars' floor, half below it.
    const int height = Scale(shadowImageHeight_);
    const int top = under.bottom - height / 2;
    const ui::RECT shadow{under.left, top, under.right, top + height};
    ui::render::DrawImageString(cr, m_pManager, shadow, shadowImage_);
}

void CChartViewUI::PaintSlices(cairo_t* cr, double cx, double cy, double radius) {
    const double total = Total();
    if (total <= 0) {
        ui::render::SetSourceColor(cr, kEmptyPieColor);
        cairo_arc(cr, cx, cy, radius, 0, 2 * M_PI);
        cairo_fill(cr);
        return;
    }
    double start = kTopAngle;
    for (std::size_t i = 0; i < items_.size(); ++i) {
        const double sweep = 2 * M_PI * items_[i].value / total;
        if (sweep <= 0) continue;
        ui::render::SetSourceColor(cr, SeriesColor(i));
        cairo_move_to(cr, cx, cy);
        cairo_arc(cr, cx, cy, radius, start, start + sweep);
        cairo_close_path(cr);
        cairo_fill(cr);
        start += sweep;
    }
}

void CChartViewUI::PaintLegend(cairo_t* cr, const ui::RECT& area) {
    const int line = std::max(TextLineHeight(), Scale(kSwatch));
    const int rowHeight = line + Scale(kRowGap);
    const int rows = static_cast<int>(items_.size());
    int top = area.top + std::max(0, (area.Height() - rows * rowHeight) / 2);
    for (std::size_t i = 0; i < items_.size() && top + line <= area.bottom; ++i, top += rowHeight) {
        const int swatch = Scale(kSwatch);
        const int swatchTop = top + (line - swatch) / 2;
        ui::render::FillRoundRect(cr, ui::RECT{area.left, swatchTop, area.left + swatch, swatchTop + swatch},
                                  ui::SIZE{Scale(3), Scale(3)}, SeriesColor(i));
        const ui::RECT text{area.left + Scale(kSwatch) + Scale(kRowGap), top, area.right, top + line};
        ui::render::DrawText(cr, m_pManager, text, LegendText(i), TextColor(), font_, kLineStyle | ui::DT_LEFT);
    }
}

std::string CChartViewUI::LegendText(std::size_t index) const {
    return items_[index].name + "  " + FormatShare(items_[index].value, Total());
}

int CChartViewUI::LegendWidth() const {
    int widest = 0;
    for (std::size_t i = 0; i < items_.size(); ++i)
        widest = std::max(widest, ui::render::MeasureText(m_pManager, LegendText(i), font_, ui::DT_SINGLELINE).cx);
    return Scale(kSwatch) + Scale(kRowGap) + widest;
}

void CChartViewUI::PaintPie(cairo_t* cr) {
    const ui::RECT area = ui::DeflateRect(m_rcItem, ScaleRect(ui::RECT{kMargin, kMargin, kMargin, kMargin}));
    if (area.IsEmpty()) return;
    const bool legend = showText_ && !items_.empty();
    // The legend keeps its texts whole as long as the pie keeps two fifths of the width.
    const int room = legend ? std::max(area.Width() * 2 / 5, area.Width() - LegendWidth() - Scale(kLegendGap))
                            : area.Width();
    const int side = std::min(area.Height(), room);
    const int left = legend ? area.left : area.left + (area.Width() - side) / 2;
    const int top = area.top + (area.Height() - side) / 2;
    const ui::RECT pie{left, top, left + side, top + side};
    PaintShadow(cr, pie);
    cairo_save(cr);
    PaintSlices(cr, pie.left + side / 2.0, pie.top + side / 2.0, side / 2.0);
    cairo_restore(cr);
    if (legend) PaintLegend(cr, ui::RECT{pie.right + Scale(kLegendGap), area.top, area.right, area.bottom});
}

void CChartViewUI::PaintBar(cairo_t* cr, std::size_t index, const ui::RECT& bar) {
    if (bar.IsEmpty()) return;
    if (!pillarImage_.empty() && ui::render::DrawImageString(cr, m_pManager, bar, pillarImage_)) return;
    const int round = std::min(Scale(kBarRound), bar.Width());
    ui::render::FillRoundRect(cr, bar, ui::SIZE{round, round}, SeriesColor(index));
}

void CChartViewUI::PaintBarTexts(cairo_t* cr, std::size_t index, const ui::RECT& slot, int barTop, int line) {
    const ui::UINT style = kLineStyle | ui::DT_CENTER;
    ui::render::DrawText(cr, m_pManager, ui::RECT{slot.left, slot.bottom, slot.right, slot.bottom + line},
                         items_[index].name, TextColor(), font_, style);
    ui::render::DrawText(cr, m_pManager, ui::RECT{slot.left, barTop - line, slot.right, barTop},
                         FormatValue(items_[index].value), TextColor(), font_, style);
}

void CChartViewUI::PaintBars(cairo_t* cr) {
    const ui::RECT area = ui::DeflateRect(m_rcItem, ScaleRect(ui::RECT{kMargin, kMargin, kMargin, kMargin}));
    if (area.IsEmpty()) return;
    // A strip for the values over the tallest bar and one for the names under the floor.
    const int line = showText_ ? TextLineHeight() : 0;
    const ui::RECT plot{area.left, area.top + line, area.right, area.bottom - line};
    PaintShadow(cr, plot);
    if (items_.empty() || plot.IsEmpty()) return;
    const double largest = Largest();
    const std::size_t count = items_.size();
    for (std::size_t i = 0; i < count; ++i) {
        const ui::RECT slot{plot.left + static_cast<int>(plot.Width() * i / count), plot.top,
                            plot.left + static_cast<int>(plot.Width() * (i + 1) / count), plot.bottom};
        const int wanted =
            pillarImageWidth_ > 0 ? Scale(pillarImageWidth_) : static_cast<int>(slot.Width() * kBarShareOfSlot);
        const int width = std::clamp(wanted, 1, std::max(1, slot.Width()));
        const double share = largest > 0 ? items_[i].value / largest : 0;
        const int height = static_cast<int>(std::lround(plot.Height() * share));
        const int barLeft = slot.left + (slot.Width() - width) / 2;
        PaintBar(cr, i, ui::RECT{barLeft, plot.bottom - height, barLeft + width, plot.bottom});
        if (showText_) PaintBarTexts(cr, i, slot, plot.bottom - height, line);
    }
}

void CChartViewUI::PaintStatusImage(cairo_t* cr) {
    if (!m_pManager) return;
    if (view_ == View::Bars) PaintBars(cr);
    else PaintPie(cr);
}

void CChartViewUI::SetAttribute(const std::string& name, const std::string& value) {
    using V = const std::string&;
    static const ui::AttributeEntry<CChartViewUI> kAttributes[] = {
        {"view", [](CChartViewUI& c, V v) { c.SetView(v == "histpgram" ? View::Bars : View::Pie); }},
        {"shadowimage", [](CChartViewUI& c, V v) { c.SetShadowImage(v); }},
        {"shadowimageheight", [](CChartViewUI& c, V v) { c.SetShadowImageHeight(ui::ParseLength(v)); }},
        {"pillarimage", [](CChartViewUI& c, V v) { c.SetPillarImage(v); }},
        {"pillarimagewidth", [](CChartViewUI& c, V v) { c.SetPillarImageWidth(ui::ParseLength(v)); }},
        {"showhtml", [](CChartViewUI&, V) {}},
        {"showtext", [](CChartViewUI& c, V v) { c.SetShowText(ui::ParseBool(v)); }},
        {"font", [](CChartViewUI& c, V v) { c.SetFont(ui::ParseInt(v, -1)); }},
        {"textcolor", [](CChartViewUI& c, V v) { c.SetTextColor(ui::ParseColor(v)); }},
    };
    if (!ui::ApplyAttribute(kAttributes, *this, name, value)) CControlUI::SetAttribute(name, value);
}

}  // namespace kx58
