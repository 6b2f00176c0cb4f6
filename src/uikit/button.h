#pragma once
// Push buttons and options (check boxes, radio groups).
#include "uikit/label.h"

namespace kx58::ui {

class CButtonUI : public CLabelUI {
public:
    CButtonUI();
    std::string GetClass() const override { return "ButtonUI"; }
    void* GetInterface(std::string_view name) override;

    // Sends "click".
    bool Activate() override;
    void SetEnabled(bool enabled = true) override;
    UINT GetButtonState() const { return m_uButtonState; }

    const std::string& GetNormalImage() const { return m_sNormalImage; }
    void SetNormalImage(const std::string& image) { m_sNormalImage = image; Invalidate(); }
    void SetHotImage(const std::string& image) { m_sHotImage = image; Invalidate(); }
    void SetPushedImage(const std::string& image) { m_sPushedImage = image; Invalidate(); }
    void SetDisabledImage(const std::string& image) { m_sDisabledImage = image; Invalidate(); }
    void SetHotBkColor(DWORD color) { m_dwHotBkColor = color; Invalidate(); }

    void DoEvent(TEventUI& event) override;
    void PaintBkColor(cairo_t* cr) override;
    void PaintStatusImage(cairo_t* cr) override;
    void SetAttribute(const std::string& name, const std::string& value) override;

protected:
    DWORD CurrentTextColor() const override;

    UINT m_uButtonState = 0;
    std::string m_sNormalImage;
    std::string m_sHotImage;
    std::string m_sHotForeImage;
    std::string m_sPushedImage;
    std::string m_sPushedForeImage;
    std::string m_sFocusedImage;
    std::string m_sDisabledImage;
    DWORD m_dwHotTextColor = 0;
    DWORD m_dwPushedTextColor = 0;
    DWORD m_dwFocusedTextColor = 0;
    DWORD m_dwHotBkColor = 0;
    DWORD m_dwPushedBkColor = 0;
};

class COptionUI : public CButtonUI {
public:
    ~COptionUI() override;
    std::string GetClass() const override { return "OptionUI"; }
    void* GetInterface(std::string_view name) override;

    void SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init = true) override;
    const std::string& GetGroup() const { return m_sGroupName; }
    void SetGroup(const std::string& group);
    bool IsSelected() const { return m_bSelected; }
    // Changes the state; in a group, selecting one clears the others. The option whose state
    // changed sends "selectchanged" (wParam 1 selected, 0 cleared); cleared group members
    // stay silent.
    virtual void Selected(bool selected, bool triggerEvent = true);
    bool Activate() override;

    void SetSelectedImage(const std::string& image) { m_sSelectedImage = image; Invalidate(); }
    void SetSelectedBkColor(DWORD color) { m_dwSelectedBkColor = color; Invalidate(); }
    void PaintBkColor(cairo_t* cr) override;
    void PaintStatusImage(cairo_t* cr) override;
    void SetAttribute(const std::string& name, const std::string& value) override;

protected:
    DWORD CurrentTextColor() const override;

    bool m_bSelected = false;
    std::string m_sGroupName;
    std::string m_sSelectedImage;
    std::string m_sSelectedHotImage;
    std::string m_sSelectedForeImage;
    DWORD m_dwSelectedTextColor = 0;
    DWORD m_dwSelectedBkColor = 0;
};

}  // namespace kx58::ui
