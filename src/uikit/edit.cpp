#include "uikit/edit.h"

#include <algorithm>

#include "uikit/paint_manager.h"
#include "uikit/render.h"
#include "uikit/window_backend.h"

namespace kx58::ui {

namespace {

std::size_t ByteOfCharIndex(const std::string& text, int index) {
    if (index < 0) return text.size();
    std::size_t offset = 0;
    for (int i = 0; i < index && offset < text.size(); ++i) offset = Utf8NextBoundary(text, offset);
    return offset;
}

}  // namespace

CEditUI::CEditUI() {
    m_uTextStyle = DT_SINGLELINE | DT_VCENTER | DT_LEFT;
    m_cursor = CursorKind::IBeam;
    m_rcTextPadding = RECT{4, 3, 4, 3};
    m_dwBackColor = 0xFFFFFFFF;
}

void* CEditUI::GetInterface(std::string_view name) {
    if (name == "Edit") return this;
    return CLabelUI::GetInterface(name);
}

void CEditUI::SetText(const std::string& text) {
    m_sText = text;
    m_caret = m_anchor = m_sText.size();
    Invalidate();
}

void CEditUI::SetSel(int start, int end) {
    m_anchor = ByteOfCharIndex(m_sText, start);
    m_caret = ByteOfCharIndex(m_sText, end);
    Invalidate();
}

void CEditUI::SetSelAll() {
    m_anchor = 0;
    m_caret = m_sText.size();
    Invalidate();
}

int CEditUI::GetCaretIndex() const {
    return static_cast<int>(Utf8CharCount(std::string_view(m_sText).substr(0, m_caret)));
}

std::string CEditUI::GetSelectedText() const { return m_sText.substr(SelLow(), SelHigh() - SelLow()); }

std::string CEditUI::DisplayText() const {
    if (!m_bPasswordMode) return m_sText;
    return std::string(Utf8CharCount(m_sText), '*');
}

void CEditUI::Changed() {
    Invalidate();
    SendNotify(DUI_MSGTYPE_TEXTCHANGED);
}

void CEditUI::DeleteSelection() {
    const std::size_t low = SelLow();
    m_sText.erase(low, SelHigh() - low);
    m_caret = m_anchor = low;
}

void CEditUI::InsertCodePoint(std::uint32_t codePoint) {
    if (codePoint < 0x20 || codePoint == 0x7F) return;
    if (m_bNumberOnly && (codePoint < '0' || codePoint > '9')) return;
    const std::string ch = Utf8FromCodePoint(codePoint);
    if (ch.empty()) return;
    const std::size_t remaining = Utf8CharCount(m_sText) - Utf8CharCount(GetSelectedText());
    if (m_iMaxChar > 0 && remaining >= static_cast<std::size_t>(m_iMaxChar)) return;
    DeleteSelection();
    m_sText.insert(m_caret, ch);
    m_caret = m_anchor = m_caret + ch.size();
}

void CEditUI::ReplaceSel(const std::string& text) {
    if (m_bReadOnly) return;
    const std::string before = m_sText;
    if (m_caret != m_anchor) DeleteSelection();
    for (std::size_t i = 0; i < text.size(); i = Utf8NextBoundary(text, i)) {
        const std::size_t next = Utf8NextBoundary(text, i);
        const auto* bytes = reinterpret_cast<const unsigned char*>(text.data() + i);
        std::uint32_t cp = bytes[0];
        const std::size_t len = next - i;
        if (len == 2) cp = ((bytes[0] & 0x1F) << 6) | (bytes[1] & 0x3F);
        else if (len == 3) cp = ((bytes[0] & 0x0F) << 12) | ((bytes[1] & 0x3F) << 6) | (bytes[2] & 0x3F);
        else if (len == 4) cp = ((bytes[0] & 0x07) << 18) | ((bytes[1] & 0x3F) << 12) | ((bytes[2] & 0x3F) << 6) | (bytes[3] & 0x3F);
        InsertCodePoint(cp);
    }
    if (m_sText != before) Changed();
}

void CEditUI::MoveCaret(std::size_t to, bool extend) {
    m_caret = std::min(to, m_sText.size());
    if (!extend) m_anchor = m_caret;
    Invalidate();
}

bool CEditUI::HandleKey(const TEventUI& event) {
    const bool shift = event.wKeyState & MODIFIER_SHIFT;
    const bool control = event.wKeyState & MODIFIER_CONTROL;
    switch (event.chKey) {
        case VK_LEFT:
            MoveCaret(m_caret != m_anchor && !shift ? SelLow() : Utf8PrevBoundary(m_sText, m_caret), shift);
            return true;
        case VK_RIGHT:
            MoveCaret(m_caret != m_anchor && !shift ? SelHigh() : Utf8NextBoundary(m_sText, m_caret), shift);
            return true;
        case VK_HOME:
            MoveCaret(0, shift);
            return true;
        case VK_END:
            MoveCaret(m_sText.size(), shift);
            return true;
        case VK_BACK:
        case VK_DELETE:
            if (m_bReadOnly) return true;
            if (m_caret == m_anchor) {
                if (event.chKey == VK_BACK) m_anchor = Utf8PrevBoundary(m_sText, m_caret);
                else m_anchor = Utf8NextBoundary(m_sText, m_caret);
            }
            if (m_caret != m_anchor) {
                DeleteSelection();
                Changed();
            }
            return true;
        case VK_RETURN:
            SendNotify(DUI_MSGTYPE_RETURN);
            return true;
        default:
            return control && HandleShortcut(event.chKey);
    }
}

bool CEditUI::HandleShortcut(UINT key) {
    switch (key) {
        case 'A':
            SetSelAll();
            return true;
        case 'C':
        case 'X':
            // A password never leaves the field.
            if (m_caret == m_anchor || m_bPasswordMode) return true;
            CurrentBackend().SetClipboardText(GetSelectedText());
            if (key == 'X' && !m_bReadOnly) {
                DeleteSelection();
                Changed();
            }
            return true;
        case 'V':
            ReplaceSel(CurrentBackend().GetClipboardText());
            return true;
        default:
            return false;
    }
}

std::size_t CEditUI::ByteAtX(int x) const {
    const RECT rc = DeflateRect(m_rcItem, ScaleRect(m_rcTextPadding));
    const std::size_t index =
        render::TextIndexAtX(m_pManager, DisplayText(), m_iFont, x - rc.left + m_scrollX);
    if (!m_bPasswordMode) return index;
    return ByteOfCharIndex(m_sText, static_cast<int>(index));
}

void CEditUI::DoEvent(TEventUI& event) {
    switch (event.Type) {
        case UIEVENT_BUTTONDOWN:
            if (!IsEnabled()) return;
            if (m_pManager && m_pManager->GetFocus() != this) m_pManager->SetFocus(this);
            MoveCaret(ByteAtX(event.ptMouse.x), event.wKeyState & MK_SHIFT);
            m_bSelecting = true;
            return;
        case UIEVENT_MOUSEMOVE:
            if (m_bSelecting) MoveCaret(ByteAtX(event.ptMouse.x), true);
            return;
        case UIEVENT_BUTTONUP:
            m_bSelecting = false;
            return;
        case UIEVENT_DBLCLICK:
            if (IsEnabled()) SetSelAll();
            break;
        case UIEVENT_MOUSEENTER:
            m_bHot = true;
            Invalidate();
            break;
        case UIEVENT_MOUSELEAVE:
            m_bHot = false;
            Invalidate();
            break;
        case UIEVENT_KEYDOWN:
            if (IsEnabled() && HandleKey(event)) return;
            break;
        case UIEVENT_CHAR:
            if (IsEnabled() && !m_bReadOnly) {
                const std::string before = m_sText;
                InsertCodePoint(event.chKey);
                if (m_sText != before) Changed();
            }
            return;
        case UIEVENT_KILLFOCUS:
            m_anchor = m_caret;
            m_bSelecting = false;
            break;
        default:
            break;
    }
    CLabelUI::DoEvent(event);
}

void CEditUI::PaintStatusImage(cairo_t* cr) {
    if (!IsEnabled() && !m_sDisabledImage.empty()) DrawImage(cr, m_sDisabledImage);
    else if (IsFocused() && !m_sFocusedImage.empty()) DrawImage(cr, m_sFocusedImage);
    else if (m_bHot && !m_sHotImage.empty()) DrawImage(cr, m_sHotImage);
    else if (!m_sNormalImage.empty()) DrawImage(cr, m_sNormalImage);
}

void CEditUI::PaintText(cairo_t* cr) {
    if (!m_pManager) return;
    const RECT rc = DeflateRect(m_rcItem, ScaleRect(m_rcTextPadding));
    const std::string shown = DisplayText();
    if (shown.empty() && !IsFocused() && !m_sTipValue.empty()) {
        render::DrawText(cr, m_pManager, rc, m_sTipValue, m_dwTipColor, m_iFont, m_uTextStyle);
        return;
    }
    // Byte offsets of the caret and selection inside the shown text.
    auto shownOffset = [&](std::size_t byte) {
        if (!m_bPasswordMode) return byte;
        return Utf8CharCount(std::string_view(m_sText).substr(0, byte));
    };
    const int caretX = render::TextXAtIndex(m_pManager, shown, m_iFont, shownOffset(m_caret));
    // Keep the caret inside the field.
    if (caretX - m_scrollX > rc.Width() - 1) m_scrollX = caretX - rc.Width() + 1;
    if (caretX - m_scrollX < 0) m_scrollX = caretX;
    cairo_save(cr);
    cairo_rectangle(cr, rc.left, m_rcItem.top, std::max(0, rc.Width()), m_rcItem.Height());
    cairo_clip(cr);
    if (IsFocused() && m_caret != m_anchor) {
        const int x1 = render::TextXAtIndex(m_pManager, shown, m_iFont, shownOffset(SelLow()));
        const int x2 = render::TextXAtIndex(m_pManager, shown, m_iFont, shownOffset(SelHigh()));
        render::FillRect(cr, RECT{rc.left + x1 - m_scrollX, rc.top, rc.left + x2 - m_scrollX, rc.bottom},
                         m_dwSelectionColor);
    }
    const RECT textRect{rc.left - m_scrollX, rc.top, rc.right + 10000, rc.bottom};
    render::DrawText(cr, m_pManager, textRect, shown, CurrentTextColor(), m_iFont,
                     DT_SINGLELINE | DT_VCENTER | DT_LEFT);
    if (IsFocused() && !m_bReadOnly) {
        const int x = rc.left + caretX - m_scrollX;
        render::FillRect(cr, RECT{x, rc.top, x + std::max(1, Scale(1)), rc.bottom}, CurrentTextColor());
    }
    cairo_restore(cr);
}

void CEditUI::SetAttribute(const std::string& name, const std::string& value) {
    using V = const std::string&;
    static const AttributeEntry<CEditUI> kAttributes[] = {
        {"readonly", [](CEditUI& c, V v) { c.SetReadOnly(ParseBool(v)); }},
        {"numberonly", [](CEditUI& c, V v) { c.SetNumberOnly(ParseBool(v)); }},
        {"password", [](CEditUI& c, V v) { c.SetPasswordMode(ParseBool(v)); }},
        {"maxchar", [](CEditUI& c, V v) { c.SetMaxChar(ParseInt(v, 255)); }},
        {"tipvalue", [](CEditUI& c, V v) { c.SetTipValue(v); }},
        {"prompttext", [](CEditUI& c, V v) { c.SetTipValue(v); }},
        {"tipvaluecolor", [](CEditUI& c, V v) { c.m_dwTipColor = ParseColor(v); }},
        {"prompttextcolor", [](CEditUI& c, V v) { c.m_dwTipColor = ParseColor(v); }},
        {"selectcolor", [](CEditUI& c, V v) { c.m_dwSelectionColor = ParseColor(v); }},
        {"normalimage", [](CEditUI& c, V v) { c.m_sNormalImage = v; }},
        {"hotimage", [](CEditUI& c, V v) { c.m_sHotImage = v; }},
        {"focusedimage", [](CEditUI& c, V v) { c.m_sFocusedImage = v; }},
        {"disabledimage", [](CEditUI& c, V v) { c.m_sDisabledImage = v; }},
        {"nativebkcolor", [](CEditUI& c, V v) { c.SetBkColor(ParseColor(v)); }},
    };
    if (!ApplyAttribute(kAttributes, *this, name, value)) CLabelUI::SetAttribute(name, value);
}

}  // namespace kx58::ui
