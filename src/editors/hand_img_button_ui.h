#pragma once
// Image buttons of the device pages (profile cards, picture choices).
//
// CHandImgButtonUI: a button with an extra image ("handimage") drawn over its state image and
// a delete mark in its top-right corner ("deletenormalimage", "deletehotimage" while the
// pointer is over the mark). The mark takes the image string's "dest" when it has one, else
// a kDeleteMarkSize square in the corner. A click released on the mark sends
// "click_handdelete" instead of "click".
//
// CHandImgSelectButtonUI: a button with the extra image and its own pointer ("cursor", one of
// the system's cursor names; the hand unless the skin names another).
//
// Both send "msenter" / "msleave" as the pointer enters or leaves them while they are
// enabled (the base control's notifications); a disabled one stays silent.
#include <string>

#include "uikit/button.h"

namespace kx58 {

inline constexpr const char* kNotifyClickHandDelete = "click_handdelete";

class CHandImgButtonUI : public ui::CButtonUI {
public:
    static constexpr int kDeleteMarkSize = 16;

    std::string GetClass() const override { return "HandImgButtonUI"; }
    void* GetInterface(std::string_view name) override;

    const std::string& GetHandImage() const { return handImage_; }
    void SetHandImage(const std::string& image);
    void SetDeleteNormalImage(const std::string& image);
    void SetDeleteHotImage(const std::string& image);
    // The delete mark in window pixels; empty when the button has no mark.
    ui::RECT DeleteMarkRect() const;
    bool IsDeleteMarkHot() const { return deleteHot_; }

    void DoEvent(ui::TEventUI& event) override;
    void PaintStatusImage(cairo_t* cr) override;
    void SetAttribute(const std::string& name, const std::string& value) override;

private:
    bool OnDeleteMark(ui::POINT pt) const;
    void SetDeleteHot(bool hot);
    // True when the release was on the mark and became "click_handdelete".
    bool ReleaseOnDeleteMark(const ui::TEventUI& event);
    void PaintDeleteMark(cairo_t* cr);

    std::string handImage_;
    std::string deleteNormalImage_;
    std::string deleteHotImage_;
    bool deleteHot_ = false;
};

class CHandImgSelectButtonUI : public ui::CButtonUI {
public:
    CHandImgSelectButtonUI();
    std::string GetClass() const override { return "HandImgSelectButtonUI"; }
    void* GetInterface(std::string_view name) override;

    const std::string& GetHandImage() const { return handImage_; }
    void SetHandImage(const std::string& image);

    void PaintStatusImage(cairo_t* cr) override;
    void SetAttribute(const std::string& name, const std::string& value) override;

private:
    std::string handImage_;
};

}  // namespace kx58
