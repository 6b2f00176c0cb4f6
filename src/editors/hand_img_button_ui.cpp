#include "editors/hand_img_button_ui.h"

#include "uikit/paint_manager.h"
#include "uikit/render.h"

namespace kx58 {

void* CHandImgButtonUI::GetInterface(std::string_view name) {
    if (name == "HandImgButton") return this;
    return CButtonUI::GetInterface(name);
}

void CHandImgButtonUI::SetHandImage(const std::string& image) {
    handImage_ = image;
    Invalidate();
}

void CHandImgButtonUI::SetDeleteNormalImage(const std::string& image) {
    deleteNormalImage_ = image;
    Invalidate();
}

void CHandImgButtonUI::SetDeleteHotImage(const std::string& image) {
    deleteHotImage_ = image;
    Invalidate();
}

ui::RECT CHandImgButtonUI::DeleteMarkRect() const {
    const std::string& image = deleteNormalImage_.empty() ? deleteHotImage_ : deleteNormalImage_;
    if (image.empty()) return {};
    const ui::ImageDrawSpec spec = ui::ParseImageString(image);
    if (spec.hasDest) {
        const ui::RECT dest = ScaleRect(spec.dest);
        return ui::OffsetRectBy(dest, m_rcItem.left, m_rcItem.top);
    }
    const int side = Scale(kDeleteMarkSize);
    return ui::RECT{m_rcItem.right - side, m_rcItem.top, m_rcItem.right, m_rcItem.top + side};
}

bool CHandImgButtonUI::OnDeleteMark(ui::POINT pt) const {
    return IsEnabled() && DeleteMarkRect().Contains(pt);
}

void CHandImgButtonUI::SetDeleteHot(bool hot) {
    if (hot == deleteHot_) return;
    deleteHot_ = hot;
    Invalidate();
}

bool CHandImgButtonUI::ReleaseOnDeleteMark(const ui::TEventUI& event) {
    if (!(m_uButtonState & ui::UISTATE_CAPTURED) || !OnDeleteMark(event.ptMouse)) return false;
    m_uButtonState &= ~(ui::UISTATE_PUSHED | ui::UISTATE_CAPTURED);
    Invalidate();
    SendNotify(kNotifyClickHandDelete);
    return true;
}

void CHandImgButtonUI::DoEvent(ui::TEventUI& event) {
    switch (event.Type) {
        case ui::UIEVENT_MOUSEENTER:
        case ui::UIEVENT_MOUSEMOVE:
            SetDeleteHot(OnDeleteMark(event.ptMouse));
            break;
        case ui::UIEVENT_MOUSELEAVE:
            SetDeleteHot(false);
            break;
        case ui::UIEVENT_BUTTONUP:
            if (IsMouseEnabled() && ReleaseOnDeleteMark(event)) return;
            break;
        default:
            break;
    }
    CButtonUI::DoEvent(event);
}

void CHandImgButtonUI::PaintDeleteMark(cairo_t* cr) {
    const std::string& image = deleteHot_ && !deleteHotImage_.empty() ? deleteHotImage_ : deleteNormalImage_;
    if (image.empty()) return;
    // An image string with its own dest is placed by it; one without fills the corner square.
    if (ui::ParseImageString(image).hasDest) DrawImage(cr, image);
    else ui::render::DrawImageString(cr, m_pManager, DeleteMarkRect(), image);
}

void CHandImgButtonUI::PaintStatusImage(cairo_t* cr) {
    CButtonUI::PaintStatusImage(cr);
    if (!handImage_.empty()) DrawImage(cr, handImage_);
    PaintDeleteMark(cr);
}

void CHandImgButtonUI::SetAttribute(const std::string& name, const std::string& value) {
    using V = const std::string&;
    static const ui::AttributeEntry<CHandImgButtonUI> kAttributes[] = {
        {"handimage", [](CHandImgButtonUI& c, V v) { c.SetHandImage(v); }},
        {"deletenormalimage", [](CHandImgButtonUI& c, V v) { c.SetDeleteNormalImage(v); }},
        {"deletehotimage", [](CHandImgButtonUI& c, V v) { c.SetDeleteHotImage(v); }},
    };
    if (!ui::ApplyAttribute(kAttributes, *this, name, value)) CButtonUI::SetAttribute(name, value);
}

CHandImgSelectButtonUI::CHandImgSelectButtonUI() { SetCursor(ui::CursorKind::Hand); }

void* CHandImgSelectButtonUI::GetInterface(std::string_view name) {
    if (name == "HandImgSelectButton") return this;
    return CButtonUI::GetInterface(name);
}

void CHandImgSelectButtonUI::SetHandImage(const std::string& image) {
    handImage_ = image;
    Invalidate();
}

void CHandImgSelectButtonUI::PaintStatusImage(cairo_t* cr) {
    CButtonUI::PaintStatusImage(cr);
    if (!handImage_.empty()) DrawImage(cr, handImage_);
}

void CHandImgSelectButtonUI::SetAttribute(const std::string& name, const std::string& value) {
    using V = const std::string&;
    static const ui::AttributeEntry<CHandImgSelectButtonUI> kAttributes[] = {
        {"handimage", [](CHandImgSelectButtonUI& c, V v) { c.SetHandImage(v); }},
        {"cursor", [](CHandImgSelectButtonUI& c, V v) { c.SetCursor(ui::ParseCursor(v)); }},
    };
    if (!ui::ApplyAttribute(kAttributes, *this, name, value)) CButtonUI::SetAttribute(name, value);
}

}  // namespace kx58
