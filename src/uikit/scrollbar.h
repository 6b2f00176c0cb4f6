#pragma once
// A scroll bar owned by a container: a track with a thumb that can be dragged; a click on
// the track pages.
#include "uikit/control.h"

namespace kx58::ui {

class CContainerUI;

class CScrollBarUI : public CControlUI {
public:
    CScrollBarUI();
    std::string GetClass() const override { return "ScrollBarUI"; }
    void* GetInterface(std::string_view name) override;

    void SetOwner(CContainerUI* owner) { m_pOwner = owner; }
    bool IsHorizontal() const { return m_bHorizontal; }
    void SetHorizontal(bool horizontal) { m_bHorizontal = horizontal; }
    int GetScrollRange() const { return m_nRange; }
    void SetScrollRange(int range);
    int GetScrollPos() const { return m_nScrollPos; }
    void SetScrollPos(int pos);
    int GetLineSize() const { return Scale(m_nLineSize); }
    void SetLineSize(int size) { m_nLineSize = size; }
    // Thickness in 96-DPI units.
    int GetThickness() const { return m_nThickness; }
    RECT GetThumbRect() const;

    void DoEvent(TEventUI& event) override;
    void DoPaint(cairo_t* cr, const RECT& rcPaint) override;
    void SetAttribute(const std::string& name, const std::string& value) override;

private:
    void ScrollOwnerTo(int pos);

    CContainerUI* m_pOwner = nullptr;
    bool m_bHorizontal = false;
    int m_nRange = 0;
    int m_nScrollPos = 0;
    int m_nLineSize = 8;
    int m_nThickness = 8;
    DWORD m_dwThumbColor = 0xFF6A6A6A;
    DWORD m_dwThumbHotColor = 0xFF8A8A8A;
    std::string m_sThumbImage;
    std::string m_sRailImage;
    bool m_bDragging = false;
    bool m_bThumbHot = false;
    POINT m_ptDragStart{};
    int m_nDragStartPos = 0;
};

}  // namespace kx58::ui
