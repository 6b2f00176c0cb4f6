#include "uikit/scrollbar.h"

#include <algorithm>

#include "uikit/container.h"
#include "uikit/paint_manager.h"
#include "uikit/render.h"

namespace kx58::ui {

CScrollBarUI::CScrollBarUI() { m_dwBackColor = 0x30FFFFFF; }

void* CScrollBarUI::GetInterface(std::string_view name) {
    if (name == "ScrollBar") return this;
    return CControlUI::GetInterface(name);
}

void CScrollBarUI::SetScrollRange(int range) {
    m_nRange = std::max(0, range);
    m_nScrollPos = std::clamp(m_nScrollPos, 0, m_nRange);
    Invalidate();
}

void CScrollBarUI::SetScrollPos(int pos) {
    pos = std::clamp(pos, 0, m_nRange);
    if (pos == m_nScrollPos) return;
    m_nScrollPos = pos;
    Invalidate();
}

RECT CScrollBarUI::GetThumbRect() const {
    const RECT rc = m_rcItem;
    const int track = m_bHorizontal ? rc.Width() : rc.Height();
    const int view = track;  // the visible part of the content equals the track length
    const int content = view + m_nRange;
    const int thumb = std::max(Scale(16), content > 0 ? track * view / content : track);
    const int travel = std::max(0, track - thumb);
    const int offset = m_nRange > 0 ? travel * m_nScrollPos / m_nRange : 0;
    if (m_bHorizontal) return RECT{rc.left + offset, rc.top, rc.left + offset + thumb, rc.bottom};
    return RECT{rc.left, rc.top + offset, rc.right, rc.top + offset + thumb};
}

void CScrollBarUI::ScrollOwnerTo(int pos) {
    if (!m_pOwner) return;
    SIZE scroll = m_pOwner->GetScrollPos();
    (m_bHorizontal ? scroll.cx : scroll.cy) = pos;
    m_pOwner->SetScrollPos(scroll);
}

void CScrollBarUI::DoEvent(TEventUI& event) {
    if (!IsEnabled()) return CControlUI::DoEvent(event);
    switch (event.Type) {
        case UIEVENT_BUTTONDOWN:
        case UIEVENT_DBLCLICK: {
            const RECT thumb = GetThumbRect();
            if (thumb.Contains(event.ptMouse)) {
                m_bDragging = true;
                m_ptDragStart = event.ptMouse;
                m_nDragStartPos = m_nScrollPos;
            } else {
                const bool before = m_bHorizontal ? event.ptMouse.x < thumb.left
                                                  : event.ptMouse.y < thumb.top;
                const int page = m_bHorizontal ? m_rcItem.Width() : m_rcItem.Height();
                ScrollOwnerTo(m_nScrollPos + (before ? -page : page));
            }
            return;
        }
        case UIEVENT_MOUSEMOVE:
            if (m_bDragging) {
                const RECT thumb = GetThumbRect();
                const int track = m_bHorizontal ? m_rcItem.Width() : m_rcItem.Height();
                const int travel = track - (m_bHorizontal ? thumb.Width() : thumb.Height());
                const int moved = m_bHorizontal ? event.ptMouse.x - m_ptDragStart.x
                                                : event.ptMouse.y - m_ptDragStart.y;
                if (travel > 0) ScrollOwnerTo(m_nDragStartPos + moved * m_nRange / travel);
            } else {
                const bool hot = GetThumbRect().Contains(event.ptMouse);
                if (hot != m_bThumbHot) { m_bThumbHot = hot; Invalidate(); }
            }
            return;
        case UIEVENT_BUTTONUP:
            m_bDragging = false;
            return;
        case UIEVENT_MOUSELEAVE:
            if (m_bThumbHot) { m_bThumbHot = false; Invalidate(); }
            return;
        case UIEVENT_SCROLLWHEEL:
            if (m_pOwner) m_pOwner->DoEvent(event);
            return;
        default:
            CControlUI::DoEvent(event);
    }
}

void CScrollBarUI::DoPaint(cairo_t* cr, const RECT& rcPaint) {
    if (!RectsIntersect(rcPaint, m_rcItem)) return;
    if (!m_sRailImage.empty()) DrawImage(cr, m_sRailImage);
    else PaintBkColor(cr);
    const RECT thumb = GetThumbRect();
    if (!m_sThumbImage.empty()) {
        render::DrawImageString(cr, m_pManager, thumb, m_sThumbImage);
    } else {
        const int r = std::min(thumb.Width(), thumb.Height()) / 2;
        render::FillRoundRect(cr, thumb, SIZE{r, r}, m_bThumbHot || m_bDragging ? m_dwThumbHotColor : m_dwThumbColor);
    }
}

void CScrollBarUI::SetAttribute(const std::string& name, const std::string& value) {
    if (name == "thumbcolor") m_dwThumbColor = ParseColor(value);
    else if (name == "thumbhotcolor") m_dwThumbHotColor = ParseColor(value);
    else if (name == "thumbnormalimage") m_sThumbImage = value;
    else if (name == "railnormalimage" || name == "bknormalimage") m_sRailImage = value;
    else if (name == "linesize") m_nLineSize = ParseInt(value, 8);
    else if (name == "width" || name == "height" || name == "thickness") m_nThickness = std::max(1, ParseInt(value, 8));
    else CControlUI::SetAttribute(name, value);
}

}  // namespace kx58::ui
