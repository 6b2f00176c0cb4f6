#pragma once
// The controls of the device pages: the key buttons of the device picture, the panel that
// selects them with a rubber band, and the power indicator of wireless devices.
#include <cstdint>
#include <span>
#include <string>

#include "uikit/button.h"
#include "uikit/container.h"

namespace kx58 {

// One key or LED of a device picture. It shows the colour the device object gives it: a glow
// under the cap, or "lightimage" tinted with it. A double click sends "dbclick".
class CDeviceKeyButtonUI : public ui::CButtonUI {
public:
    CDeviceKeyButtonUI() = default;
    ~CDeviceKeyButtonUI() override;
    CDeviceKeyButtonUI(const CDeviceKeyButtonUI&) = delete;
    CDeviceKeyButtonUI& operator=(const CDeviceKeyButtonUI&) = delete;
    std::string GetClass() const override { return "DeviceKeyButton"; }
    void* GetInterface(std::string_view name) override;
    void SetAttribute(const std::string& name, const std::string& value) override;
    void DoEvent(ui::TEventUI& event) override;
    // The cap without its light is drawn once per look and then copied; the glow is drawn on it.
    void DoPaint(cairo_t* cr, const ui::RECT& rcPaint) override;
    void PaintBkColor(cairo_t* cr) override;
    void PaintStatusImage(cairo_t* cr) override;

    // Red, green, blue and alpha (0 shows no light).
    void SetLightColour(std::uint8_t red, std::uint8_t green, std::uint8_t blue, std::uint8_t alpha);
    DWORD GetLightColour() const { return m_light; }
    void SetKeySelected(bool selected);
    bool IsKeySelected() const { return m_selected; }
    // Where the LED's colour shows on the cap.
    ui::RECT GlowStrip() const;

private:
    // What the cached cap shows; another look draws it again.
    struct CapLook {
        int width = 0, height = 0, dpi = 0;
        UINT state = 0;
        bool selected = false, enabled = true;
        std::string text;
        bool operator==(const CapLook&) const = default;
    };
    CapLook CurrentLook() const;
    void PaintGlow(cairo_t* cr);

    std::string m_lightImage;
    std::string m_keySetImage;
    DWORD m_light = 0;  // ARGB, alpha as given
    bool m_selected = false;
    bool m_paintingCap = false;
    CapLook m_capLook;
    cairo_surface_t* m_cap = nullptr;
};

// Rubber-band selection of the key buttons inside it: a drag selects every key button its
// rectangle touches and clears the others, then sends "click_select_end".
class CSelectPanelUI : public ui::CVerticalLayoutUI {
public:
    std::string GetClass() const override { return "SelectPanel"; }
    void* GetInterface(std::string_view name) override;
    void DoEvent(ui::TEventUI& event) override;
    void DoPaint(cairo_t* cr, const ui::RECT& rcPaint) override;
    // The dragged rectangle while a drag runs.
    bool IsDragging() const { return m_dragging; }

private:
    ui::RECT Band() const;
    void SelectInBand();

    ui::POINT m_from{};
    ui::POINT m_to{};
    bool m_armed = false;
    bool m_dragging = false;
};

// The power indicator: charge, charging state, the wireless-charging mark of the mouse and
// the phone on the mouse pad's charger, from the device's power status block.
class CMpDevicePowerUI : public ui::CHorizontalLayoutUI {
public:
    std::string GetClass() const override { return "MpDevicePower"; }
    void* GetInterface(std::string_view name) override;
    // `kind` is the device kind number (2 mouse, 3 mouse pad); missing bytes count as 0.
    void ShowPowerStatus(std::span<const std::uint8_t> block, int kind);

private:
    bool FindParts();

    ui::CControlUI* m_value = nullptr;
    ui::CControlUI* m_wirelessLogo = nullptr;
    ui::CControlUI* m_progress = nullptr;
    ui::CControlUI* m_status = nullptr;
    ui::CControlUI* m_phone = nullptr;
};

// Registers the three controls with the control factory.
void RegisterDevicePageControls();

}  // namespace kx58
