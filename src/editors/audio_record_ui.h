#pragma once
// CAudioRecordUI: the sound level display of the audio lighting page. The page feeds it the
// levels of the capture program's frequency bands (0-255 each, SetLevels); each band shows
// as a rounded bar with a peak mark above it. A bar follows its level at once; a peak jumps
// up with it and falls back slowly, stepped by a control timer that runs only while some
// peak is above its level, so an idle display costs nothing. The label's text is drawn as a
// label's, in a strip under the bars ("textplace" "bottom", the default) or over them
// ("top"). Colours: "barcolor", "trackcolor", "peakcolor"; "bargap" between bars (96-DPI).
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "uikit/label.h"

namespace kx58 {

class CAudioRecordUI : public ui::CLabelUI {
public:
    static constexpr std::size_t kMaxBands = 32;
    static constexpr ui::UINT kPeakTimerId = 1;
    static constexpr ui::UINT kPeakStepMs = 40;
    static constexpr int kPeakFallPerStep = 6;  // a full peak is down in about 1.7 s
    static constexpr ui::DWORD kDefaultBarColor = 0xFF2EC5FF;
    static constexpr ui::DWORD kDefaultTrackColor = 0xFF23252B;
    static constexpr ui::DWORD kDefaultPeakColor = 0xFFD7DAE2;

    std::string GetClass() const override { return "AudioRecordUI"; }
    void* GetInterface(std::string_view name) override;

    // One value per band, at most kMaxBands (the rest is ignored); a new count of bands
    // starts them afresh.
    void SetLevels(std::span<const std::uint8_t> levels);
    std::size_t BandCount() const { return levels_.size(); }
    int Level(std::size_t band) const { return band < levels_.size() ? levels_[band] : 0; }
    int Peak(std::size_t band) const { return band < peaks_.size() ? peaks_[band] : 0; }
    // True while a peak is falling (the timer runs).
    bool IsFalling() const { return falling_; }

    void SetBarColor(ui::DWORD color);
    void SetTrackColor(ui::DWORD color);
    void SetPeakColor(ui::DWORD color);
    void SetBarGap(int gap);
    void SetTextOnTop(bool onTop);

    void SetManager(ui::CPaintManagerUI* manager, ui::CControlUI* parent, bool init = true) override;
    void DoEvent(ui::TEventUI& event) override;
    void PaintStatusImage(cairo_t* cr) override;
    void PaintText(cairo_t* cr) override;
    void SetAttribute(const std::string& name, const std::string& value) override;

private:
    bool AnyPeakAbove() const;
    void StepPeaks();
    void StartFalling();
    void StopFalling();
    int TextStripHeight() const;
    ui::RECT BarsRect() const;
    ui::RECT TextRect() const;
    void PaintBand(cairo_t* cr, std::size_t band, const ui::RECT& column);

    std::vector<int> levels_;
    std::vector<int> peaks_;
    bool falling_ = false;
    ui::DWORD barColor_ = kDefaultBarColor;
    ui::DWORD trackColor_ = kDefaultTrackColor;
    ui::DWORD peakColor_ = kDefaultPeakColor;
    int barGap_ = 3;
    bool textOnTop_ = false;
};

}  // namespace kx58
