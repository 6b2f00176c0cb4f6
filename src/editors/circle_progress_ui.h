#pragma once
// CCircleProgressUI: a progress shown as a ring (the mouse's battery, a DPI stage dial). A
// track circle in "trackcolor" and, over it, the value arc in "ringcolor" from 12 o'clock
// clockwise, "ringwidth" wide (96-DPI units). With "showtext" the middle of the ring shows
// the control's text (a DPI figure), or the value as a percentage of the range when it has
// none; without it the ring shows no text. Range, value and every other attribute are the
// progress bar's own; the bar's fore colour and fore image are not drawn.
#include <string>

#include "uikit/slider.h"

namespace kx58 {

class CCircleProgressUI : public ui::CProgressUI {
public:
    static constexpr int kDefaultRingWidth = 6;
    static constexpr ui::DWORD kDefaultRingColor = 0xFF2EC5FF;
    static constexpr ui::DWORD kDefaultTrackColor = 0xFF2A2D35;

    std::string GetClass() const override { return "CircleProgressUI"; }
    void* GetInterface(std::string_view name) override;

    int GetRingWidth() const { return ringWidth_; }
    void SetRingWidth(int width);
    void SetRingColor(ui::DWORD color);
    void SetTrackColor(ui::DWORD color);
    bool IsShowText() const { return showText_; }
    void SetShowText(bool show);
    // The share of the range the value covers, 0..1.
    double Fraction() const;

    void PaintStatusImage(cairo_t* cr) override;
    void PaintText(cairo_t* cr) override;
    void SetAttribute(const std::string& name, const std::string& value) override;

private:
    int ringWidth_ = kDefaultRingWidth;
    ui::DWORD ringColor_ = kDefaultRingColor;
    ui::DWORD trackColor_ = kDefaultTrackColor;
    bool showText_ = false;
};

}  // namespace kx58
