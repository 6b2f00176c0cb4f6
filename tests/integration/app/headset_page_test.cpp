// The headset page as a user works it: its LEDs in the colour frames the simulated headset
// receives, and its sound settings on a private sound server that carries a stand-in for the
// headset's sound card beside another card the program must leave alone.
#include <algorithm>
#include <csignal>
#include <fstream>
#include <sstream>

#include <json/json.h>

#include "device/protocol/headset_protocol.h"
#include "device/quorin_products.h"
#include "devsim/headset_product.h"
#include "integration/app/main_window_fixture.h"
#include "support/pulse_server.h"
#include "uikit/button.h"
#include "uikit/list.h"
#include "uikit/paint_manager.h"
#include "uikit/resource_manager.h"
#include "uikit/slider.h"
#include "uikit/ui_events.h"

namespace kx58test {
namespace {

using namespace kx58;
using Report = std::vector<std::uint8_t>;

constexpr std::uint8_t kRed = 1;  // the channel of kinds 0xAB / 0xAE
constexpr std::uint8_t kStaticMode = 3;

class HeadsetPageTest : public MainWindowTest {
protected:
    CQuorinHS6533Device* ShowHeadsetPage() {
        auto* device = dynamic_cast<CQuorinHS6533Device*>(
            ShowPage("headset", "HD", [](CQuorinUSBDevice& d) { return d.IsOpen(); }));
        simulated = rack->FindHeadset("headset");
        return device;
    }
    // The effect of the page's list with `modeCode`, chosen as the user does.
    void ChooseEffect(CQuorinHS6533Device& headset, int modeCode) {
        const std::vector<int> codes = headset.ModeCodes();
        const auto at = std::find(codes.begin(), codes.end(), modeCode);
        ASSERT_NE(at, codes.end());
        auto* effects = dynamic_cast<ui::CComboUI*>(Find("light_combo_modeSelect"));
        ASSERT_NE(effects, nullptr);
        effects->SelectItem(static_cast<int>(at - codes.begin()));
    }
    // The last whole frame the headset received: twelve reports from a (0x22, 0xAA).
    std::vector<Report> LastFrame() const {
        const std::vector<Report> reports = simulated->Reports();
        for (std::size_t start = reports.size(); start-- > 0;) {
            if (start + kHeadsetFrameReports > reports.size()) continue;
            if (reports[start].size() > 2 && reports[start][1] == 0x22 && reports[start][2] == 0xAA)
                return {reports.begin() + static_cast<std::ptrdiff_t>(start),
                        reports.begin() + static_cast<std::ptrdiff_t>(start + kHeadsetFrameReports)};
        }
        return {};
    }
    std::shared_ptr<devsim::HeadsetProduct> simulated;
};

TEST_F(HeadsetPageTest, FramesCarryTheLightingAsTwelveCappedReportsAndStopWhileTheHeadsetIsAway) {
    CQuorinHS6533Device* headset = ShowHeadsetPage();
    ASSERT_NE(headset, nullptr);
    ASSERT_NE(simulated, nullptr);
    // The profile's colour is full red; static lights every LED with it.
    ChooseEffect(*headset, kStaticMode);
    const auto& codes = headset->ModeCodes();
    const int staticIndex = static_cast<int>(std::find(codes.begin(), codes.end(), kStaticMode) - codes.begin());
    EXPECT_EQ(headset->ProfileData().GetLightInfo().SelectItem, staticIndex);
    const std::size_t before = simulated->ReportCount();
    ASSERT_TRUE(RunUntil([&] {
        const std::vector<Report> frame = LastFrame();
        return simulated->ReportCount() >= before + 2 * kHeadsetFrameReports && frame.size() == kHeadsetFrameReports &&
               frame[4][4] != 0;
    }));
    const std::vector<Report> frame = LastFrame();
    const std::uint8_t red = frame[4][4];  // the static colour at the page's brightness
    EXPECT_LE(red, kHeadsetLedCap);
    const std::pair<std::uint8_t, std::uint8_t> order[] = {
        {0x22, 0xAA}, {0x22, 0xAD}, {0x44, 0xAA}, {0x44, 0xAD}, {0x22, 0xAB}, {0x22, 0xAE},
        {0x44, 0xAB}, {0x44, 0xAE}, {0x22, 0xAC}, {0x22, 0xAF}, {0x44, 0xAC}, {0x44, 0xAF}};
    for (std::size_t i = 0; i < kHeadsetFrameReports; ++i) {
        const Report& r = frame[i];
        ASSERT_EQ(r.size(), kHeadsetReportSize);
        EXPECT_EQ(r[0], 0xFF);
        EXPECT_EQ(std::make_pair(r[1], r[2]), order[i]) << "report " << i;
        const bool secondHalf = r[2] >= 0xAD;
        const int channel = r[2] - (secondHalf ? 0xAD : 0xAA);
        const std::size_t leds = secondHalf ? 6 : 7;
        for (std::size_t at = 4; at < 4 + leds; ++at)
            EXPECT_EQ(r[at], channel == kRed ? red : 0) << "report " << i << " byte " << at;
        EXPECT_TRUE(std::all_of(r.begin() + 4 + static_cast<std::ptrdiff_t>(leds), r.end(), [](std::uint8_t b) { return b == 0; }));
        EXPECT_EQ(r[3], 0);
    }

    ASSERT_TRUE(bus.Unplug("headset"));
    ASSERT_TRUE(RunUntil([&] { return !headset->IsOpen(); }));
    const std::size_t atUnplug = simulated->ReportCount();
    RunUntil([] { return false; }, 600);  // six frame periods
    EXPECT_EQ(simulated->ReportCount(), atUnplug);
}

// --- The sound side ---------------------------------------------------------------------------------

// The saved profile's settings, read from its file.
Json::Value SavedSettings(CQuorinHS6533Device& headset) {
    std::ifstream in(headset.ProfileData().GetProfilePath());
    Json::Value document;
    Json::CharReaderBuilder builder;
    std::string errors;
    if (!Json::parseFromStream(builder, in, &document, &errors)) return {};
    return document["Device"][0];
}

// The percentage of the first channel in a "pactl get-*-volume" reply.
int VolumePercent(const std::string& reply) {
    const std::size_t slash = reply.find('/');
    return slash == std::string::npos ? -1 : std::atoi(reply.c_str() + slash + 1);
}

constexpr const char* kCardIds = "device.vendor.id=0c76 device.product.id=1630";
constexpr const char* kOtherIds = "device.vendor.id=1b1c device.product.id=0a51";

class HeadsetSoundTest : public HeadsetPageTest {
protected:
    void SetUp() override {
        HeadsetPageTest::SetUp();
        if (HasFatalFailure()) return;
        pulse = std::make_unique<PrivatePulseServer>(std::vector<std::string>{}, session.Root() + "/pulseaudio.log");
        if (!pulse->Running()) GTEST_SKIP() << "the sound server cannot start here: " << pulse->Problem();
        // The other card first: it is the default output and the first of each list.
        ASSERT_TRUE(pulse->AddNullSink("speakers", kOtherIds));
        ASSERT_TRUE(pulse->AddSource("desk_mic", kOtherIds));
        PlugHeadsetCard();
        ASSERT_TRUE(Pactl({"set-default-sink", "speakers"}));
    }
    void TearDown() override {
        HeadsetPageTest::TearDown();  // the window ends before its server
        pulse.reset();
    }
    std::optional<std::string> Pactl(const std::vector<std::string>& args) { return PrivatePulseServer::Control(args); }
    // The stand-in for the headset's sound card: its output and its microphone.
    void PlugHeadsetCard() {
        headsetSink = pulse->AddNullSink("hs_out", kCardIds).value_or(-1);
        headsetSource = pulse->AddSource("hs_mic", kCardIds).value_or(-1);
        ASSERT_GE(headsetSink, 0);
        ASSERT_GE(headsetSource, 0);
    }
    std::string Modules() { return Pactl({"list", "short", "modules"}).value_or(""); }
    int SourceVolume(const char* source) { return VolumePercent(Pactl({"get-source-volume", source}).value_or("")); }
    bool SourceMuted(const char* source) { return Pactl({"get-source-mute", source}).value_or("").find("yes") != std::string::npos; }
    std::string DefaultSink() {
        std::string name = Pactl({"get-default-sink"}).value_or("");
        while (!name.empty() && name.back() == '\n') name.pop_back();
        return name;
    }
    void Slide(const std::string& name, int value) {
        auto* slider = dynamic_cast<ui::CSliderUI*>(Find(name));
        ASSERT_NE(slider, nullptr) << name;
        slider->SetValue(value);
        slider->GetManager()->SendNotify(slider, ui::DUI_MSGTYPE_VALUECHANGED);
    }
    bool Selected(const std::string& name) {
        auto* option = dynamic_cast<ui::COptionUI*>(Find(name));
        return option && option->IsSelected();
    }
    CQuorinHS6533Device* ShowSoundPage() {
        CQuorinHS6533Device* headset = ShowHeadsetPage();
        if (headset) Click("6533_voice_Op_tab");
        return headset;
    }

    ScopedEnv home{"HOME", session.Root()};
    std::unique_ptr<PrivatePulseServer> pulse;
    int headsetSink = -1;
    int headsetSource = -1;
};

TEST_F(HeadsetSoundTest, MicrophoneVolumeAndMuteChangeOnlyTheHeadsetsMicrophoneAndLandInTheProfile) {
    CQuorinHS6533Device* headset = ShowSoundPage();
    ASSERT_NE(headset, nullptr);
    ASSERT_EQ(headset->SoundState(), HeadsetSoundState::Ready);
    const int deskBefore = SourceVolume("desk_mic");

    Slide("6533_MicIn_slider", 40);
    EXPECT_EQ(SourceVolume("hs_mic"), 40);
    EXPECT_EQ(SourceVolume("desk_mic"), deskBefore);
    EXPECT_EQ(Find("6533_MicIn_value")->GetText(), "40 %");
    EXPECT_EQ(SavedSettings(*headset)["SystemSetStages"]["MicInValue"].asInt(), 40);

    const bool mutedBefore = Selected("6533_MicIn_option");
    Click("6533_MicIn_option");
    EXPECT_NE(Selected("6533_MicIn_option"), mutedBefore);
    EXPECT_EQ(SourceMuted("hs_mic"), !mutedBefore);
    EXPECT_FALSE(SourceMuted("desk_mic"));
    EXPECT_EQ(SavedSettings(*headset)["SystemSetStages"]["MicInSelect"].asInt(), mutedBefore ? 1 : 0);
}

TEST_F(HeadsetSoundTest, MonitoringIsALoopbackFromTheHeadsetsMicrophoneToItsOutputOnlyWhileItIsOn) {
    CQuorinHS6533Device* headset = ShowSoundPage();
    ASSERT_NE(headset, nullptr);
    ASSERT_TRUE(Selected("6533_MicMoniter_option")) << "monitoring starts muted";
    EXPECT_EQ(Modules().find("module-loopback"), std::string::npos);

    Click("6533_MicMoniter_option");
    const std::string modules = Modules();
    const std::size_t loopback = modules.find("module-loopback");
    ASSERT_NE(loopback, std::string::npos) << modules;
    const std::string line = modules.substr(loopback, modules.find('\n', loopback) - loopback);
    EXPECT_NE(line.find("source=hs_mic"), std::string::npos) << line;
    EXPECT_NE(line.find("sink=hs_out"), std::string::npos) << line;
    EXPECT_EQ(SavedSettings(*headset)["SystemSetStages"]["MicMoniterSelect"].asInt(), 1);

    Slide("6533_MicMoniter_slider", 55);
    const std::string inputs = Pactl({"list", "sink-inputs"}).value_or("");
    EXPECT_NE(inputs.find("55%"), std::string::npos) << inputs;
    EXPECT_EQ(SavedSettings(*headset)["SystemSetStages"]["MicMoniterValue"].asInt(), 55);

    Click("6533_MicMoniter_option");
    EXPECT_EQ(Modules().find("module-loopback"), std::string::npos);
    EXPECT_EQ(SavedSettings(*headset)["SystemSetStages"]["MicMoniterSelect"].asInt(), 0);

    // On again, then the program ends: the server is left as it was.
    Click("6533_MicMoniter_option");
    ASSERT_NE(Modules().find("module-loopback"), std::string::npos);
    CloseWindow();
    window.reset();
    EXPECT_EQ(Modules().find("module-loopback"), std::string::npos);
}

TEST_F(HeadsetSoundTest, APresetPutsTheEqualiserInFrontOfTheHeadsetAndAMovedBandMakesItTheCustomOne) {
    CQuorinHS6533Device* headset = ShowSoundPage();
    ASSERT_NE(headset, nullptr);
    Click("6533_eq_option_4");
    std::string modules = Modules();
    const std::size_t ladspa = modules.find("module-ladspa-sink");
    ASSERT_NE(ladspa, std::string::npos) << modules;
    EXPECT_NE(modules.find("master=hs_out", ladspa), std::string::npos) << modules;
    EXPECT_NE(DefaultSink(), "speakers");
    EXPECT_NE(DefaultSink(), "hs_out");
    EXPECT_TRUE(Selected("6533_eq_enable_option"));
    EXPECT_EQ(SavedSettings(*headset)["SystemSetStages"]["EqType"].asInt(), 4);
    const std::vector<std::int32_t> preset = headset->ProfileData().GetEqBands(4);

    Slide("6533_eq_hz_slider_3", 7);
    EXPECT_TRUE(Selected("6533_eq_option_13"));
    EXPECT_FALSE(Selected("6533_eq_option_4"));
    const Json::Value saved = SavedSettings(*headset);
    EXPECT_EQ(saved["SystemSetStages"]["EqType"].asInt(), 13);
    const Json::Value& custom = saved["CustomEQHzValueInfo"][saved["SystemSetStages"]["CustomEqSeletIndex"].asInt()];
    for (int b = 0; b < 10; ++b) EXPECT_EQ(custom[b]["value"].asInt(), b == 3 ? 7 : preset[b]) << "band " << b;
    // The equaliser takes the moved band: its sink is loaded again with the new gains.
    ASSERT_TRUE(RunUntil([&] { return Modules() != modules; }));

    Click("6533_eq_enable_option");
    ASSERT_TRUE(RunUntil([&] { return Modules().find("module-ladspa-sink") == std::string::npos; }));
    EXPECT_EQ(DefaultSink(), "speakers");
}

TEST_F(HeadsetSoundTest, ASetTheServerDoesNotTakeStoresNothingAndThePageShowsWhatIsKept) {
    CQuorinHS6533Device* headset = ShowSoundPage();
    ASSERT_NE(headset, nullptr);
    Slide("6533_MicIn_slider", 60);
    ASSERT_EQ(SavedSettings(*headset)["SystemSetStages"]["MicInValue"].asInt(), 60);
    // The server goes away between two moves of the slider: the page has not heard yet.
    pulse->Stop();
    Slide("6533_MicIn_slider", 15);
    EXPECT_EQ(SavedSettings(*headset)["SystemSetStages"]["MicInValue"].asInt(), 60);
    EXPECT_EQ(dynamic_cast<ui::CSliderUI*>(Find("6533_MicIn_slider"))->GetValue(), 60);
    // Once it has heard, the settings go into the profile alone, and the page says so.
    ASSERT_TRUE(RunUntil([&] { return headset->SoundState() == HeadsetSoundState::NoServer; }));
    Slide("6533_MicIn_slider", 15);
    EXPECT_EQ(SavedSettings(*headset)["SystemSetStages"]["MicInValue"].asInt(), 15);
}

TEST_F(HeadsetSoundTest, TheHeadsetsSoundCardComingAndGoingIsFollowed) {
    CQuorinHS6533Device* headset = ShowSoundPage();
    ASSERT_NE(headset, nullptr);
    ASSERT_TRUE(pulse->UnloadModule(headsetSource));
    ASSERT_TRUE(pulse->UnloadModule(headsetSink));
    ASSERT_TRUE(RunUntil([&] { return headset->SoundState() == HeadsetSoundState::NoHeadset; }));
    std::string notFound;
    ui::CResourceManager::GetInstance()->FindText("hs_sound_no_headset", notFound);
    EXPECT_EQ(Find("6533_sound_status")->GetText(), notFound);
    // Nothing of the other card is taken in its place.
    Slide("6533_MicIn_slider", 25);
    EXPECT_EQ(SourceVolume("desk_mic"), 100);

    PlugHeadsetCard();
    ASSERT_TRUE(RunUntil([&] { return headset->SoundState() == HeadsetSoundState::Ready; }));
    Slide("6533_MicIn_slider", 35);
    EXPECT_EQ(SourceVolume("hs_mic"), 35);
}

TEST_F(HeadsetPageTest, WithoutASoundServerThePageKeepsTheSettingsInTheProfileAndSaysSo) {
    CQuorinHS6533Device* headset = ShowHeadsetPage();
    ASSERT_NE(headset, nullptr);
    Click("6533_voice_Op_tab");
    EXPECT_EQ(headset->SoundState(), HeadsetSoundState::NoServer);
    std::string noServer;
    ui::CResourceManager::GetInstance()->FindText("hs_sound_no_server", noServer);
    EXPECT_EQ(Find("6533_sound_status")->GetText(), noServer);
    auto* slider = dynamic_cast<ui::CSliderUI*>(Find("6533_MicIn_slider"));
    ASSERT_NE(slider, nullptr);
    slider->SetValue(33);
    slider->GetManager()->SendNotify(slider, ui::DUI_MSGTYPE_VALUECHANGED);
    Click("6533_eq_option_6");
    const Json::Value saved = SavedSettings(*headset);
    EXPECT_EQ(saved["SystemSetStages"]["MicInValue"].asInt(), 33);
    EXPECT_EQ(saved["SystemSetStages"]["EqType"].asInt(), 6);
}

TEST_F(HeadsetPageTest, ACustomEqualiserIsSavedUnderItsNameAndOutlivesAResetOfTheProfile) {
    CQuorinHS6533Device* headset = ShowHeadsetPage();
    ASSERT_NE(headset, nullptr);
    Click("6533_voice_Op_tab");
    auto* band = dynamic_cast<ui::CSliderUI*>(Find("6533_eq_hz_slider_0"));
    ASSERT_NE(band, nullptr);
    band->SetValue(-5);
    band->GetManager()->SendNotify(band, ui::DUI_MSGTYPE_VALUECHANGED);
    Find("custom_eq_name_edit")->SetText("Night");
    Click("hs_EQ_btn_save");
    std::vector<std::string> names = headset->ProfileData().GetCustomEqNames();
    ASSERT_NE(std::find(names.begin(), names.end(), "Night"), names.end());
    const int night = static_cast<int>(std::find(names.begin(), names.end(), "Night") - names.begin());
    EXPECT_EQ(headset->ProfileData().GetCustomEqBands(night).at(0), -5);

    Click("device_reset_btn");
    auto* combo = dynamic_cast<ui::CComboUI*>(Find("custom_eq_name_combo"));
    ASSERT_TRUE(RunUntil([&] {
        names = headset->ProfileData().GetCustomEqNames();
        return combo && combo->GetCount() == static_cast<int>(names.size());
    }));
    EXPECT_NE(std::find(names.begin(), names.end(), "Night"), names.end());
    EXPECT_EQ(headset->ProfileData().GetCustomEqBands(night).at(0), -5);
}

}  // namespace
}  // namespace kx58test
