#include "uikit/button.h"

#include "uikit/paint_manager.h"
#include "uikit/render.h"

namespace kx58::ui {

CButtonUI::CButtonUI() { m_uTextStyle = DT_SINGLELINE | DT_VCENTER | DT_CENTER; }

void* CButtonUI::GetInterface(std::string_view name) {
    if (name == "Button") return this;
    return CLabelUI::GetInterface(name);
}

bool CButtonUI::Activate() {
    if (!CControlUI::Activate()) return false;
    SendNotify(DUI_MSGTYPE_CLICK);
    return true;
}

void CButtonUI::SetEnabled(bool enabled) {
    CControlUI::SetEnabled(enabled);
    if (!enabled) m_uButtonState = 0;
}

void CButtonUI::DoEvent(TEventUI& event) {
    if (!IsMouseEnabled() && event.Type > UIEVENT_MOUSEMOVE && event.Type <= UIEVENT_SCROLLWHEEL) {
        if (m_pParent) m_pParent->DoEvent(event);
        return;
    }
    switch (event.Type) {
        case UIEVENT_KEYDOWN:
            if (IsKeyboardEnabled() && (event.chKey == VK_SPACE || event.chKey == VK_RETURN)) {
                Activate();
                return;
            }
            break;
        case UIEVENT_DBLCLICK:
            if (IsEnabled()) SendNotify(DUI_MSGTYPE_DBCLICK);
            [[fallthrough]];
        case UIEVENT_BUTTONDOWN:
            if (IsEnabled() && m_rcItem.Contains(event.ptMouse)) {
                m_uButtonState |= UISTATE_PUSHED | UISTATE_CAPTURED;
                Invalidate();
            }
            return;
        case UIEVENT_MOUSEMOVE:
            if (m_uButtonState & UISTATE_CAPTURED) {
                const UINT old = m_uButtonState;
                if (m_rcItem.Contains(event.ptMouse)) m_uButtonState |= UISTATE_PUSHED;
                else m_uButtonState &= ~UISTATE_PUSHED;
                if (old != m_uButtonState) Invalidate();
            }
            return;
        case UIEVENT_BUTTONUP:
            if (m_uButtonState & UISTATE_CAPTURED) {
                const bool inside = m_rcItem.Contains(event.ptMouse);
                m_uButtonState &= ~(UISTATE_PUSHED | UISTATE_CAPTURED);
                Invalidate();
                if (inside) Activate();
            }
            return;
        case UIEVENT_MOUSEENTER:
            if (IsEnabled()) {
                m_uButtonState |= UISTATE_HOT;
                Invalidate();
            }
            break;
        case UIEVENT_MOUSELEAVE:
            if (m_uButtonState & UISTATE_HOT) {
                m_uButtonState &= ~UISTATE_HOT;
                Invalidate();
            }
            break;
        default:
            break;
    }
    CLabelUI::DoEvent(event);
}

DWORD CButtonUI::CurrentTextColor() const {
    if (IsEnabled()) {
        if ((m_uButtonState & UISTATE_PUSHED) && m_dwPushedTextColor) return m_dwPushedTextColor;
        if ((m_uButtonState & UISTATE_HOT) && m_dwHotTextColor) return m_dwHotTextColor;
        if (IsFocused() && m_dwFocusedTextColor) return m_dwFocusedTextColor;
    }
    return CLabelUI::CurrentTextColor();
}

void CButtonUI::PaintBkColor(cairo_t* cr) {
    DWORD color = m_dwBackColor;
    if (IsEnabled() && (m_uButtonState & UISTATE_PUSHED) && m_dwPushedBkColor) color = m_dwPushedBkColor;
    else if (IsEnabled() && (m_uButtonState & UISTATE_HOT) && m_dwHotBkColor) color = m_dwHotBkColor;
    if (color == 0) return;
    const DWORD saved = m_dwBackColor;
    m_dwBackColor = color;
    CControlUI::PaintBkColor(cr);
    m_dwBackColor = saved;
}

void CButtonUI::PaintStatusImage(cairo_t* cr) {
    if (!IsEnabled() && !m_sDisabledImage.empty()) {
        DrawImage(cr, m_sDisabledImage);
        return;
    }
    if ((m_uButtonState & UISTATE_PUSHED) && !m_sPushedImage.empty()) {
        DrawImage(cr, m_sPushedImage);
        if (!m_sPushedForeImage.empty()) DrawImage(cr, m_sPushedForeImage);
        return;
    }
    if ((m_uButtonState & UISTATE_HOT) && !m_sHotImage.empty()) {
        DrawImage(cr, m_sHotImage);
        if (!m_sHotForeImage.empty()) DrawImage(cr, m_sHotForeImage);
        return;
    }
    if (IsFocused() && !m_sFocusedImage.empty()) {
        DrawImage(cr, m_sFocusedImage);
    } else if (!m_sNormalImage.empty()) {
        DrawImage(cr, m_sNormalImage);
    }
    if ((m_uButtonState & UISTATE_HOT) && !m_sHotForeImage.empty()) DrawImage(cr, m_sHotForeImage);
    else if (!m_sForeImage.empty()) DrawImage(cr, m_sForeImage);
}

void CButtonUI::SetAttribute(const std::string& name, const std::string& value) {
    using V = const std::string&;
    static const AttributeEntry<CButtonUI> kAttributes[] = {
        {"normalimage", [](CButtonUI& c, V v) { c.SetNormalImage(v); }},
        {"hotimage", [](CButtonUI& c, V v) { c.SetHotImage(v); }},
        {"hotforeimage", [](CButtonUI& c, V v) { c.m_sHotForeImage = v; }},
        {"pushedimage", [](CButtonUI& c, V v) { c.SetPushedImage(v); }},
        {"pushedforeimage", [](CButtonUI& c, V v) { c.m_sPushedForeImage = v; }},
        {"focusedimage", [](CButtonUI& c, V v) { c.m_sFocusedImage = v; }},
        {"disabledimage", [](CButtonUI& c, V v) { c.SetDisabledImage(v); }},
        {"hottextcolor", [](CButtonUI& c, V v) { c.m_dwHotTextColor = ParseColor(v); }},
        {"pushedtextcolor", [](CButtonUI& c, V v) { c.m_dwPushedTextColor = ParseColor(v); }},
        {"focusedtextcolor", [](CButtonUI& c, V v) { c.m_dwFocusedTextColor = ParseColor(v); }},
        {"hotbkcolor", [](CButtonUI& c, V v) { c.SetHotBkColor(ParseColor(v)); }},
        {"pushedbkcolor", [](CButtonUI& c, V v) { c.m_dwPushedBkColor = ParseColor(v); }},
    };
    if (!ApplyAttribute(kAttributes, *this, name, value)) CLabelUI::SetAttribute(name, value);
}

COptionUI::~COptionUI() {
    if (m_pManager && !m_sGroupName.empty()) m_pManager->RemoveOptionGroup(m_sGroupName, this);
}

void* COptionUI::GetInterface(std::string_view name) {
    if (name == "Option") return this;
    return CButtonUI::GetInterface(name);
}

void COptionUI::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init) {
    if (m_pManager && manager != m_pManager && !m_sGroupName.empty())
        m_pManager->RemoveOptionGroup(m_sGroupName, this);
    CButtonUI::SetManager(manager, parent, init);
    if (manager && !m_sGroupName.empty()) manager->AddOptionGroup(m_sGroupName, this);
}

void COptionUI::SetGroup(const std::string& group) {
    if (group == m_sGroupName) return;
    if (m_pManager && !m_sGroupName.empty()) m_pManager->RemoveOptionGroup(m_sGroupName, this);
    m_sGroupName = group;
    if (m_pManager && !m_sGroupName.empty()) m_pManager->AddOptionGroup(m_sGroupName, this);
    if (m_bSelected) {
        m_bSelected = false;
        Selected(true, false);
    }
}

void COptionUI::Selected(bool selected, bool triggerEvent) {
    if (m_bSelected == selected) return;
    m_bSelected = selected;
    if (selected && m_pManager && !m_sGroupName.empty()) {
        for (CControlUI* member : m_pManager->GetOptionGroup(m_sGroupName)) {
            auto* option = static_cast<COptionUI*>(member->GetInterface("Option"));
            if (option && option != this && option->m_bSelected) {
                option->m_bSelected = false;
                option->Invalidate();
            }
        }
    }
    Invalidate();
    if (triggerEvent) SendNotify(DUI_MSGTYPE_SELECTCHANGED, selected ? 1 : 0);
}

bool COptionUI::Activate() {
    if (!CControlUI::Activate()) return false;
    if (!m_sGroupName.empty()) Selected(true);
    else Selected(!m_bSelected);
    SendNotify(DUI_MSGTYPE_CLICK);
    return true;
}

namespace {
constexpr DWORD kDisabledSelectionAlpha = 0x48000000u;
}  // namespace

DWORD COptionUI::CurrentTextColor() const {
    if (m_bSelected && IsEnabled() && m_dwSelectedTextColor) return m_dwSelectedTextColor;
    return CButtonUI::CurrentTextColor();
}

void COptionUI::PaintBkColor(cairo_t* cr) {
    if (m_bSelected && m_dwSelectedBkColor) {
        const DWORD saved = m_dwBackColor;
        // A disabled choice keeps its selection faint: at full strength under the disabled
        // text colour it could not be read.
        m_dwBackColor = IsEnabled() ? m_dwSelectedBkColor : (m_dwSelectedBkColor & 0x00FFFFFFu) | kDisabledSelectionAlpha;
        CControlUI::PaintBkColor(cr);
        m_dwBackColor = saved;
        return;
    }
    CButtonUI::PaintBkColor(cr);
}

void COptionUI::PaintStatusImage(cairo_t* cr) {
    if (m_bSelected && IsEnabled()) {
        if ((m_uButtonState & UISTATE_HOT) && !m_sSelectedHotImage.empty()) DrawImage(cr, m_sSelectedHotImage);
        else if (!m_sSelectedImage.empty()) DrawImage(cr, m_sSelectedImage);
        else CButtonUI::PaintStatusImage(cr);
        if (!m_sSelectedForeImage.empty()) DrawImage(cr, m_sSelectedForeImage);
        return;
    }
    CButtonUI::PaintStatusImage(cr);
}

void COptionUI::SetAttribute(const std::string& name, const std::string& value) {
    using V = const std::string&;
    static const AttributeEntry<COptionUI> kAttributes[] = {
        {"group", [](COptionUI& c, V v) { c.SetGroup(v); }},
        {"selected", [](COptionUI& c, V v) { c.Selected(ParseBool(v), false); }},
        {"selectedimage", [](COptionUI& c, V v) { c.SetSelectedImage(v); }},
        {"selectedhotimage", [](COptionUI& c, V v) { c.m_sSelectedHotImage = v; }},
        {"selectedforeimage", [](COptionUI& c, V v) { c.m_sSelectedForeImage = v; }},
        {"selectedtextcolor", [](COptionUI& c, V v) { c.m_dwSelectedTextColor = ParseColor(v); }},
        {"selectedbkcolor", [](COptionUI& c, V v) { c.SetSelectedBkColor(ParseColor(v)); }},
    };
    if (!ApplyAttribute(kAttributes, *this, name, value)) CButtonUI::SetAttribute(name, value);
}

}  // namespace kx58::ui
