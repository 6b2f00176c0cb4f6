// The mouse page as a user works it, checked in the simulated mouse's memory: the DPI stages,
// the report rate and lift-off in the 66-byte record, a button on the key tab, the shoot data,
// the receiver's lost link and the power indicator.
#include "device/protocol/mouse_protocol.h"
#include "device/quorin_products.h"
#include "integration/app/main_window_fixture.h"
#include "platform/desktop_input_settings.h"
#include "profile/device_profile_ui.h"
#include "profile/json_file.h"
#include "uikit/list.h"
#include "uikit/button.h"
#include "uikit/headless_input.h"
#include "uikit/paint_manager.h"
#include "uikit/slider.h"
#include "uikit/ui_events.h"

namespace kx58test {
namespace {

using namespace kx58;

constexpr std::size_t kStage0 = 14;  // the first DPI stage of the record; nine bytes each

class MousePageTest : public MainWindowTest {
protected:
    void Open(const std::string& product = "mouse") {
        mouse = ShowMousePage(product);
        ASSERT_NE(mouse, nullptr);
        simulated = rack->Find(product);
    }
    // Byte `at` of record 0 in the simulated mouse.
    std::uint8_t RecordByte(std::size_t at) { return simulated->Memory().settings.at(at); }
    std::uint16_t StageStep(int stage) {
        const std::size_t at = kStage0 + 9 * static_cast<std::size_t>(stage) + 2;
        return static_cast<std::uint16_t>(RecordByte(at) | RecordByte(at + 1) << 8);
    }
    void TypeAndLeave(const std::string& name, const std::string& text) {
        ui::CControlUI* edit = Find(name);
        edit->SetText(text);
        edit->GetManager()->SendNotify(edit, ui::DUI_MSGTYPE_KILLFOCUS);
    }
    // The current profile's document changed by `edit`, then the profile loaded and applied.
    void EditProfileAndApply(const std::function<void(Json::Value& device)>& edit) {
        const std::string path = mouse->ProfileControl()->GetProfilePathAt(0);
        Json::Value document = ReadJsonDocument(path);
        edit(document["Device"][0]);
        ASSERT_TRUE(WriteJsonDocument(path, document));
        mouse->LoadProfile();
        window->ApplyProfile(*mouse);
    }

    CQuorinMouseDevice* mouse = nullptr;
    std::shared_ptr<devsim::FirmwareProduct> simulated;
};

TEST_F(MousePageTest, DpiStagesReportRateAndLiftOffLandInTheRecord) {
    Open();
    const MouseDpiModel model = mouse->DpiModel();
    ASSERT_GT(model.dpiPerStep, 0);
    TypeAndLeave("DPI_edit_1", "1600");
    EXPECT_TRUE(RunUntil([&] { return StageStep(1) == (1600 - model.dpiAtStepZero) / model.dpiPerStep; }));
    // An empty field is 0, raised to the lowest DPI: step 0, and the edit says so.
    TypeAndLeave("DPI_edit_2", "");
    EXPECT_TRUE(RunUntil([&] { return StageStep(2) == 0; }));
    EXPECT_EQ(Find("DPI_edit_2")->GetText(), std::to_string(model.dpiAtStepZero));
    // Beyond the sensor: the highest step.
    TypeAndLeave("DPI_edit_0", "999999");
    EXPECT_TRUE(RunUntil([&] { return StageStep(0) == model.highestStep; }));

    Click("DPI_select_check_3");
    EXPECT_TRUE(RunUntil([&] { return RecordByte(12) == 3; }));
    EXPECT_FALSE(Find("DPI_enable_check_3")->IsEnabled());  // the stage in use stays on
    Click("DPI_enable_check_4");
    EXPECT_TRUE(RunUntil([&] { return RecordByte(kStage0 + 9 * 4) == 0; }));

    // The lighting editor of the page: effect and brightness in bytes 1 and 2.
    Click("deng_Op_tab");
    dynamic_cast<ui::CComboUI*>(Find("light_combo_modeSelect"))->SelectItem(2);
    auto* brightness = dynamic_cast<ui::CProgressUI*>(Find("deng_light_slider"));
    brightness->SetValue(1);
    brightness->GetManager()->SendNotify(brightness, ui::DUI_MSGTYPE_VALUECHANGED);
    EXPECT_TRUE(RunUntil([&] { return RecordByte(1) == mouse->ModeCodes().at(2) && RecordByte(2) == 1; }));

    Click("system_Op_tab");
    Click("polling_rate_option_2");
    EXPECT_TRUE(RunUntil([&] { return RecordByte(11) == 2; }));
    Click("mouse_correct_option_2");  // high lift-off: 9 and 4 in the shipped presets
    EXPECT_TRUE(RunUntil([&] { return RecordByte(64) == 9 && RecordByte(65) == 4; }));
    // The key repeat of the desktop back to the usual one.
    DesktopInputValues slow;
    slow.repeatDelay = 3;
    slow.repeatRate = 4;
    ApplyDesktopInputSettings(slow);
    Click("reset_repeat_btn");
    EXPECT_EQ(ReadDesktopInputSettings().values.repeatDelay, DesktopInputValues{}.repeatDelay);
    EXPECT_EQ(ReadDesktopInputSettings().values.repeatRate, DesktopInputValues{}.repeatRate);
    EXPECT_EQ(RecordByte(59), 1);
}

TEST_F(MousePageTest, ARecordOfAProfileWithFewStagesNoPresetAndAnUnknownEffect) {
    Open();
    // Effect 12 is not one of the mouse's: the first effect's code goes out. No preset chosen:
    // bytes 64 and 65 are 0. No stage enabled: stage 0 is, and it is the one in use.
    EditProfileAndApply([](Json::Value& device) {
        device["LightInfo"]["SelectItem"] = 12;
        for (Json::Value& preset : device["CorrectInfo"]) preset["CorrectSelect"] = 0;
        for (Json::Value& stage : device["DPIStages"]["StageDPIs"]) stage["StageActive"] = 0;
        device["DPIStages"]["StageActive"] = 2;
    });
    ASSERT_FALSE(mouse->ModeCodes().empty());
    EXPECT_EQ(RecordByte(1), mouse->ModeCodes()[0]);
    EXPECT_EQ(RecordByte(64), 0);
    EXPECT_EQ(RecordByte(65), 0);
    EXPECT_EQ(RecordByte(kStage0), 1);
    EXPECT_EQ(RecordByte(12), 0);

    // Three stages in the document, read by a page that starts afresh: stages 3 and 4 are zeros.
    EditProfileAndApply([](Json::Value& device) { device["DPIStages"]["StageDPIs"].resize(3); });
    CloseWindow();
    OpenWindow();
    ASSERT_TRUE(RunUntil([&] { return TabShown("mouse"); }));
    mouse = dynamic_cast<CQuorinMouseDevice*>(Page("mouse").device);
    ASSERT_TRUE(RunUntil([&] { return mouse->Memory().Buttons() > 0; }));
    window->ApplyProfile(*mouse);
    for (std::size_t at = kStage0 + 27; at < kStage0 + 45; ++at) EXPECT_EQ(RecordByte(at), 0) << at;
}

TEST_F(MousePageTest, TheMouseSwitchingItsRecordAndStageMovesThePage) {
    Open();
    ASSERT_TRUE(RunUntil([&] { return bus.ConnectionCount("mouse") >= 2; }));
    simulated->SendConsumerUsage(0x1132);  // record 2, DPI stage 3, chosen on the mouse
    EXPECT_TRUE(RunUntil([&] { return mouse->GetActiveProfileIndex() == 2 && mouse->ProfileData().GetActiveDpiStage() == 3; }));
    auto* stage = dynamic_cast<ui::COptionUI*>(Find("DPI_select_check_3"));
    ASSERT_NE(stage, nullptr);
    EXPECT_TRUE(stage->IsSelected());
}

TEST_F(MousePageTest, AButtonSavedOnTheKeyTabReachesTheMousesTable) {
    Open();
    Click("key_Op_tab");
    Click("key_5");  // DPI +
    auto* functions = dynamic_cast<ui::CComboUI*>(Find("keyset_function_combo"));
    ASSERT_NE(functions, nullptr);
    for (int i = 0; i < functions->GetCount(); ++i)
        if (functions->GetItemAt(i)->GetUserData() == "1") functions->SelectItem(i);  // mouse button
    dynamic_cast<ui::CComboUI*>(Find("keyset_mousekey_combo"))->SelectItem(2);  // right
    Click("key_butt_keysave");
    const std::size_t at = std::size_t{mouse->Memory().buttonMap[5]} * 3;
    EXPECT_TRUE(RunUntil([&] {
        const std::vector<std::uint8_t> table = simulated->Memory().keyTable;
        return table.at(at) == 0x10 && table.at(at + 1) == 0x02;
    }));
}

TEST_F(MousePageTest, ThroughTheReceiverALostLinkSkipsTheWriteUntilItComesBack) {
    Open("mouse-rx");
    simulated->SetLinkUp(false);
    const devsim::FirmwareMemory before = simulated->Memory();
    TypeAndLeave("DPI_edit_1", "3200");  // nothing hangs: the write stops at the link query
    EXPECT_EQ(simulated->Memory().settings, before.settings);
    EXPECT_EQ(simulated->Memory().beginWrites, before.beginWrites);
    EXPECT_TRUE(RunUntil([&] { return !TabShown("mouse"); }));  // the page says it is gone
    simulated->SetLinkUp(true);
    ASSERT_TRUE(RunUntil([&] { return TabShown("mouse"); }));
    window->ApplyProfile(*mouse);
    const MouseDpiModel model = mouse->DpiModel();
    EXPECT_EQ(StageStep(1), (3200 - model.dpiAtStepZero) / model.dpiPerStep);
}

TEST_F(MousePageTest, TheShootEditorsSaveWritesTheFourGunsAndThePowerIndicatorFollows) {
    Open("mouse-rx");
    Click("shoot_Op_tab");
    Click("bullet_op_0");
    TypeAndLeave("bullet_x_eidt", "12");
    Click("shootdate_save_btn");
    // The image holds four blocks: its header counts them.
    EXPECT_TRUE(RunUntil([&] { return simulated->Memory().shoot.at(4) == 4; }));

    devsim::FirmwareMemory memory = simulated->Memory();
    memory.power.at(0) = 37;  // percent
    simulated->SetMemory(memory);
    ui::CControlUI* charge = window->GetPaintManager().FindSubControlByName(Page("mouse").power, "device_power_value");
    ASSERT_NE(charge, nullptr);
    EXPECT_TRUE(RunUntil([&] { return charge->GetText() == "37%"; }));
}

}  // namespace
}  // namespace kx58test
