// The mouse pad page as a user works it, checked in the simulated pad's memory and in the
// requests it received: the lighting editor's choices in record 0, a later record written 64
// bytes apart but read 27 apart, the bytes the host does not know carried back, a light mode
// the page does not list, and the phone on the pad's charger in the power indicator.
#include <algorithm>
#include <vector>

#include "device/protocol/command_report.h"
#include "device/quorin_products.h"
#include "devsim/firmware_product.h"
#include "editors/light_control_ui.h"
#include "integration/app/main_window_fixture.h"
#include "uikit/list.h"
#include "uikit/paint_manager.h"
#include "uikit/slider.h"
#include "uikit/ui_events.h"

namespace kx58test {
namespace {

using namespace kx58;

constexpr std::size_t kCarriedFrom = 9;  // bytes 9..20 mean nothing to the host
constexpr std::size_t kBlockSize = 21;

struct Request {
    std::uint8_t command;
    std::uint8_t length;
    std::uint16_t offset;
    bool operator==(const Request&) const = default;
};

class PadPageTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        pad = ShowPadPage();
        ASSERT_NE(pad, nullptr);
        simulated = rack->Find("pad");
        ASSERT_NE(simulated, nullptr);
    }
    std::vector<std::uint8_t> Settings() { return simulated->Memory().settings; }
    // The pad's settings area changed as if the pad itself had done it.
    void ChangeSettings(const std::function<void(std::vector<std::uint8_t>&)>& change) {
        devsim::FirmwareMemory memory = simulated->Memory();
        change(memory.settings);
        simulated->SetMemory(memory);
    }
    static void Fill(std::vector<std::uint8_t>& bytes, std::size_t from, std::size_t to, std::uint8_t first) {
        for (std::size_t at = from; at < to; ++at) bytes.at(at) = static_cast<std::uint8_t>(first + at - from);
    }
    // The settings reads and writes the pad received, in order.
    std::vector<Request> SettingsRequests() {
        std::vector<Request> seen;
        for (const CommandReport& r : simulated->Requests()) {
            const std::uint8_t command = r[report_field::kCommand];
            if (command == kCmdReadSettings || command == kCmdWriteSettings)
                seen.push_back({command, r[report_field::kLength], ReportOffset(r)});
        }
        return seen;
    }
    void SlideTo(const std::string& name, int value) {
        auto* slider = dynamic_cast<ui::CProgressUI*>(Find(name));
        ASSERT_NE(slider, nullptr) << name;
        slider->SetValue(value);
        slider->GetManager()->SendNotify(slider, ui::DUI_MSGTYPE_VALUECHANGED);
    }
    ui::CControlUI* PhonePart() {
        return window->GetPaintManager().FindSubControlByName(Page("MousePad").power, "device_phone_type");
    }

    CQuorinMousePadDevice* pad = nullptr;
    std::shared_ptr<devsim::FirmwareProduct> simulated;
};

TEST_F(PadPageTest, TheEffectAndBrightnessChosenLandInRecordZeroWithTheUnknownBytesKept) {
    // The pad holds bytes of its own after the block, and past the 21 bytes a write carries.
    ChangeSettings([](std::vector<std::uint8_t>& s) {
        Fill(s, kCarriedFrom, kBlockSize, 0x40);
        Fill(s, kBlockSize, 64, 0xC0);
    });
    ASSERT_EQ(pad->ReloadSettings(), kResultOk);  // as after the pad reported a change
    const std::vector<std::uint8_t> before = Settings();

    auto* effects = dynamic_cast<ui::CComboUI*>(Find("light_combo_modeSelect"));
    ASSERT_NE(effects, nullptr);
    constexpr int kBreathing = 2;
    effects->SelectItem(kBreathing);
    SlideTo("deng_light_slider", 1);
    SlideTo("deng_speed_slider", 3);
    ASSERT_GT(pad->ModeCodes().size(), std::size_t{kBreathing});
    const int code = pad->ModeCodes()[kBreathing];
    ASSERT_TRUE(RunUntil([&] {
        const std::vector<std::uint8_t> s = Settings();
        return s[1] == code && s[2] == 1 && s[3] == 4 - 3;
    }));
    const std::vector<std::uint8_t> after = Settings();
    EXPECT_EQ(after[0], 0);  // still the active record
    EXPECT_TRUE(std::equal(after.begin() + kCarriedFrom, after.end(), before.begin() + kCarriedFrom));
    // The profile keeps the page's values.
    EXPECT_EQ(pad->ProfileData().GetLightInfo().SelectItem, kBreathing);
    EXPECT_EQ(pad->ProfileData().GetLightInfo().Speed, 3);
}

TEST_F(PadPageTest, RecordTwoIsWrittenAsTwentyOneBytesAt128) {
    constexpr int kColourCycle = 7;
    ChangeSettings([](std::vector<std::uint8_t>& s) {
        s[1] = kColourCycle;
        s[3] = 1;  // speed 3 on the page
        std::fill(s.begin() + 128, s.begin() + 192, 0xA5);
    });
    ASSERT_EQ(pad->ReloadSettings(), kResultOk);
    const std::vector<std::uint8_t> before = Settings();
    simulated->ClearRequests();
    ASSERT_EQ(pad->ApplySettings(2, 0, 0, 0, 0), kResultOk);

    EXPECT_EQ(SettingsRequests(), (std::vector<Request>{{kCmdWriteSettings, 21, 128}}));
    const std::vector<std::uint8_t> after = Settings();
    EXPECT_EQ(after[128 + 1], kColourCycle);
    EXPECT_EQ(after[128 + 3], 1);
    for (std::size_t at = 149; at < 192; ++at) EXPECT_EQ(after[at], 0xA5) << at;
    EXPECT_TRUE(std::equal(after.begin(), after.begin() + 128, before.begin()));  // records 0 and 1 untouched
}

TEST_F(PadPageTest, ReadingBackRecordTwoTakesTwentySevenBytesAt54) {
    constexpr int kRainbow = 6;
    ChangeSettings([](std::vector<std::uint8_t>& s) {
        s[0] = 2;
        s[54 + 1] = kRainbow;  // the codes of the pad's list are their positions
        s[54 + 2] = 3;
        s[54 + 3] = 1;
        Fill(s, 54 + kCarriedFrom, 54 + kBlockSize, 0x60);
        s[128 + 1] = 4;  // record 2 as a write would place it: not what is read
    });
    simulated->ClearRequests();
    ASSERT_EQ(pad->ReloadSettings(), kResultOk);

    EXPECT_EQ(SettingsRequests(), (std::vector<Request>{{kCmdReadSettings, 1, 0}, {kCmdReadSettings, 27, 54}}));
    EXPECT_EQ(pad->ActiveRecordIndex(), 2);
    const PadSettingsBlock& block = pad->SettingsBlock();
    EXPECT_EQ(block[1], kRainbow);
    EXPECT_EQ(block[2], 3);
    EXPECT_EQ(block[3], 4 - 1);
    for (std::size_t at = kCarriedFrom; at < kBlockSize; ++at) EXPECT_EQ(block[at], 0x60 + at - kCarriedFrom) << at;
    // The page shows what the pad holds.
    auto* effects = dynamic_cast<ui::CComboUI*>(Find("light_combo_modeSelect"));
    ASSERT_NE(effects, nullptr);
    EXPECT_EQ(effects->GetCurSel(), kRainbow);
    EXPECT_EQ(pad->ProfileData().GetLightInfo().Light, 3);

    // Applied to the record the pad uses, the carried bytes go back where the write puts them.
    ASSERT_EQ(pad->ApplySettings(2, 0, 0, 0, 0), kResultOk);
    const std::vector<std::uint8_t> after = Settings();
    EXPECT_EQ(after[128 + 1], kRainbow);
    EXPECT_EQ(after[128 + 3], 1);
    for (std::size_t at = kCarriedFrom; at < kBlockSize; ++at) EXPECT_EQ(after[128 + at], 0x60 + at - kCarriedFrom) << at;
}

TEST_F(PadPageTest, AModeCodeTheListDoesNotHaveStaysAsRead) {
    constexpr std::uint8_t kUnlisted = 0x30;
    ASSERT_EQ(std::count(pad->ModeCodes().begin(), pad->ModeCodes().end(), kUnlisted), 0);
    ChangeSettings([&](std::vector<std::uint8_t>& s) {
        s[1] = kUnlisted;
        s[3] = 0;
    });
    ASSERT_EQ(pad->ReloadSettings(), kResultOk);
    EXPECT_EQ(pad->SettingsBlock()[1], kUnlisted);
    EXPECT_EQ(pad->SettingsBlock()[3], 4);

    ChangeSettings([](std::vector<std::uint8_t>& s) { s[1] = 0; });
    ASSERT_EQ(pad->ApplySettings(0, 0, 0, 0, 0), kResultOk);
    EXPECT_EQ(Settings()[1], kUnlisted);
    EXPECT_EQ(Settings()[3], 0);
}

TEST_F(PadPageTest, ThePhoneOnTheChargerShowsInThePowerIndicator) {
    ASSERT_NE(PhonePart(), nullptr);
    const auto phoneOnCharger = [&](std::uint8_t type) {
        devsim::FirmwareMemory memory = simulated->Memory();
        memory.power.at(2) = type;
        simulated->SetMemory(memory);
        return pad->ReadPowerStatus();  // as the tab's power timer does
    };
    ASSERT_EQ(phoneOnCharger(2), kResultOk);
    EXPECT_EQ(PhonePart()->GetToolTip(), "Samsung phone on the charger");
    EXPECT_EQ(PhonePart()->GetBkImage(), "file='power/Phone_type_samsung.png'");
    ASSERT_EQ(phoneOnCharger(1), kResultOk);
    EXPECT_EQ(PhonePart()->GetToolTip(), "iPhone on the charger");
    // A type the pad should not report is no phone.
    ASSERT_EQ(phoneOnCharger(9), kResultOk);
    EXPECT_EQ(PhonePart()->GetToolTip(), "No phone on the charger");
    EXPECT_EQ(PhonePart()->GetBkImage(), "file='power/Phone_type_no_device.png'");
}

}  // namespace
}  // namespace kx58test
