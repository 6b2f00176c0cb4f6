#pragma once
// CColorSelectWnd: the colour picker, a modal pop-up of the main window built from
// "PalletDialog.xml". It offers a colour field, R/G/B edits, 20 preset colours, the user's
// collected colours and the seven-colour (cycling) choice. The presets, the collected
// colours and both selections live in the colour-options file.
#include <array>
#include <string>
#include <vector>

#include "uikit/window.h"

namespace kx58 {

inline constexpr std::size_t kPresetColourCount = 20;
inline constexpr std::size_t kCollectedColourCount = 10;

// "color_option_info.config": per-user, the defaults-folder copy when it is missing or broken.
struct ColourOptions {
    std::array<DWORD, kPresetColourCount> presets{};
    int presetSelected = 0;
    std::vector<DWORD> collected;  // most recent first
    int collectedSelected = 0;
};
ColourOptions ReadColourOptions();
bool WriteColourOptions(const ColourOptions& options);
std::string ColourOptionsPath();

struct ColourChoice {
    bool chosen = false;       // false: closed without a choice
    bool sevenColour = false;  // the cycling choice instead of one colour
    DWORD colour = 0;          // opaque ARGB
};

class CColorSelectWnd : public ui::WindowImplBase {
public:
    // Opens the picker on `initial` and waits for the user.
    static ColourChoice Choose(ui::CWindowWnd& owner, DWORD initial, int dpi);

    std::string GetWindowClassName() const override { return "ColorSelectWnd"; }
    std::string GetSkinFile() override { return "PalletDialog.xml"; }
    void InitWindow() override;
    void Notify(ui::TNotifyUI& msg) override;
    void OnFinalMessage(HWND hwnd) override;

private:
    explicit CColorSelectWnd(DWORD initial);
    void ShowColour(DWORD argb, const ui::CControlUI* from);
    void FillSwatches();
    void TakeOk();

    DWORD m_colour;
    bool m_sevenColour = false;
    ColourOptions m_options;
    ColourChoice* m_result = nullptr;
};

}  // namespace kx58
