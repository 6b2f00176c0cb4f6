// The lighting editor on the keyboard page as a user works it: effects switch the setting
// groups, and every change reaches the simulated keyboard's settings record and the profile.
#include <array>
#include <functional>

#include "device/quorin_products.h"
#include "editors/light_control_ui.h"
#include "ui/color_select_wnd.h"
#include "ui/music_wnd.h"
#include "integration/app/main_window_fixture.h"
#include "profile/device_profile_ui.h"
#include "profile/json_file.h"
#include "device/device_page_controls.h"
#include "devsim/firmware_product.h"
#include "uikit/button.h"
#include "uikit/headless_input.h"
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
        keyboard = ShowKeyboardPage();
        ASSERT_NE(keyboard, nullptr);
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
    // Acts in the pop-up window holding `marker` once it is open.
    void ActInWindow(const std::string& marker, std::function<void(ui::CPaintManagerUI&)> act) {
        ui::HeadlessBackend::Get()->PostIdleAction([this, marker, act] {
            for (ui::CPaintManagerUI* manager : ui::CPaintManagerUI::AllManagers()) {
                if (!manager->FindControl(marker)) continue;
                return act(*manager);
            }
            ActInWindow(marker, act);  // not open yet
        });
    }
    // Presses `buttons` in the colour picker, in order, as the user would.
    void AnswerPicker(std::vector<std::string> buttons) {
        ActInWindow("Pallet", [buttons](ui::CPaintManagerUI& picker) {
            for (const std::string& name : buttons) picker.FindControl(name)->Activate();
        });
    }

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

TEST_F(LightingEditorTest, EveryShownControlOfTheEditorLiesInsideItsRow) {
    // Static (the shared-effect switch), Wave (the direction choices), music (the sound
    // colour choices): rows whose skin styles bring sizes of their own.
    for (const int effect : {6, 1, 29}) {
        ChooseEffect(effect);
        ui::HeadlessBackend::Get()->RunUntilIdle();
        std::vector<std::string> outside;
        editor->FindControl(
            [&outside](ui::CControlUI* control) {
                const ui::CControlUI* parent = control->GetParent();
                if (!parent || !parent->IsVisible() || control->GetPos().IsEmpty()) return false;
                const ui::RECT inner = control->GetPos(), outer = parent->GetPos();
                if (inner.left < outer.left || inner.right > outer.right || inner.top < outer.top ||
                    inner.bottom > outer.bottom)
                    outside.push_back(control->GetName());
                return false;  // visit every control
            },
            ui::UIFIND_VISIBLE);
        EXPECT_TRUE(outside.empty()) << "effect " << effect << ", first outside its row: " << outside.front();
    }
}

// The other products' pages carry the same editor with their own effect numbers.
TEST_F(LightingEditorTest, EachPageKindHasItsOwnGroupsPerEffect) {
    struct Case {
        int kind, effect;
        bool colour, speed, direction, sameMode;
    };
    static constexpr Case kCases[] = {
        {2, 0, true, true, true, false},   {2, 3, true, false, false, false}, {2, 7, false, true, false, false},
        {2, 9, false, false, false, true}, {3, 3, true, false, false, false}, {3, 8, false, false, false, true},
        {7, 2, true, true, false, false},  {7, 5, false, false, false, false}, {4, 0, true, true, true, false},
    };
    for (const Case& c : kCases) {
        editor->UpdateLayout(c.kind, c.effect);
        EXPECT_EQ(Usable("deng_color_layout"), c.colour) << c.kind << "/" << c.effect;
        EXPECT_EQ(Usable("deng_speed_layout"), c.speed) << c.kind << "/" << c.effect;
        EXPECT_EQ(Usable("deng_fx_layout"), c.direction) << c.kind << "/" << c.effect;
        EXPECT_EQ(Shown("deng_same_mode"), c.sameMode) << c.kind << "/" << c.effect;
    }
    // Kind 5 has no direction group: it stays as it was; an unknown kind changes nothing.
    editor->UpdateLayout(2, 9);
    editor->UpdateLayout(5, 1);
    EXPECT_TRUE(Usable("deng_color_layout"));
    EXPECT_FALSE(Usable("deng_speed_layout"));
    EXPECT_FALSE(Usable("deng_fx_layout"));
    editor->UpdateLayout(6, 1);
    EXPECT_FALSE(Usable("deng_speed_layout"));
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

    // A style from the style window: its colour becomes the sound colour; the styles are kept.
    ActInWindow("audio_select_tab1", [](ui::CPaintManagerUI& styles) {
        styles.FindControl("audio_select_tab3")->Activate();
        auto* red = dynamic_cast<ui::CProgressUI*>(styles.FindControl("audio_r_slider"));
        red->SetValue(77);
        styles.SendNotify(red, ui::DUI_MSGTYPE_VALUECHANGED);
        ui::CControlUI* name = styles.FindControl("audio_edit_name3");
        name->SetText("Night drive");
        styles.SendNotify(name, ui::DUI_MSGTYPE_KILLFOCUS);
        styles.FindControl("okbtn")->Activate();
    });
    Click("music_setting_btn");
    const AudioStyles styles = ReadAudioStyles();
    EXPECT_EQ(styles.selected, 2);
    EXPECT_EQ(styles.names[2], "Night drive");
    EXPECT_EQ(styles.colours[2][0], 77);
    ASSERT_TRUE(RunUntil([&] { return keyboard->ProfileData().GetAudioLightInfo().FgColorR == 77; }));
    EXPECT_EQ(keyboard->ProfileData().GetAudioLightInfo().FgColorG, styles.colours[2][1]);

    // The level-only mode draws no colour: both colour options are off.
    dynamic_cast<ui::CComboUI*>(Find("light_combo_audiomodeSelect"))->SelectItem(3);
    EXPECT_FALSE(Usable("audio_BkColor_check"));
    EXPECT_FALSE(Usable("audio_FgColor_check"));
    ASSERT_TRUE(RunUntil([&] { return keyboard->ProfileData().GetAudioLightInfo().AudioMode == 3; }));
    dynamic_cast<ui::CComboUI*>(Find("light_combo_audiomodeSelect"))->SelectItem(1);
    EXPECT_TRUE(Usable("audio_FgColor_check"));
}

TEST_F(LightingEditorTest, TheColourPickerGivesAColourOrTheSevenColoursAndRemembersTheChoice) {
    ChooseEffect(6);
    AnswerPicker({"color_option_3", "okbtn"});  // the fourth preset: 80FF00
    Click("deng_colordp_btn");
    EXPECT_EQ(editor->GetPreviewColour(), 0xFF80FF00u);
    ASSERT_TRUE(RecordHolds(6, 0x80));
    EXPECT_EQ(Record()[7], 0xFF);
    EXPECT_EQ(Record()[8], 0x00);
    const ColourOptions options = ReadColourOptions();
    ASSERT_FALSE(options.collected.empty());
    EXPECT_EQ(options.collected[0], 0xFF80FF00u);
    EXPECT_EQ(options.presetSelected, 3);

    // Closing without a choice changes nothing.
    AnswerPicker({"color_option_0", "cancelbtn"});
    Click("deng_colordp_btn");
    EXPECT_EQ(editor->GetPreviewColour(), 0xFF80FF00u);

    AnswerPicker({"7color", "okbtn"});
    Click("deng_colordp_btn");
    EXPECT_TRUE(editor->IsSevenColour());
    ASSERT_TRUE(RecordHolds(5, 1));
}

// The page key whose legend is `text`.
std::size_t KeyWithLegend(const CQuorinKeyboardDevice& keyboard, const std::string& text) {
    const auto& keys = keyboard.KeyButtons();
    for (std::size_t j = 0; j < keys.size(); ++j)
        if (keys[j] && keys[j]->IsVisible() && keys[j]->GetText() == text) return j;
    return keys.size();
}

TEST_F(LightingEditorTest, CustomColoursPaintTheKeysOfARubberBandAndComeBackFromTheKeyboard) {
    ChooseEffect(20);
    ASSERT_TRUE(RecordHolds(1, 20));
    const std::size_t q = KeyWithLegend(*keyboard, "Q"), w = KeyWithLegend(*keyboard, "W"), e = KeyWithLegend(*keyboard, "E");
    ASSERT_LT(e, keyboard->KeyButtons().size());
    // The user drags a band from the gap above Q to the middle of E.
    const ui::RECT from = keyboard->KeyButtons()[q]->GetPos(), to = keyboard->KeyButtons()[e]->GetPos();
    ui::HeadlessInput input(*window);
    input.Drag({from.left + 3, from.top - 1}, {(to.left + to.right) / 2, (to.top + to.bottom) / 2});
    for (std::size_t j = 0; j < keyboard->KeyButtons().size(); ++j) {
        auto* key = dynamic_cast<CDeviceKeyButtonUI*>(keyboard->KeyButtons()[j]);
        if (!key) continue;
        EXPECT_EQ(key->IsKeySelected(), j == q || j == w || j == e) << j;
    }
    const std::vector<std::uint8_t> before = rack->Find("kb")->Memory().ledColours;
    Click("color_option_6");
    const DWORD swatch = Find("color_option_6")->GetBkColor();
    const std::array<std::uint8_t, 3> painted{static_cast<std::uint8_t>(swatch >> 16), static_cast<std::uint8_t>(swatch >> 8),
                                              static_cast<std::uint8_t>(swatch)};
    const auto ledOf = [&](std::size_t key) { return std::size_t{keyboard->Memory().maps.led[key]} * 3; };
    ASSERT_TRUE(RunUntil([&] {
        const std::vector<std::uint8_t> colours = rack->Find("kb")->Memory().ledColours;
        return colours.size() > ledOf(e) + 2 && colours[ledOf(e)] == painted[0] && colours[ledOf(e) + 2] == painted[2];
    }));
    // Exactly those three keys changed.
    const std::vector<std::uint8_t> after = rack->Find("kb")->Memory().ledColours;
    for (std::size_t j = 0; j < kPageKeyCount; ++j) {
        if (keyboard->Memory().maps.led[j] >= 170) continue;
        const std::size_t at = ledOf(j);
        const bool selected = j == q || j == w || j == e;
        for (std::size_t c = 0; c < 3; ++c)
            EXPECT_EQ(after[at + c], selected ? painted[c] : before[at + c]) << "key " << j;
    }

    // Pulled out and back: the page shows what the keyboard keeps.
    const std::shared_ptr<devsim::FirmwareProduct> firmware = rack->Find("kb");
    ASSERT_TRUE(bus.Unplug("kb"));
    ASSERT_TRUE(RunUntil([&] { return !TabShown("keyboard"); }));
    keyboard->SetLedColour(w, {0, 0, 0, 0xFF});
    ASSERT_TRUE(devsim::PlugFirmware(bus, firmware));
    ASSERT_TRUE(RunUntil([&] { return TabShown("keyboard") && keyboard->GetLedColour(w).red == painted[0]; }));
    EXPECT_EQ(keyboard->GetLedColour(w).blue, painted[2]);
}

// One effect on every device: the keyboard, the mouse and the pad all show the engine's
// colour at its brightness, and each gets its own lighting back when the user stops it.
TEST_F(LightingEditorTest, TheSameEffectRunsOnEveryAttachedDeviceUntilTheUserStopsIt) {
    ASSERT_TRUE(rack->Plug("mouse"));
    ASSERT_TRUE(rack->Plug("pad"));
    ASSERT_TRUE(RunUntil([&] { return TabShown("mouse") && TabShown("MousePad"); }));
    Page("keyboard").tab->SelectTab();
    ChooseEffect(6);  // static, which every product can show
    TypeAndLeave("deng_edit_R", "200");
    TypeAndLeave("deng_edit_G", "100");
    TypeAndLeave("deng_edit_B", "40");
    SlideTo("deng_light_slider", 2);
    ASSERT_TRUE(RecordHolds(6, 200));
    ASSERT_TRUE(Shown("deng_same_mode"));
    Click("deng_same_mode");
    ASSERT_TRUE(RecordHolds(1, 0xFE));  // the keyboard shows what the program streams

    // Level 2 is brightness 110: each channel arrives as value x 110 / 256.
    const std::array<std::uint8_t, 3> expected{200 * 110 / 256, 100 * 110 / 256, 40 * 110 / 256};
    for (const char* product : {"kb", "mouse", "pad"}) {
        ASSERT_TRUE(RunUntil([&] {
            const std::vector<std::uint8_t> frame = rack->Find(product)->Memory().stream;
            return frame.size() >= 3 && frame[0] == expected[0] && frame[1] == expected[1] && frame[2] == expected[2];
        })) << product;
    }
    for (const char* name : {"keyboard", "mouse", "MousePad"}) EXPECT_TRUE(Page(name).device->IsSyncLighting()) << name;

    // A change of the shared effect reaches every device.
    SlideTo("deng_light_slider", 4);
    for (const char* product : {"kb", "mouse", "pad"}) {
        ASSERT_TRUE(RunUntil([&] {
            const std::vector<std::uint8_t> frame = rack->Find(product)->Memory().stream;
            return frame.size() >= 3 && frame[0] == 200 * 255 / 256;  // level 4 is brightness 255
        })) << product;
    }
    // The keyboard's record takes the edit and stays on the stream.
    ASSERT_TRUE(RecordHolds(2, 4));
    EXPECT_EQ(Record()[1], 0xFE);
    Click("deng_same_mode");
    ASSERT_TRUE(RecordHolds(1, 6));
    for (const char* name : {"keyboard", "mouse", "MousePad"}) EXPECT_FALSE(Page(name).device->IsSyncLighting()) << name;

    // Again, then an effect the devices cannot share ends it.
    Click("deng_same_mode");
    ASSERT_TRUE(RecordHolds(1, 0xFE));
    ChooseEffect(1);
    ASSERT_TRUE(RecordHolds(1, 1));
    for (const char* name : {"keyboard", "mouse", "MousePad"}) EXPECT_FALSE(Page(name).device->IsSyncLighting()) << name;
}

// A keyboard that refuses the stream mode is left out of the shared effect, and its page
// does not claim it; the next try, once it answers again, takes it.
TEST_F(LightingEditorTest, AKeyboardThatRefusesTheSharedEffectIsLeftOutOfIt) {
    ASSERT_TRUE(rack->Plug("mouse"));
    ASSERT_TRUE(RunUntil([&] { return TabShown("mouse"); }));
    Page("keyboard").tab->SelectTab();
    ChooseEffect(6);
    ASSERT_TRUE(RecordHolds(1, 6));
    for (int attempt = 0; attempt < 2; ++attempt)
        rack->Find("kb")->ArmFault({devsim::FaultKind::StatusRejected, kCmdBeginWrite});
    Click("deng_same_mode");
    EXPECT_TRUE(Page("mouse").device->IsSyncLighting());
    EXPECT_FALSE(keyboard->IsSyncLighting());
    EXPECT_FALSE(dynamic_cast<ui::COptionUI*>(Find("deng_same_mode"))->IsSelected());
    EXPECT_EQ(Record()[1], 6);

    Click("deng_same_mode");
    ASSERT_TRUE(RecordHolds(1, 0xFE));
    EXPECT_TRUE(keyboard->IsSyncLighting());
}

}  // namespace
}  // namespace kx58test
