#include "editors/audio_record_ui.h"

#include <algorithm>

#include "uikit/paint_manager.h"
#include "uikit/render.h"

namespace kx58 {

namespace {

constexpr int kFullLevel = 255;
constexpr int kPeakMarkHeight = 3;
constexpr int kInset = 2;
constexpr int kTextGap = 4;

}  // namespace

void* CAudioRecordUI::GetInterface(std::string_view name) {
    if (name == "AudioRecord") return this;
    return CLabelUI::GetInterface(name);
}

void CAudioRecordUI::SetLevels(std::span<const std::uint8_t> levels) {
    const std::size_t count = std::min(levels.size(), kMaxBands);
    if (count != levels_.size()) {
        levels_.assign(count, 0);
        peaks_.assign(count, 0);
    }
    for (std::size_t i = 0; i < count; ++i) {
        levels_[i] = levels[i];
        peaks_[i] = std::max(peaks_[i], levels_[i]);
    }
    Invalidate();
    if (AnyPeakAbove()) StartFalling();
    else StopFalling();
}

bool CAudioRecordUI::AnyPeakAbove() const {
    for (std::size_t i = 0; i < levels_.size(); ++i)
        if (peaks_[i] > levels_[i]) return true;
    return false;
}

void CAudioRecordUI::StartFalling() {
    if (falling_) return;
    // Without a window to time the fall there is nothing to watch it either.
    if (!SetTimer(kPeakTimerId, kPeakStepMs)) {
        peaks_ = levels_;
        return;
    }
    falling_ = true;
}

void CAudioRecordUI::StopFalling() {
    if (!falling_) return;
    KillTimer(kPeakTimerId);
    falling_ = false;
}

void CAudioRecordUI::StepPeaks() {
    for (std::size_t i = 0; i < levels_.size(); ++i)
        peaks_[i] = std::max(levels_[i], peaks_[i] - kPeakFallPerStep);
    Invalidate();
    if (!AnyPeakAbove()) StopFalling();
}

void CAudioRecordUI::SetManager(ui::CPaintManagerUI* manager, ui::CControlUI* parent, bool init) {
    if (manager != m_pManager) StopFalling();  // the timer belongs to the old window
    CLabelUI::SetManager(manager, parent, init);
    if (AnyPeakAbove()) StartFalling();
}

void CAudioRecordUI::DoEvent(ui::TEventUI& event) {
    // The fall is the control's own business: no "timer" notification for the window.
    if (event.Type == ui::UIEVENT_TIMER && event.wParam == kPeakTimerId) {
        StepPeaks();
        return;
    }
    CLabelUI::DoEvent(event);
}

void CAudioRecordUI::SetBarColor(ui::DWORD color) { barColor_ = color; Invalidate(); }
void CAudioRecordUI::SetTrackColor(ui::DWORD color) { trackColor_ = color; Invalidate(); }
void CAudioRecordUI::SetPeakColor(ui::DWORD color) { peakColor_ = color; Invalidate(); }
void CAudioRecordUI::SetBarGap(int gap) { barGap_ = std::max(0, gap); Invalidate(); }
void CAudioRecordUI::SetTextOnTop(bool onTop) { textOnTop_ = onTop; Invalidate(); }

int CAudioRecordUI::TextStripHeight() const {
    const std::string text = GetText();
    if (text.empty() || !m_pManager) return 0;
    return ui::render::MeasureText(m_pManager, text, m_iFont, ui::DT_SINGLELINE).cy + Scale(kTextGap);
}

ui::RECT CAudioRecordUI::TextRect() const {
    const int strip = std::min(TextStripHeight(), m_rcItem.Height());
    if (textOnTop_) return ui::RECT{m_rcItem.left, m_rcItem.top, m_rcItem.right, m_rcItem.top + strip};
    return ui::RECT{m_rcItem.left, m_rcItem.bottom - strip, m_rcItem.right, m_rcItem.bottom};
}

ui::RECT CAudioRecordUI::BarsRect() const {
    ui::RECT rc = m_rcItem;
    const int strip = TextStripHeight();
    if (textOnTop_) rc.top += strip;
    else rc.bottom -= strip;
    const int inset = Scale(kInset);
    return ui::DeflateRect(rc, ui::RECT{inset, inset, inset, inset});
}

void CAudioRecordUI::PaintBand(cairo_t* cr, std::size_t band, const ui::RECT& column) {
    const int width = column.Width();
    const ui::SIZE round{width, width};
    ui::render::FillRoundRect(cr, column, round, trackColor_);
    const int level = column.Height() * levels_[band] / kFullLevel;
    if (level > 0) {
        // Never shorter than it is wide, so a quiet band still shows a round dot.
        const int top = std::max(column.top, column.bottom - std::max(level, width));
        ui::render::FillRoundRect(cr, ui::RECT{column.left, top, column.right, column.bottom}, round, barColor_);
    }
    if (peaks_[band] <= 0) return;
    const int markHeight = Scale(kPeakMarkHeight);
    const int peakTop = std::max(column.top, column.bottom - column.Height() * peaks_[band] / kFullLevel - markHeight);
    ui::render::FillRoundRect(cr, ui::RECT{column.left, peakTop, column.right, peakTop + markHeight},
                              ui::SIZE{markHeight, markHeight}, peakColor_);
}

void CAudioRecordUI::PaintStatusImage(cairo_t* cr) {
    const ui::RECT area = BarsRect();
    const int count = static_cast<int>(levels_.size());
    if (area.IsEmpty() || count == 0) return;
    const int gap = Scale(barGap_);
    for (int i = 0; i < count; ++i) {
        const int left = area.left + area.Width() * i / count + gap / 2;
        const int right = std::max(left + 1, area.left + area.Width() * (i + 1) / count - (gap - gap / 2));
        PaintBand(cr, static_cast<std::size_t>(i), ui::RECT{left, area.top, right, area.bottom});
    }
}

void CAudioRecordUI::PaintText(cairo_t* cr) {
    const std::string text = GetText();
    if (text.empty() || !m_pManager) return;
    const ui::RECT rc = ui::DeflateRect(TextRect(), ScaleRect(m_rcTextPadding));
    ui::render::DrawText(cr, m_pManager, rc, text, CurrentTextColor(), m_iFont, m_uTextStyle);
}

void CAudioRecordUI::SetAttribute(const std::string& name, const std::string& value) {
    using V = const std::string&;
    static const ui::AttributeEntry<CAudioRecordUI> kAttributes[] = {
        {"barcolor", [](CAudioRecordUI& c, V v) { c.SetBarColor(ui::ParseColor(v)); }},
        {"trackcolor", [](CAudioRecordUI& c, V v) { c.SetTrackColor(ui::ParseColor(v)); }},
        {"peakcolor", [](CAudioRecordUI& c, V v) { c.SetPeakColor(ui::ParseColor(v)); }},
        {"bargap", [](CAudioRecordUI& c, V v) { c.SetBarGap(ui::ParseLength(v)); }},
        {"textplace", [](CAudioRecordUI& c, V v) { c.SetTextOnTop(v == "top"); }},
    };
    if (!ui::ApplyAttribute(kAttributes, *this, name, value)) CLabelUI::SetAttribute(name, value);
}

}  // namespace kx58
