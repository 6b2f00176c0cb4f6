#pragma once
// A colour picker: a field of hue (left to right) and saturation (top to bottom) above a
// brightness bar. Picking sends "colorchanged" with the colour (ARGB) in wParam.
#include "uikit/control.h"

namespace kx58::ui {

class CColorPaletteUI : public CControlUI {
public:
    CColorPaletteUI();
    ~CColorPaletteUI() override;
    std::string GetClass() const override { return "ColorPaletteUI"; }
    void* GetInterface(std::string_view name) override;

    DWORD GetSelectColor() const;
    // Moves the markers to the colour; sends nothing.
    void SetSelectColor(DWORD argb);
    // Height of the brightness bar and the gap above it, 96-DPI units.
    void SetBarHeight(int height) { m_nBarHeight = height; NeedUpdate(); }

    void DoEvent(TEventUI& event) override;
    void DoPaint(cairo_t* cr, const RECT& rcPaint) override;
    void SetAttribute(const std::string& name, const std::string& value) override;

private:
    RECT FieldRect() const;
    RECT BarRect() const;
    void PickAt(POINT pt);
    void EnsureFieldSurface(int width, int height);

    double m_hue = 0.0;         // 0..1
    double m_saturation = 1.0;  // 0..1
    double m_value = 1.0;       // 0..1
    int m_nBarHeight = 12;
    int m_nGap = 6;
    enum class Drag { None, Field, Bar } m_drag = Drag::None;
    std::string m_sThumbImage;
    cairo_surface_t* m_field = nullptr;
};

// HSV (each 0..1) to opaque ARGB, and back.
DWORD ColorFromHsv(double hue, double saturation, double value);
void HsvFromColor(DWORD argb, double& hue, double& saturation, double& value);

}  // namespace kx58::ui
