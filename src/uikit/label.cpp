#include "uikit/label.h"

#include "uikit/paint_manager.h"
#include "uikit/render.h"

namespace kx58::ui {

CLabelUI::CLabelUI() : m_uTextStyle(DT_VCENTER | DT_SINGLELINE) {}

void* CLabelUI::GetInterface(std::string_view name) {
    if (name == "Label") return this;
    return CControlUI::GetInterface(name);
}

void CLabelUI::SetText(const std::string& text) {
    CControlUI::SetText(text);
    if (m_bAutoCalcWidth) NeedParentUpdate();
}

SIZE CLabelUI::EstimateSize(SIZE available) {
    SIZE size = CControlUI::EstimateSize(available);
    if (m_bAutoCalcWidth && m_pManager) {
        const SIZE text = render::MeasureText(m_pManager, GetText(), m_iFont, m_uTextStyle);
        const RECT pad = ScaleRect(m_rcTextPadding);
        size.cx = text.cx + pad.left + pad.right;
    }
    return size;
}

DWORD CLabelUI::CurrentTextColor() const {
    if (!IsEnabled()) {
        if (m_dwDisabledTextColor) return m_dwDisabledTextColor;
        return m_pManager ? m_pManager->GetDefaultDisabledColor() : 0xFFA7A6AA;
    }
    if (m_dwTextColor) return m_dwTextColor;
    return m_pManager ? m_pManager->GetDefaultTextColor() : 0xFF000000;
}

void CLabelUI::DrawLabelText(cairo_t* cr, const std::string& text, DWORD color) {
    if (text.empty() || !m_pManager) return;
    const RECT rc = DeflateRect(m_rcItem, ScaleRect(m_rcTextPadding));
    render::DrawText(cr, m_pManager, rc, text, color, m_iFont, m_uTextStyle);
}

void CLabelUI::PaintText(cairo_t* cr) { DrawLabelText(cr, GetText(), CurrentTextColor()); }

namespace {

// "align" and "valign" words and the bits they set; each entry clears the bits of its axis.
struct AlignWord {
    const char* word;
    UINT clear;
    UINT set;
};
constexpr AlignWord kAlignWords[] = {
    {"left", DT_CENTER | DT_RIGHT, DT_LEFT},
    {"center", DT_LEFT | DT_RIGHT, DT_CENTER},
    {"right", DT_LEFT | DT_CENTER, DT_RIGHT},
    {"top", DT_BOTTOM | DT_VCENTER, DT_TOP},
    {"vcenter", DT_TOP | DT_BOTTOM, DT_VCENTER},
    {"bottom", DT_TOP | DT_VCENTER, DT_BOTTOM},
};

UINT ApplyAlign(UINT style, const std::string& value) {
    std::size_t start = 0;
    while (start < value.size()) {
        std::size_t end = value.find_first_of(" ,|", start);
        if (end == std::string::npos) end = value.size();
        const std::string_view word(value.data() + start, end - start);
        for (const AlignWord& entry : kAlignWords)
            if (word == entry.word) style = (style & ~entry.clear) | entry.set;
        start = end + 1;
    }
    return style;
}

}  // namespace

void CLabelUI::SetAttribute(const std::string& name, const std::string& value) {
    if (name == "align" || name == "valign") {
        m_uTextStyle = ApplyAlign(m_uTextStyle, value);
        Invalidate();
    } else if (name == "endellipsis") {
        m_uTextStyle = ParseBool(value) ? (m_uTextStyle | DT_END_ELLIPSIS) : (m_uTextStyle & ~DT_END_ELLIPSIS);
    } else if (name == "wordbreak" || name == "multiline") {
        m_uTextStyle = ParseBool(value) ? ((m_uTextStyle | DT_WORDBREAK) & ~DT_SINGLELINE)
                                        : ((m_uTextStyle & ~DT_WORDBREAK) | DT_SINGLELINE);
    } else if (name == "textcolor") {
        SetTextColor(ParseColor(value));
    } else if (name == "disabledtextcolor") {
        SetDisabledTextColor(ParseColor(value));
    } else if (name == "font") {
        SetFont(ParseInt(value, -1));
    } else if (name == "textpadding") {
        SetTextPadding(ParseRect(value));
    } else if (name == "autocalcwidth") {
        SetAutoCalcWidth(ParseBool(value));
    } else if (name == "showhtml") {
        // Markup is not interpreted; the text is shown as written.
    } else {
        CControlUI::SetAttribute(name, value);
    }
}

CTextUI::CTextUI() { m_uTextStyle = DT_WORDBREAK; }

void* CTextUI::GetInterface(std::string_view name) {
    if (name == "Text") return this;
    return CLabelUI::GetInterface(name);
}

}  // namespace kx58::ui
