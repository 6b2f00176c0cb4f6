#include "uikit/slider.h"

#include <algorithm>

#include "uikit/paint_manager.h"
#include "uikit/render.h"

namespace kx58::ui {

CProgressUI::CProgressUI() { m_uTextStyle = DT_SINGLELINE | DT_VCENTER | DT_CENTER; }

void* CProgressUI::GetInterface(std::string_view name) {
    if (name == "Progress") return this;
    return CLabelUI::GetInterface(name);
}

void CProgressUI::SetMinValue(int min) {
    m_nMin = min;
    if (m_nMax < m_nMin) m_nMax = m_nMin;
    SetValue(m_nValue);
    Invalidate();
}

void CProgressUI::SetMaxValue(int max) {
    m_nMax = std::max(max, m_nMin);
    SetValue(m_nValue);
    Invalidate();
}

void CProgressUI::SetValue(int value) {
    value = std::clamp(value, m_nMin, m_nMax);
    if (value == m_nValue) return;
    m_nValue = value;
    Invalidate();
}

RECT CProgressUI::ValueRect() const {
    RECT rc = m_rcItem;
    const int span = m_nMax - m_nMin;
    if (span <= 0) return RECT{rc.left, rc.top, rc.left, rc.bottom};
    if (m_bHorizontal) rc.right = rc.left + (m_nValue - m_nMin) * rc.Width() / span;
    else rc.top = rc.bottom - (m_nValue - m_nMin) * rc.Height() / span;
    return rc;
}

void CProgressUI::PaintStatusImage(cairo_t* cr) {
    const RECT part = ValueRect();
    if (part.IsEmpty()) return;
    cairo_save(cr);
    cairo_rectangle(cr, part.left, part.top, part.Width(), part.Height());
    cairo_clip(cr);
    if (m_dwForeColor) {
        const SIZE round{Scale(m_cxyBorderRound.cx), Scale(m_cxyBorderRound.cy)};
        render::FillRoundRect(cr, m_rcItem, round, m_dwForeColor);
    }
    // The fore image is laid over the whole control and clipped to the value.
    if (!m_sForeImage.empty()) DrawImage(cr, m_sForeImage);
    cairo_restore(cr);
}

void CProgressUI::SetAttribute(const std::string& name, const std::string& value) {
    if (name == "hor") SetHorizontal(ParseBool(value));
    else if (name == "min") SetMinValue(ParseInt(value));
    else if (name == "max") SetMaxValue(ParseInt(value));
    else if (name == "value") SetValue(ParseInt(value));
    else if (name == "forecolor") SetForeColor(ParseColor(value));
    else if (name == "isstretchfore") {}
    else CLabelUI::SetAttribute(name, value);
}

CSliderUI::CSliderUI() { m_uTextStyle = DT_SINGLELINE | DT_CENTER; }

void* CSliderUI::GetInterface(std::string_view name) {
    if (name == "Slider") return this;
    return CProgressUI::GetInterface(name);
}

RECT CSliderUI::GetThumbRect() const {
    const int cx = Scale(m_szThumb.cx);
    const int cy = Scale(m_szThumb.cy);
    const int span = m_nMax - m_nMin;
    if (m_bHorizontal) {
        const int travel = m_rcItem.Width() - cx;
        const int left = m_rcItem.left + (span > 0 ? (m_nValue - m_nMin) * travel / span : 0);
        const int top = (m_rcItem.top + m_rcItem.bottom - cy) / 2;
        return RECT{left, top, left + cx, top + cy};
    }
    const int travel = m_rcItem.Height() - cy;
    const int top = m_rcItem.bottom - cy - (span > 0 ? (m_nValue - m_nMin) * travel / span : 0);
    const int left = (m_rcItem.left + m_rcItem.right - cx) / 2;
    return RECT{left, top, left + cx, top + cy};
}

int CSliderUI::ValueAtPoint(POINT pt) const {
    const int span = m_nMax - m_nMin;
    if (m_bHorizontal) {
        const int cx = Scale(m_szThumb.cx);
        const int travel = std::max(1, m_rcItem.Width() - cx);
        const int offset = std::clamp(pt.x - m_rcItem.left - cx / 2, 0, travel);
        return m_nMin + (offset * span + travel / 2) / travel;
    }
    const int cy = Scale(m_szThumb.cy);
    const int travel = std::max(1, m_rcItem.Height() - cy);
    const int offset = std::clamp(m_rcItem.bottom - pt.y - cy / 2, 0, travel);
    return m_nMin + (offset * span + travel / 2) / travel;
}

void CSliderUI::DoEvent(TEventUI& event) {
    if (!IsEnabled() && event.Type != UIEVENT_SETFOCUS && event.Type != UIEVENT_KILLFOCUS) {
        CProgressUI::DoEvent(event);
        return;
    }
    switch (event.Type) {
        case UIEVENT_BUTTONDOWN:
        case UIEVENT_DBLCLICK:
            m_uButtonState |= UISTATE_CAPTURED;
            m_nValueAtPress = m_nValue;
            if (!GetThumbRect().Contains(event.ptMouse)) {
                SetValue(ValueAtPoint(event.ptMouse));
                if (m_nValue != m_nValueAtPress) SendNotify(DUI_MSGTYPE_MOVEVALUECHANGED);
            }
            Invalidate();
            return;
        case UIEVENT_MOUSEMOVE:
            if (m_uButtonState & UISTATE_CAPTURED) {
                const int old = m_nValue;
                SetValue(ValueAtPoint(event.ptMouse));
                if (m_nValue != old) SendNotify(DUI_MSGTYPE_MOVEVALUECHANGED);
            }
            return;
        case UIEVENT_BUTTONUP:
            if (m_uButtonState & UISTATE_CAPTURED) {
                m_uButtonState &= ~UISTATE_CAPTURED;
                Invalidate();
                SendNotify(DUI_MSGTYPE_VALUECHANGED);
            }
            return;
        case UIEVENT_SCROLLWHEEL: {
            const int old = m_nValue;
            SetValue(m_nValue + (event.wParam == 0 ? m_nStep : -m_nStep));
            if (m_nValue != old) SendNotify(DUI_MSGTYPE_VALUECHANGED);
            return;
        }
        case UIEVENT_KEYDOWN: {
            int delta = 0;
            if (event.chKey == VK_RIGHT || event.chKey == VK_UP) delta = m_nStep;
            if (event.chKey == VK_LEFT || event.chKey == VK_DOWN) delta = -m_nStep;
            if (delta == 0) break;
            const int old = m_nValue;
            SetValue(m_nValue + delta);
            if (m_nValue != old) SendNotify(DUI_MSGTYPE_VALUECHANGED);
            return;
        }
        case UIEVENT_MOUSEENTER:
            m_uButtonState |= UISTATE_HOT;
            Invalidate();
            break;
        case UIEVENT_MOUSELEAVE:
            m_uButtonState &= ~UISTATE_HOT;
            Invalidate();
            break;
        default:
            break;
    }
    CProgressUI::DoEvent(event);
}

void CSliderUI::PaintStatusImage(cairo_t* cr) {
    CProgressUI::PaintStatusImage(cr);
    const RECT thumb = GetThumbRect();
    const std::string* image = &m_sThumbImage;
    if ((m_uButtonState & UISTATE_CAPTURED) && !m_sThumbPushedImage.empty()) image = &m_sThumbPushedImage;
    else if ((m_uButtonState & UISTATE_HOT) && !m_sThumbHotImage.empty()) image = &m_sThumbHotImage;
    if (!image->empty()) {
        render::DrawImageString(cr, m_pManager, thumb, *image);
    } else {
        const int r = std::min(thumb.Width(), thumb.Height()) / 2;
        render::FillRoundRect(cr, thumb, SIZE{r, r}, m_dwThumbColor);
    }
}

void CSliderUI::SetAttribute(const std::string& name, const std::string& value) {
    if (name == "thumbimage") SetThumbImage(value);
    else if (name == "thumbhotimage") m_sThumbHotImage = value;
    else if (name == "thumbpushedimage") m_sThumbPushedImage = value;
    else if (name == "thumbsize") SetThumbSize(ParseSize(value));
    else if (name == "thumbcolor") m_dwThumbColor = ParseColor(value);
    else if (name == "step") SetChangeStep(ParseInt(value, 1));
    else CProgressUI::SetAttribute(name, value);
}

}  // namespace kx58::ui
