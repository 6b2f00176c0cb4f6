#include "device/device_page_controls.h"

#include <algorithm>

#include "uikit/control_factory.h"
#include "uikit/paint_manager.h"
#include "uikit/render.h"
#include "uikit/slider.h"

namespace kx58 {
namespace {

constexpr DWORD kSelectedBorder = 0xFF2EC5FF;
constexpr DWORD kBandFill = 0x332EC5FF;
constexpr DWORD kBandBorder = 0xCC2EC5FF;
// A drag starts once the pointer moved this many pixels; a plain click selects nothing.
constexpr int kDragThreshold = 3;

bool Intersects(const ui::RECT& a, const ui::RECT& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

}  // namespace

// --- Key button ------------------------------------------------------------------------------

void* CDeviceKeyButtonUI::GetInterface(std::string_view name) {
    if (name == "DeviceKeyButton") return this;
    return CButtonUI::GetInterface(name);
}

void CDeviceKeyButtonUI::SetAttribute(const std::string& name, const std::string& value) {
    if (name == "lightimage") m_lightImage = value;
    else if (name == "keysetimage") m_keySetImage = value;
    else CButtonUI::SetAttribute(name, value);
}

void CDeviceKeyButtonUI::DoEvent(ui::TEventUI& event) {
    if (event.Type == ui::UIEVENT_DBLCLICK && IsEnabled() && m_rcItem.Contains(event.ptMouse)) {
        SendNotify("dbclick");
        return;
    }
    CButtonUI::DoEvent(event);
}

void CDeviceKeyButtonUI::SetLightColour(std::uint8_t red, std::uint8_t green, std::uint8_t blue, std::uint8_t alpha) {
    const DWORD colour = DWORD{alpha} << 24 | DWORD{red} << 16 | DWORD{green} << 8 | blue;
    if (colour == m_light) return;
    m_light = colour;
    // An animated page changes every key ten times a second; only the glow is repainted.
    ui::CPaintManagerUI* manager = GetManager();
    if (!m_lightImage.empty() || !manager || !IsVisible()) return Invalidate();
    const ui::RECT strip = GlowStrip();
    manager->Invalidate(ui::RECT{strip.left - 1, strip.top - 1, strip.right + 1, strip.bottom + 1});
}

ui::RECT CDeviceKeyButtonUI::GlowStrip() const {
    const int glow = std::max(2, m_rcItem.Height() / 8);
    return ui::RECT{m_rcItem.left + 3, m_rcItem.bottom - glow - 2, m_rcItem.right - 3, m_rcItem.bottom - 2};
}

void CDeviceKeyButtonUI::SetKeySelected(bool selected) {
    if (selected == m_selected) return;
    m_selected = selected;
    Invalidate();
}

CDeviceKeyButtonUI::~CDeviceKeyButtonUI() {
    if (m_cap) cairo_surface_destroy(m_cap);
}

CDeviceKeyButtonUI::CapLook CDeviceKeyButtonUI::CurrentLook() const {
    const int dpi = GetManager() ? GetManager()->GetDPI() : 0;
    return CapLook{m_rcItem.Width(), m_rcItem.Height(), dpi, m_uButtonState, m_selected, IsEnabled(), GetText()};
}

void CDeviceKeyButtonUI::DoPaint(cairo_t* cr, const ui::RECT& rcPaint) {
    if (!ui::RectsIntersect(rcPaint, m_rcItem) || m_rcItem.IsEmpty()) return;
    if (!m_lightImage.empty()) return CButtonUI::DoPaint(cr, rcPaint);  // the tint is the whole cap
    const CapLook look = CurrentLook();
    if (!m_cap || !(look == m_capLook)) {
        if (m_cap) cairo_surface_destroy(m_cap);
        m_cap = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, look.width, look.height);
        cairo_t* capCr = cairo_create(m_cap);
        cairo_translate(capCr, -m_rcItem.left, -m_rcItem.top);
        m_paintingCap = true;
        CButtonUI::DoPaint(capCr, m_rcItem);
        m_paintingCap = false;
        cairo_destroy(capCr);
        m_capLook = look;
    }
    cairo_set_source_surface(cr, m_cap, m_rcItem.left, m_rcItem.top);
    cairo_paint(cr);
    PaintGlow(cr);
}

void CDeviceKeyButtonUI::PaintGlow(cairo_t* cr) {
    if ((m_light >> 24) == 0) return;
    // The light shows as a glow along the bottom of the cap, as it shines through the key;
    // the LED's brightness is the glow's opacity.
    const ui::RECT strip = GlowStrip();
    ui::render::FillRoundRect(cr, strip, ui::SIZE{strip.Height(), strip.Height()}, m_light);
}

void CDeviceKeyButtonUI::PaintBkColor(cairo_t* cr) {
    CButtonUI::PaintBkColor(cr);
    if (!m_paintingCap && m_lightImage.empty()) PaintGlow(cr);
}

void CDeviceKeyButtonUI::PaintStatusImage(cairo_t* cr) {
    CButtonUI::PaintStatusImage(cr);
    if (!m_lightImage.empty() && (m_light >> 24) != 0)
        ui::render::DrawImageString(cr, GetManager(), m_rcItem, m_lightImage, {}, m_light);
    if (m_selected) ui::render::DrawBorder(cr, m_rcItem, Scale(2), ui::SIZE{Scale(4), Scale(4)}, kSelectedBorder);
}

// --- Select panel ----------------------------------------------------------------------------

void* CSelectPanelUI::GetInterface(std::string_view name) {
    if (name == "SelectPanel") return this;
    return CVerticalLayoutUI::GetInterface(name);
}

ui::RECT CSelectPanelUI::Band() const {
    return ui::RECT{std::min(m_from.x, m_to.x), std::min(m_from.y, m_to.y), std::max(m_from.x, m_to.x),
                std::max(m_from.y, m_to.y)};
}

void CSelectPanelUI::DoEvent(ui::TEventUI& event) {
    switch (event.Type) {
        case ui::UIEVENT_BUTTONDOWN:
            if (!IsEnabled()) break;
            m_from = m_to = event.ptMouse;
            m_armed = true;
            return;
        case ui::UIEVENT_MOUSEMOVE:
            if (!m_armed) break;
            m_to = event.ptMouse;
            if (!m_dragging && (std::abs(m_to.x - m_from.x) > kDragThreshold || std::abs(m_to.y - m_from.y) > kDragThreshold))
                m_dragging = true;
            if (m_dragging) Invalidate();
            return;
        case ui::UIEVENT_BUTTONUP: {
            const bool dragged = m_dragging;
            m_armed = m_dragging = false;
            if (!dragged) break;
            m_to = event.ptMouse;
            SelectInBand();
            Invalidate();
            SendNotify("click_select_end");
            return;
        }
        default: break;
    }
    CVerticalLayoutUI::DoEvent(event);
}

void CSelectPanelUI::SelectInBand() {
    const ui::RECT band = Band();
    FindControl(
        [&band](ui::CControlUI* control) {
            if (auto* key = static_cast<CDeviceKeyButtonUI*>(control->GetInterface("DeviceKeyButton")))
                key->SetKeySelected(key->IsVisible() && Intersects(key->GetPos(), band));
            return false;  // every key button
        },
        ui::UIFIND_ALL);
}

void CSelectPanelUI::DoPaint(cairo_t* cr, const ui::RECT& rcPaint) {
    CVerticalLayoutUI::DoPaint(cr, rcPaint);
    if (!m_dragging) return;
    const ui::RECT band = Band();
    ui::render::FillRect(cr, band, kBandFill);
    ui::render::DrawBorder(cr, band, 1, ui::SIZE{0, 0}, kBandBorder);
}

// --- Power indicator -------------------------------------------------------------------------

void* CMpDevicePowerUI::GetInterface(std::string_view name) {
    if (name == "MpDevicePower") return this;
    return CHorizontalLayoutUI::GetInterface(name);
}

bool CMpDevicePowerUI::FindParts() {
    if (m_value && m_wirelessLogo && m_progress && m_status && m_phone) return true;
    // Hidden parts count too: the marks are shown only when they apply.
    const auto part = [this](const char* name) {
        return FindControl([name](ui::CControlUI* c) { return c->GetName() == name; }, ui::UIFIND_ALL);
    };
    m_value = part("device_power_value");
    m_wirelessLogo = part("device_wuxian_logo");
    m_progress = part("device_Power_progress");
    m_status = part("device_power_status");
    m_phone = part("device_phone_type");
    return m_value && m_wirelessLogo && m_progress && m_status && m_phone;
}

void CMpDevicePowerUI::ShowPowerStatus(std::span<const std::uint8_t> block, int kind) {
    if (!FindParts()) return;  // nothing is shown until every part exists
    const auto byte = [&block](std::size_t i) -> int { return i < block.size() ? block[i] : 0; };
    const int percent = std::clamp(byte(0), 0, 100);
    const bool wirelessCharging = byte(3) != 0;
    if (auto* progress = static_cast<ui::CProgressUI*>(m_progress->GetInterface("Progress")))
        progress->SetValue(100 - percent);
    m_value->SetText(std::to_string(percent) + "%");
    if (kind == 2) m_wirelessLogo->SetVisible(wirelessCharging);
    const char* image = "file='power/powered.png'";
    bool progressShown = true;
    switch (byte(1)) {
        case 1:
            progressShown = !wirelessCharging;
            image = wirelessCharging ? "file='power/wuxian_powering.png'" : "file='power/powering.png'";
            break;
        case 2: image = "file='power/power.png'"; break;
        default: break;
    }
    m_progress->SetVisible(progressShown);
    m_status->SetBkImage(image);
    if (kind != 3) return;
    struct Phone {
        int code;
        const char* tip;
        const char* image;
    };
    static constexpr Phone kPhones[] = {
        {1, "Phone_type_iphone", "file='power/Phone_type_iphone.png'"},
        {2, "Phone_type_samsung", "file='power/Phone_type_samsung.png'"},
        {3, "Phone_type_other", "file='power/Phone_type_other.png'"},
    };
    const Phone* phone = nullptr;
    for (const Phone& p : kPhones)
        if (p.code == byte(2)) phone = &p;
    m_phone->SetToolTip(phone ? phone->tip : "Phone_type_no_device");
    m_phone->SetBkImage(phone ? phone->image : "file='power/Phone_type_no_device.png'");
}

void RegisterDevicePageControls() {
    ui::CControlFactory* factory = ui::CControlFactory::GetInstance();
    factory->RegistControl("DeviceKeyButton", [] { return new CDeviceKeyButtonUI; });
    factory->RegistControl("SelectPanel", [] { return new CSelectPanelUI; });
    factory->RegistControl("MpDevicePower", [] { return new CMpDevicePowerUI; });
}

}  // namespace kx58
