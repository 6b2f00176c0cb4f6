#pragma once
// CLightControlUI: the lighting editor of a device page. It shows a profile's LightInfo and
// AudioLightInfo records in its controls, switches its setting groups by the chosen effect
// and the page's device kind, and reads the records back when the user changes something.
// It is a view: the owning device object feeds it and writes what it reads to the device.
// Controls are looked up inside this control on first use, so each page finds its own.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "device/quorin_usb_device.h"
#include "editors/named_controls.h"
#include "profile/profile_records.h"
#include "uikit/container.h"

namespace kx58 {

// 0xFF000000 | R << 16 | G << 8 | B.
DWORD OpaqueColour(std::uint8_t red, std::uint8_t green, std::uint8_t blue);

class CLightControlUI : public ui::CHorizontalLayoutUI, public ILightStateView {
public:
    std::string GetClass() const override { return "LightControlUI"; }
    void* GetInterface(std::string_view name) override;

    void SetPageKind(int kind) override;
    int GetPageKind() const { return pageKind_; }
    // Whether "deng_same_mode" may be shown at all.
    void SetSameModeAllowed(bool allowed) { sameModeAllowed_ = allowed; }
    void SetEffectList(const std::vector<std::string>& names, const std::vector<int>& visible, int maxBrightness,
                       int maxSpeed) override;
    void ShowLightInfo(const LightInfo& record) override;
    // The controls' values over `base` (the bytes the editor does not show keep theirs).
    LightInfo ReadLightInfo(const LightInfo& base) override;
    void UpdateLayout(int pageKind, int effect);

    int GetSelectedEffect();
    int GetCustomGroup();
    int GetSecondMode();
    int GetBrightness();
    int GetSpeed();
    int GetRed();
    int GetGreen();
    int GetBlue();
    DWORD GetPaletteColour();
    DWORD GetPreviewColour();
    bool IsSevenColour();
    // True for the left-hand direction option ("deng_FXL_check").
    bool IsDirectionLeft();
    // The background colour of swatch "color_option_" + n; 0 when there is none.
    DWORD GetSwatchColour(int n);
    // Shows a colour in the R, G, B edits, the palette and the preview button.
    void ShowColour(DWORD argb);

    void SetAudioLightInfo(const AudioLightInfo& record) override;
    AudioLightInfo GetAudioLightInfo() override;
    DWORD GetAudioColor();
    void ShowAudioColour(DWORD argb);
    DWORD GetAudioSwatchColour(int n);

    // ILightStateView, for the device object.
    void ShowLightState(const LightState& state, int effectIndex) override;
    void ShowAudioLightInfo(const std::array<int, 3>& info) override;
    std::array<int, 3> ReadAudioLightInfo() override;

    // A user's change inside the editor (a notification from one of its controls): the
    // editor updates its own controls. True when the lighting changed and should be applied.
    bool TakeUserEdit(const ui::TNotifyUI& msg);
    // Whether that edit chose the effect colour (swatch, palette, edits, picker).
    bool LastEditWasColour() const { return lastEditWasColour_; }
    // Shows whether every device runs this effect ("deng_same_mode"), sending nothing.
    void ShowSameEffectEverywhere(bool on) { SelectOption("deng_same_mode", on); }
    // The colour picker's answer for the effect colour or (`audio`) the sound colour.
    void TakePickedColour(DWORD argb, bool sevenColour, bool audio);

private:
    ui::CControlUI* Find(const std::string& name) { return controls_.Find(name); }
    template <class T> T* FindAs(const std::string& name) { return controls_.FindAs<T>(name); }
    void SetShown(const std::string& name, bool shown);
    void SetUsable(const std::string& name, bool usable);
    void SetDirectionTexts(const char* left, const char* right);
    void SelectOption(const std::string& name, bool selected);
    bool IsOptionSelected(const std::string& name);
    int SliderValue(const std::string& name);
    int EditValue(const std::string& name);
    DWORD ColourOfEdits(const char* red, const char* green, const char* blue);
    void ShowColourIn(DWORD argb, const char* red, const char* green, const char* blue, const char* palette,
                      const char* preview);

    int pageKind_ = 0;
    bool sameModeAllowed_ = true;
    AudioLightInfo audioRecord_;
    bool lastEditWasColour_ = false;
    NamedControls controls_{*this};
};

void RegisterEditorControls();

}  // namespace kx58
