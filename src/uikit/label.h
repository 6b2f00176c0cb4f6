#pragma once
// Text controls: a label (one line by default) and a text block (wrapped).
#include "uikit/control.h"

namespace kx58::ui {

class CLabelUI : public CControlUI {
public:
    CLabelUI();
    std::string GetClass() const override { return "LabelUI"; }
    void* GetInterface(std::string_view name) override;

    UINT GetTextStyle() const { return m_uTextStyle; }
    void SetTextStyle(UINT style) { m_uTextStyle = style; Invalidate(); }
    DWORD GetTextColor() const { return m_dwTextColor; }
    void SetTextColor(DWORD color) { m_dwTextColor = color; Invalidate(); }
    DWORD GetDisabledTextColor() const { return m_dwDisabledTextColor; }
    void SetDisabledTextColor(DWORD color) { m_dwDisabledTextColor = color; Invalidate(); }
    int GetFont() const { return m_iFont; }
    void SetFont(int font) { m_iFont = font; Invalidate(); }
    RECT GetTextPadding() const { return m_rcTextPadding; }
    void SetTextPadding(RECT padding) { m_rcTextPadding = padding; Invalidate(); }
    bool IsAutoCalcWidth() const { return m_bAutoCalcWidth; }
    void SetAutoCalcWidth(bool autoCalc) { m_bAutoCalcWidth = autoCalc; NeedParentUpdate(); }
    void SetText(const std::string& text) override;

    SIZE EstimateSize(SIZE available) override;
    void PaintText(cairo_t* cr) override;
    void SetAttribute(const std::string& name, const std::string& value) override;

protected:
    // The colour text is drawn in for the current state.
    virtual DWORD CurrentTextColor() const;
    void DrawLabelText(cairo_t* cr, const std::string& text, DWORD color);

    UINT m_uTextStyle;
    DWORD m_dwTextColor = 0;
    DWORD m_dwDisabledTextColor = 0;
    int m_iFont = -1;
    RECT m_rcTextPadding{};
    bool m_bAutoCalcWidth = false;
};

class CTextUI : public CLabelUI {
public:
    CTextUI();
    std::string GetClass() const override { return "TextUI"; }
    void* GetInterface(std::string_view name) override;
};

}  // namespace kx58::ui
