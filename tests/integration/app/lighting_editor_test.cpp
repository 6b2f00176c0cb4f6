// The lighting editor on the keyboard page as a user works it: effects switch the setting
// groups, and every change reaches the simulated keyboard's settings record and the profile.
#include "device/quorin_products.h"
#include "editors/light_control_ui.h"
#include "integration/app/main_window_fixture.h"
#include "profile/device_profile_ui.h"
#include "profile/json_file.h"
#include "uikit/button.h"
#include "uikit/list.h"
#include "uikit/paint_manager.h"
#include "uikit/slider.h"
#include "uikit/ui_events.h"

namespace kx58test {
namespace {

using namespace kx58;

class LightingEditorTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        ASSERT_TRUE(rack->Plug("kb"));
        OpenWindow();
        ASSERT_TRUE(RunUntil([&] { return TabShown("keyboard"); }));
        Page("keyboard").tab->SelectTab();
        keyboard = dynamic_cast<CQuorinKeyboardDevice*>(Page("keyboard").device);
        ASSERT_NE(keyboard, nullptr);
        ASSERT_TRUE(RunUntil([&] { return keyboard->Memory().Positions() > 0 && keyboard->IsLightThreadRunning(); }));
        editor = dynamic_cast<CLightControlUI*>(keyboard->LightControl());
        ASSERT_NE(editor, nullptr);
    }
    std::vector<std::uint8_t> Record() { return rack->Find("kb")->Memory().settings; }
    // Waits until the keyboard's record holds `value` at `offset`.
    bool RecordHolds(std::size_t offset, std::uint8_t value) {
        return RunUntil([&] {
            const std::vector<std::uint8_t> record = Record();
            return record.size() > offset && record[offset] == value;
        });
    }
    void ChooseEffect(int index) { dynamic_cast<ui::CComboUI*>(Find("light_combo_modeSelect"))->SelectItem(index); }
    // A slider let go at `value`, an edit left with `text`: what the controls report.
    void SlideTo(const std::string& name, int value) {
        auto* slider = dynamic_cast<ui::CProgressUI*>(Find(name));
        slider->SetValue(value);
        slider->GetManager()->SendNotify(slider, ui::DUI_MSGTYPE_VALUECHANGED);
    }
    void TypeAndLeave(const std::string& name, const std::string& text) {
        ui::CControlUI* edit = Find(name);
        edit->SetText(text);
        edit->GetManager()->SendNotify(edit, ui::DUI_MSGTYPE_KILLFOCUS);
    }
    bool Usable(const std::string& name) { return Find(name)->IsEnabled(); }
    bool Shown(const std::string& name) { return Find(name)->IsVisible(); }
    LightInfo StoredLightInfo() { return keyboard->ProfileData().GetLightInfo(); }

    CQuorinKeyboardDevice* keyboard = nullptr;
    CLightControlUI* editor = nullptr;
};

TEST_F(LightingEditorTest, EffectsSwitchTheGroupsAndEveryChangeReachesTheKeyboard) {
    // The hidden "Reserved" effect keeps its place in the list.
    auto* effects = dynamic_cast<ui::CComboUI*>(Find("light_combo_modeSelect"));
    ASSERT_EQ(effects->GetCount(), 31);
    EXPECT_FALSE(effects->GetItemAt(19)->IsVisible());
    EXPECT_TRUE(effects->GetItemAt(20)->IsVisible());

    // Static: no speed, no direction; a swatch gives the colour.
    ChooseEffect(6);
    EXPECT_FALSE(Usable("deng_speed_layout"));
    EXPECT_FALSE(Usable("deng_fx_layout"));
    EXPECT_TRUE(Usable("deng_color_layout"));
    EXPECT_TRUE(Shown("deng_same_mode"));
    Click("color_option_2");
    const DWORD swatch = Find("color_option_2")->GetBkColor();
    EXPECT_EQ(editor->GetPreviewColour(), swatch | 0xFF000000u);
    ASSERT_TRUE(RecordHolds(1, 6));
    ASSERT_TRUE(RecordHolds(6, static_cast<std::uint8_t>(swatch >> 16)));
    EXPECT_EQ(Record()[7], static_cast<std::uint8_t>(swatch >> 8));
    EXPECT_EQ(Record()[8], static_cast<std::uint8_t>(swatch));

    // Typed components: 255, 0, 128 shows as 0xFFFF0080 and is written.
    TypeAndLeave("deng_edit_R", "255");
    TypeAndLeave("deng_edit_G", "0");
    TypeAndLeave("deng_edit_B", "128");
    EXPECT_EQ(editor->GetPreviewColour(), 0xFFFF0080u);
    ASSERT_TRUE(RecordHolds(8, 128));
    EXPECT_EQ(Record()[6], 255);
    EXPECT_EQ(Record()[7], 0);

    // Wave: brightness, speed and direction all reach the record; the keyboard stores speed
    // reversed (4 is slowest).
    ChooseEffect(1);
    EXPECT_TRUE(Usable("deng_speed_layout"));
    EXPECT_TRUE(Usable("deng_fx_layout"));
    EXPECT_FALSE(Shown("deng_same_mode"));
    SlideTo("deng_light_slider", 2);
    SlideTo("deng_speed_slider", 4);
    Click("deng_FXL_check");
    ASSERT_TRUE(RecordHolds(1, 1));
    ASSERT_TRUE(RecordHolds(4, 1));
    EXPECT_EQ(Record()[2], 2);
    EXPECT_EQ(Record()[3], 0);
    Click("deng_FXR_check");
    ASSERT_TRUE(RecordHolds(4, 0));
    EXPECT_FALSE(dynamic_cast<ui::COptionUI*>(Find("deng_FXL_check"))->IsSelected());

    // The profile keeps what the keyboard got.
    const LightInfo stored = StoredLightInfo();
    EXPECT_EQ(stored.SelectItem, 1);
    EXPECT_EQ(stored.Light, 2);
    EXPECT_EQ(stored.Speed, 4);
    EXPECT_EQ(stored.Fx, 0);
    EXPECT_EQ(stored.Blue, 128);
    const Json::Value document = ReadJsonDocument(keyboard->ProfileControl()->GetProfilePathAt(0));
    EXPECT_EQ(document["Device"][0]["LightInfo"]["SelectItem"].asInt(), 1);

    // Circular and radial effects rename the direction options.
    ChooseEffect(3);
    EXPECT_EQ(Find("deng_FXL_check")->GetText(), "Clockwise");
    ChooseEffect(18);
    EXPECT_EQ(Find("deng_FXL_check")->GetText(), "Inwards");
    EXPECT_FALSE(Shown("deng_speed_layout") && Usable("deng_speed_layout"));
    ChooseEffect(17);
    EXPECT_TRUE(Shown("light_combo_ZZCCmodeSelectLayout"));
    EXPECT_FALSE(Usable("light_color_layout"));
    ChooseEffect(20);
    EXPECT_TRUE(Shown("lightcustom_layout"));
    EXPECT_FALSE(Shown("light_combo_ZZCCmodeSelectLayout"));
    EXPECT_TRUE(Usable("light_color_layout"));
    // Off and the device default leave nothing to set but the effect.
    ChooseEffect(0);
    EXPECT_FALSE(Usable("deng_light_layout"));
    EXPECT_FALSE(Usable("deng_color_layout"));
    EXPECT_TRUE(Usable("lighteffect_layout"));
}

TEST_F(LightingEditorTest, MusicModeShowsTheSoundSettingsAndIsRenderedByTheProgram) {
    ChooseEffect(29);
    EXPECT_TRUE(Shown("light_combo_AudiomodeSelectLayout"));
    EXPECT_FALSE(Shown("deng_speed_layout"));
    EXPECT_EQ(dynamic_cast<ui::CTabLayoutUI*>(Find("light_color_tablayout"))->GetCurSel(), 1);
    ASSERT_TRUE(RecordHolds(1, 0xFE));  // the keyboard only shows the stream

    // Foreground colour from a swatch; the background keeps its own.
    const AudioLightInfo before = keyboard->ProfileData().GetAudioLightInfo();
    Click("audio_FgColor_check");
    Click("audiocolor_option_5");
    const DWORD swatch = Find("audiocolor_option_5")->GetBkColor();
    ASSERT_TRUE(RunUntil([&] { return keyboard->ProfileData().GetAudioLightInfo().ColorTypeFlags == 1; }));
    const AudioLightInfo audio = keyboard->ProfileData().GetAudioLightInfo();
    EXPECT_EQ(audio.FgColorR, static_cast<std::uint8_t>(swatch >> 16));
    EXPECT_EQ(audio.FgColorB, static_cast<std::uint8_t>(swatch));
    EXPECT_EQ(audio.BkColorR, before.BkColorR);
    EXPECT_EQ(audio.BkColorB, before.BkColorB);

    // The level-only mode draws no colour: both colour options are off.
    dynamic_cast<ui::CComboUI*>(Find("light_combo_audiomodeSelect"))->SelectItem(3);
    EXPECT_FALSE(Usable("audio_BkColor_check"));
    EXPECT_FALSE(Usable("audio_FgColor_check"));
    ASSERT_TRUE(RunUntil([&] { return keyboard->ProfileData().GetAudioLightInfo().AudioMode == 3; }));
    dynamic_cast<ui::CComboUI*>(Find("light_combo_audiomodeSelect"))->SelectItem(1);
    EXPECT_TRUE(Usable("audio_FgColor_check"));
}

}  // namespace
}  // namespace kx58test
