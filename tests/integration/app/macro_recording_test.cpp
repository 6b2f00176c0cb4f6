// Recording a macro as a user does: the record button or a menu item of an event, keys from an
// input device (injected where the device would deliver them) and keys and clicks in the
// window, then the stop button. Checked on the rows, the macro file and the hook.
#include "integration/app/macro_editor_fixture.h"
#include "platform/input_key_codes.h"
#include "platform/tick.h"

namespace kx58test {
namespace {

using namespace kx58;

constexpr unsigned kEvdevA = 30, kEvdevK = 37, kEvdevM = 50, kEvdevCapsLock = 58, kEvdevRightCtrl = 97;

class MacroRecordingTest : public MacroEditorTest {
protected:
    // A key as an evdev keyboard delivers it, `at` ms after the recording's start.
    void DeviceKey(unsigned evdevCode, bool down, std::uint32_t at) {
        const auto code = KeyCodeOfEvdev(evdevCode);
        ASSERT_TRUE(code.has_value());
        InputHookEvent event;
        event.message = down ? WM_KEYDOWN : WM_KEYUP;
        event.key.vkCode = code->virtualKey;
        event.key.scanCode = code->scanCode;
        event.key.flags = (code->extended ? LLKHF_EXTENDED : 0) | (down ? 0 : LLKHF_UP);
        event.key.time = started + at;
        window->DeviceHook().Input().InjectDeviceEvent(event);
    }
    void StartWith(const std::string& trigger, int row = -1) {
        if (row < 0) Click(trigger);
        else ChooseFromActionMenu(row, trigger);
        ASSERT_TRUE(window->IsRecording());
        // Device events are stamped from here; a window event comes later than all of them.
        started = TickCount() + 100000;
    }
    void Stop() {
        ui::HeadlessInput input(*window);
        ASSERT_TRUE(input.Click("macro_btn_stopredio"));
        ASSERT_TRUE(RunUntil([&] { return !window->IsRecording(); }));
    }
    bool RowsReach(int count) {
        return RunUntil([&] { return List("macro_action_list")->GetCount() >= count; });
    }
    int SelectedRow() { return List("macro_action_list")->GetCurSel(); }
    std::string RowName(int index) { return ActionRow(index)->GetItemAt(0)->GetText(); }
    void MakeMacroWithLeftClick() {
        Click("macro_btn_name_add");
        ASSERT_TRUE(editor->InsertMouseButton("left_click"));  // two rows of 50 ms
        ASSERT_EQ(List("macro_action_list")->GetCount(), 2);
    }

    std::uint32_t started = 0;
};

MacroEventRecord Key(std::uint8_t usage, bool down, std::uint16_t delay) { return {down, usage, 10, delay}; }

TEST_F(MacroRecordingTest, HeldKeysCountOnceGapsBecomeDelaysAndTheStopClickIsLeftOut) {
    OpenMacroTab();
    Click("macro_btn_name_add");
    StartWith("macro_btn_starredio");
    // The recording look, and a page that cannot change under it.
    EXPECT_TRUE(Find("macro_btn_stopredio")->IsVisible());
    EXPECT_FALSE(Find("macro_btn_starredio")->IsVisible());
    EXPECT_FALSE(Find("macro_tab_macroaction_edit")->IsEnabled());
    EXPECT_FALSE(Find("device_select_layout")->IsEnabled());
    EXPECT_FALSE(keyboard->ProfileControl()->IsEnabled());
    // No input device here: the page says the window is the only source.
    EXPECT_EQ(Find("macro_record_source_text")->GetText(), "Recording in this window only");
    EXPECT_EQ(window->DeviceHook().Mode(), kHookModeAppend);

    DeviceKey(kEvdevA, true, 1000);
    DeviceKey(kEvdevA, true, 1030);  // the key repeats while held
    DeviceKey(kEvdevA, true, 1060);
    DeviceKey(kEvdevA, false, 1250);
    DeviceKey(kEvdevCapsLock, true, 1400);
    DeviceKey(kEvdevCapsLock, false, 1450);
    ASSERT_TRUE(RowsReach(4));
    ui::HeadlessInput input(*window);
    input.KeyPress('B');  // typed into the window: recorded, not typed into a control
    ASSERT_TRUE(input.Click("macro_edit_macroname"));
    ASSERT_TRUE(RowsReach(8));
    Stop();

    const std::vector<MacroEventRecord> saved = SavedEvents(0);
    ASSERT_EQ(saved.size(), 8u);
    EXPECT_EQ(saved[0], Key(0x04, true, 250));
    EXPECT_EQ(saved[1], Key(0x04, false, 150));
    EXPECT_EQ(saved[2], Key(0x39, true, 50));
    EXPECT_EQ(saved[3], Key(0x39, false, 0));  // the next event is stamped earlier: no gap
    EXPECT_EQ(saved[4].button, 0x05);
    EXPECT_EQ(saved[5].button, 0x05);
    EXPECT_EQ(saved[6], (MacroEventRecord{true, 1, 1, saved[6].delay}));
    EXPECT_EQ(saved[7], (MacroEventRecord{false, 1, 1, 0}));
    EXPECT_EQ(RowName(0), "A");
    EXPECT_EQ(RowName(2), "Caps Lock");
    EXPECT_EQ(Find("macro_edit_macroname")->GetText(), "");
    // Stopped: the look and the page as before, the hook gone.
    EXPECT_FALSE(window->DeviceHook().IsHooked());
    EXPECT_TRUE(Find("macro_btn_starredio")->IsVisible());
    EXPECT_TRUE(Find("device_select_layout")->IsEnabled());
    EXPECT_TRUE(Find("macro_tab_macroaction_edit")->IsEnabled());
}

TEST_F(MacroRecordingTest, RecordingBeforeAndAfterTheChosenEventChainsAroundItWithTheFixedDelayCapped) {
    OpenMacroTab();
    MakeMacroWithLeftClick();
    ChooseEvent(0);
    StartWith("redio_previous_record_time", 0);
    DeviceKey(kEvdevK, true, 100);
    DeviceKey(kEvdevK, false, 350);
    ASSERT_TRUE(RowsReach(4));
    // The first event went in front of the chosen row, the second after it; that row stays chosen.
    EXPECT_EQ(SelectedRow(), 2);
    Stop();

    Type("macro_fixed_time_edit", "80000");
    Click("macro_check_time");
    ChooseEvent(3);
    StartWith("redio_later_record_time", 3);
    EXPECT_EQ(Find("macro_fixed_time_edit")->GetText(), "65535");
    DeviceKey(kEvdevM, true, 100);
    DeviceKey(kEvdevM, false, 200);
    ASSERT_TRUE(RowsReach(6));
    Stop();

    const std::vector<MacroEventRecord> saved = SavedEvents(0);
    ASSERT_EQ(saved.size(), 6u);
    EXPECT_EQ(saved[0], Key(0x0E, true, 250));
    EXPECT_EQ(saved[1], Key(0x0E, false, 0));
    EXPECT_EQ(saved[2], (MacroEventRecord{true, 1, 1, 50}));
    EXPECT_EQ(saved[3], (MacroEventRecord{false, 1, 1, 65535}));
    EXPECT_EQ(saved[4], Key(0x10, true, 65535));
    EXPECT_EQ(saved[5], Key(0x10, false, 65535));
}

TEST_F(MacroRecordingTest, ReplacingPutsTheNextKeyIntoTheChosenEventAndKeepsItsStateAndDelay) {
    OpenMacroTab();
    MakeMacroWithLeftClick();
    ChooseEvent(1);
    StartWith("macro_action_edit", 1);
    DeviceKey(kEvdevRightCtrl, true, 100);
    DeviceKey(kEvdevRightCtrl, false, 200);
    ASSERT_TRUE(RunUntil([&] { return RowName(1) == "RCtrl"; }));
    Stop();
    const std::vector<MacroEventRecord> saved = SavedEvents(0);
    ASSERT_EQ(saved.size(), 2u);
    EXPECT_EQ(saved[1], (MacroEventRecord{false, 0x10, 9, 50}));  // a modifier: its bit, type 9
}

TEST_F(MacroRecordingTest, AKeyboardUnpluggedWhileRecordingEndsTheRecordingAndKeepsWhatCame) {
    OpenMacroTab();
    Click("macro_btn_name_add");
    StartWith("macro_btn_starredio");
    DeviceKey(kEvdevA, true, 10);
    DeviceKey(kEvdevA, false, 20);
    ASSERT_TRUE(RowsReach(2));
    ASSERT_TRUE(bus.Unplug("kb"));
    ASSERT_TRUE(RunUntil([&] { return !window->IsRecording(); }));
    EXPECT_FALSE(window->DeviceHook().IsHooked());
    EXPECT_EQ(SavedEvents(0).size(), 2u);
}

}  // namespace
}  // namespace kx58test
