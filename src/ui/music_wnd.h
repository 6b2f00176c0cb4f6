#pragma once
// The sound-reactive lighting's style window ("MusicWnd", "music.xml"): four named styles,
// each with a colour, one of them selected. A modal pop-up of the main window working on the
// "AudioLightInfo" object of "AudioFile.json".
#include <array>
#include <cstdint>
#include <string>

#include "uikit/window.h"

namespace kx58 {

inline constexpr std::size_t kAudioStyleCount = 4;

struct AudioStyles {
    int selected = 0;  // "nAudioStyle", 0..3
    std::array<std::string, kAudioStyleCount> names;
    std::array<std::array<std::uint8_t, 3>, kAudioStyleCount> colours{};  // R, G, B
};

// The per-user "AudioFile.json"; when it is missing or broken the defaults-folder copy,
// which is then written to the per-user folder.
AudioStyles ReadAudioStyles();
bool WriteAudioStyles(const AudioStyles& styles);
std::string AudioStylesPath();

class CMusicWnd : public ui::WindowImplBase {
public:
    // Shows the styles; true (and `styles` changed) when the user confirmed.
    static bool Edit(ui::CWindowWnd& owner, AudioStyles& styles, int dpi);

    std::string GetWindowClassName() const override { return "MusicWnd"; }
    std::string GetSkinFile() override { return "music.xml"; }
    void InitWindow() override;
    void Notify(ui::TNotifyUI& msg) override;
    void OnFinalMessage(HWND hwnd) override;

private:
    explicit CMusicWnd(const AudioStyles& styles) : m_styles(styles) {}
    void ShowStyle(int index);
    void TakeSliders();

    AudioStyles m_styles;
    AudioStyles* m_result = nullptr;
};

}  // namespace kx58
