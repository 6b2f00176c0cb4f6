#pragma once
// Progress bars and sliders.
#include "uikit/label.h"

namespace kx58::ui {

class CProgressUI : public CLabelUI {
public:
    CProgressUI();
    std::string GetClass() const override { return "ProgressUI"; }
    void* GetInterface(std::string_view name) override;

    bool IsHorizontal() const { return m_bHorizontal; }
    void SetHorizontal(bool horizontal) { m_bHorizontal = horizontal; Invalidate(); }
    int GetMinValue() const { return m_nMin; }
    void SetMinValue(int min);
    int GetMaxValue() const { return m_nMax; }
    void SetMaxValue(int max);
    int GetValue() const { return m_nValue; }
    // Clamped to [min, max].
    virtual void SetValue(int value);
    void SetForeColor(DWORD color) { m_dwForeColor = color; Invalidate(); }

    void PaintStatusImage(cairo_t* cr) override;
    void SetAttribute(const std::string& name, const std::string& value) override;

protected:
    // The part of the control that shows the value.
    RECT ValueRect() const;

    bool m_bHorizontal = true;
    int m_nMin = 0;
    int m_nMax = 100;
    int m_nValue = 0;
    DWORD m_dwForeColor = 0;
};

class CSliderUI : public CProgressUI {
public:
    CSliderUI();
    std::string GetClass() const override { return "SliderUI"; }
    void* GetInterface(std::string_view name) override;
    // Takes the focus on a click so arrow keys move it.
    bool IsFocusable() const override { return true; }

    int GetChangeStep() const { return m_nStep; }
    void SetChangeStep(int step) { m_nStep = step > 0 ? step : 1; }
    SIZE GetThumbSize() const { return m_szThumb; }
    void SetThumbSize(SIZE size) { m_szThumb = size; Invalidate(); }
    RECT GetThumbRect() const;
    void SetThumbImage(const std::string& image) { m_sThumbImage = image; Invalidate(); }

    // A drag sends "movevaluechanged" for every change and one "valuechanged" on release;
    // a click on the track, a wheel turn or an arrow key sends "valuechanged".
    void DoEvent(TEventUI& event) override;
    void PaintStatusImage(cairo_t* cr) override;
    void SetAttribute(const std::string& name, const std::string& value) override;

private:
    int ValueAtPoint(POINT pt) const;

    int m_nStep = 1;
    SIZE m_szThumb{10, 10};
    UINT m_uButtonState = 0;
    int m_nValueAtPress = 0;
    std::string m_sThumbImage;
    std::string m_sThumbHotImage;
    std::string m_sThumbPushedImage;
    DWORD m_dwThumbColor = 0xFFFFFFFF;
};

}  // namespace kx58::ui
