// The key assignment editor on the keyboard page's key tab as a user works it: a key of the
// picture is chosen, a function set up in the editor's panels and saved; the simulated
// keyboard's key table holds the new code and the key reads back into the same controls.
#include <array>
#include <functional>

#include "device/protocol/key_code_tables.h"
#include "device/quorin_products.h"
#include "editors/key_set_control_ui.h"
#include "integration/app/main_window_fixture.h"
#include "macro/macro_library.h"
#include "platform/input_key_codes.h"
#include "uikit/button.h"
#include "uikit/headless_input.h"
#include "uikit/list.h"
#include "uikit/paint_manager.h"
#include "uikit/ui_events.h"

namespace kx58test {
namespace {

using namespace kx58;
using Entry = std::array<std::uint8_t, 3>;

constexpr int kCapsKey = 63;

class KeyEditorTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        keyboard = ShowKeyboardPage();
        ASSERT_NE(keyboard, nullptr);
        Click("key_Op_tab");
        editor = dynamic_cast<CKeySetControlUI*>(Find("KeySetControlItem"));
        ASSERT_NE(editor, nullptr);
        ASSERT_TRUE(Find("keys_page")->IsVisible());
    }
    void ChooseKey(int key) { Click("key_" + std::to_string(key)); }
    void ChooseFunction(int type) { Select("keyset_function_combo", editor->FindFunctionEntry(type)); }
    void Select(const std::string& combo, int row) { dynamic_cast<ui::CComboUI*>(Find(combo))->SelectItem(row); }
    int Row(const std::string& combo) { return dynamic_cast<ui::CComboUI*>(Find(combo))->GetCurSel(); }
    void TypeAndLeave(const std::string& name, const std::string& text) {
        ui::CControlUI* edit = Find(name);
        edit->SetText(text);
        edit->GetManager()->SendNotify(edit, ui::DUI_MSGTYPE_KILLFOCUS);
    }
    std::string Text(const std::string& name) { return Find(name)->GetText(); }
    // The key's entry in the simulated keyboard's key table.
    Entry TableEntry(int key) {
        const std::size_t at = std::size_t{keyboard->Memory().maps.position[static_cast<std::size_t>(key)]} * 3;
        const std::vector<std::uint8_t> table = rack->Find("kb")->Memory().keyTable;
        if (at + 2 >= table.size()) return {};
        return {table[at], table[at + 1], table[at + 2]};
    }
    bool TableHolds(int key, Entry entry) {
        return RunUntil([&] { return TableEntry(key) == entry; });
    }
    // The key's assignment in a key list; 0xFFFFFFFF when it has no entry.
    static std::uint32_t StoredCode(const std::vector<KeyAssignmentEntry>& list, int key) {
        for (const KeyAssignmentEntry& entry : list)
            if (entry.keyIndex == key) return entry.assignment.Code();
        return 0xFFFFFFFFu;
    }
    static std::uint32_t Code(Entry e) { return std::uint32_t{e[0]} << 16 | std::uint32_t{e[1]} << 8 | e[2]; }
    // Two macros with one key stroke each, in the keyboard's library.
    void AddMacros() {
        MacroLibrary library(keyboard->GetDataFolder());
        for (int n = 0; n < 2; ++n) {
            ASSERT_EQ(library.Add().result, MacroResult::Ok);
            ASSERT_EQ(library.SaveEvents(n, {{.down = true, .button = 0x04, .type = 10, .delay = 20},
                                             {.down = false, .button = 0x04, .type = 10, .delay = 20}}),
                      MacroResult::Ok);
        }
    }

    CQuorinKeyboardDevice* keyboard = nullptr;
    CKeySetControlUI* editor = nullptr;
};

// Every function the keyboard offers, set up as the user would, saved on Caps Lock.
TEST_F(KeyEditorTest, EveryFunctionSavedOnAKeyReachesTheKeyTableAndReadsBack) {
    AddMacros();
    ui::HeadlessInput input(*window);
    struct Case {
        const char* what;
        int type;
        std::function<void()> setUp;
        Entry code;   // in the profile
        Entry entry;  // in the key table (a macro number becomes its slot in the image)
    };
    const Case cases[] = {
        {"mouse right button", kFunctionMouseButton, [&] { Select("keyset_mousekey_combo", 2); }, {0x10, 0x02, 0}, {0x10, 0x02, 0}},
        {"swing", kFunctionSwing, [&] {
             Select("keyset_mouseswing_combo", 1);
             TypeAndLeave("keyset_mouseswing_delay_edit", "3");
             TypeAndLeave("keyset_mouseswing_speed_edit", "5");
             TypeAndLeave("keyset_mousefire_num_edit", "5");
         }, {0x11, 0x35, 0x85}, {0x11, 0x35, 0x85}},
        {"wheel", kFunctionWheel, [&] {
             Select("keyset_mousewheel_combo", 1);
             TypeAndLeave("keyset_mousewheel_delay_edit", "1");
             TypeAndLeave("keyset_mousewheel_speed_edit", "18");  // nibble: 2
             TypeAndLeave("keyset_mousewheel_num_edit", "125");
         }, {0x12, 0x12, 0x83}, {0x12, 0x12, 0x83}},
        {"rapid fire", kFunctionFire, [&] {
             TypeAndLeave("keyset_mousefire_interval_edit", "40");
             TypeAndLeave("keyset_mousefire_num_edit", "x3");  // not a number: 0
         }, {0x14, 40, 0}, {0x14, 40, 0}},
        {"Shift+B pressed into the key edit", kFunctionKeyboard, [&] {
             ASSERT_TRUE(input.Click("keyset_keyboard_text_edit"));
             input.KeyPress(0x42);  // B
             input.KeyPress(0x7C);  // F13: not a key of the table, ignored
             Click("key_ComBox_check_2");
         }, {0x20, 0x02, 0x05}, {0x20, 0x02, 0x05}},
        {"media play", kFunctionMedia, [&] { Select("keyset_media_combo", 1); }, {0x30, 0xCD, 0}, {0x30, 0xCD, 0}},
        {"system sleep", kFunctionSystem, [&] { Select("keyset_system_combo", 1); }, {0x40, 0x02, 0}, {0x40, 0x02, 0}},
        {"second macro, repeated 7 times", kFunctionMacro, [&] {
             Select("keyset_macro_combo", 1);
             Select("keyset_macro_over_combo", kMacroRepeatCountMode);
             TypeAndLeave("keyset_macro_cycle_edit", "7");
         }, {0x71, 1, 7}, {0x71, 0, 7}},
        {"shortcut copy", kFunctionShortcut, [&] { Select("keyset_combokey_combo", 4); }, {0x20, 0x10, 0x06}, {0x20, 0x10, 0x06}},
        {"disabled", kFunctionNone, [] {}, {0, 0, 0}, {0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ChooseKey(kCapsKey);
        ChooseFunction(c.type);
        ASSERT_EQ(dynamic_cast<ui::CTabLayoutUI*>(Find("function_switch_tablayout"))->GetCurSel(), c.type);
        c.setUp();
        Click("key_butt_keysave");
        ASSERT_TRUE(TableHolds(kCapsKey, c.entry));
        EXPECT_EQ(StoredCode(keyboard->ProfileData().GetKeyList(), kCapsKey), Code(c.code));
        // Another key and back: the controls show the stored code again.
        ChooseKey(kCapsKey + 1);
        ChooseKey(kCapsKey);
        EXPECT_EQ(editor->GetFunctionType(), c.type);
        EXPECT_EQ(editor->BuildAssignment(), Code(c.code));
    }
    EXPECT_EQ(Text("keyset_mousefire_num_edit"), "0");
}

TEST_F(KeyEditorTest, CodeEdgeCasesShowAndBuildBack) {
    ChooseKey(kCapsKey);
    editor->SetMacroNames({"one", "two", "three"});
    struct Case {
        Entry shown;
        std::vector<std::pair<std::string, std::string>> texts;  // edit -> text
        std::vector<std::pair<std::string, int>> rows;            // combo or option family -> row
        Entry built;
    };
    const Case cases[] = {
        {{0x11, 0x35, 0x85},
         {{"keyset_mouseswing_delay_edit", "3"}, {"keyset_mouseswing_speed_edit", "5"}, {"keyset_mousefire_num_edit", "5"}},
         {{"keyset_mouseswing_combo", 1}, {"function", kFunctionSwing}},
         {0x11, 0x35, 0x85}},
        {{0x12, 0x12, 0x83}, {{"keyset_mousewheel_num_edit", "125"}}, {{"keyset_mousewheel_combo", 1}, {"function", kFunctionWheel}},
         {0x12, 0x12, 0x83}},
        {{0x20, 0x20, 0x04}, {{"keyset_keyboard_text_edit", "A"}}, {{"modifier", 2}, {"function", kFunctionKeyboard}},
         {0x20, 0x02, 0x04}},
        {{0x20, 0x10, 0x06}, {}, {{"keyset_combokey_combo", 4}, {"function", kFunctionShortcut}}, {0x20, 0x10, 0x06}},
        {{0x20, 0x03, 0x04}, {{"keyset_keyboard_text_edit", "A"}}, {{"modifier", 0}, {"function", kFunctionKeyboard}},
         {0x20, 0x00, 0x04}},
        {{0x71, 0x02, 0x05}, {{"keyset_macro_cycle_edit", "5"}},
         {{"keyset_macro_combo", 2}, {"keyset_macro_over_combo", kMacroRepeatCountMode}, {"function", kFunctionMacro}},
         {0x71, 0x02, 0x05}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << Code(c.shown));
        editor->ShowAssignment(Code(c.shown));
        for (const auto& [edit, text] : c.texts) EXPECT_EQ(Text(edit), text) << edit;
        for (const auto& [control, row] : c.rows) {
            if (control == "function") {
                EXPECT_EQ(editor->GetFunctionType(), row);
                EXPECT_EQ(dynamic_cast<ui::CTabLayoutUI*>(Find("function_switch_tablayout"))->GetCurSel(), row);
            } else if (control == "modifier") {
                EXPECT_EQ(editor->GetModifierOption(), row);
            } else {
                EXPECT_EQ(Row(control), row) << control;
            }
        }
        EXPECT_EQ(editor->BuildAssignment(), Code(c.built));
    }
    EXPECT_TRUE(Find("keyset_macro_cycle_layout")->IsVisible());
}

TEST_F(KeyEditorTest, CancelChangesNothingAndDefaultRestoresTheFactoryCode) {
    const Entry factory{DefaultKeyCodes()[kCapsKey].type, DefaultKeyCodes()[kCapsKey].code1, DefaultKeyCodes()[kCapsKey].code2};
    ChooseKey(kCapsKey);
    EXPECT_TRUE(Find("key_butt_keysave")->IsEnabled());
    EXPECT_EQ(editor->BuildAssignment(), Code(factory));  // Caps Lock shows as itself
    ChooseFunction(kFunctionMedia);
    Select("keyset_media_combo", 7);  // mute
    Click("key_butt_keysave");
    const Entry mute{0x30, 0xE2, 0x00};
    ASSERT_TRUE(TableHolds(kCapsKey, mute));
    EXPECT_EQ(Find("key_63")->GetToolTip(), "Mute");  // the key's legend
    EXPECT_EQ(Find("key_64")->GetToolTip(), "A");

    // Another function set up, then cancelled: the controls show the stored code again and
    // nothing is written.
    ChooseFunction(kFunctionMouseButton);
    Select("keyset_mousekey_combo", 0);
    Click("key_butt_keycancel");
    EXPECT_EQ(editor->GetFunctionType(), kFunctionMedia);
    EXPECT_EQ(Row("keyset_media_combo"), 7);
    EXPECT_EQ(TableEntry(kCapsKey), mute);
    EXPECT_EQ(StoredCode(keyboard->ProfileData().GetKeyList(), kCapsKey), Code(mute));

    // Default shows the factory code; saved, it is the key's again, in the table and the file.
    Click("key_butt_keydefalut");
    EXPECT_EQ(editor->GetFunctionType(), kFunctionKeyboard);
    EXPECT_EQ(Text("keyset_keyboard_text_edit"), "Caps Lock");
    Click("key_butt_keysave");
    ASSERT_TRUE(TableHolds(kCapsKey, factory));
    EXPECT_EQ(Find("key_63")->GetToolTip(), "Caps Lock");
    CKeyboardProfiledata reread;
    reread.LoadProfile(keyboard->ProfileData().GetProfilePath());
    EXPECT_EQ(StoredCode(reread.GetKeyList(), kCapsKey), Code(factory));
}

// The key edit takes a key pressed on any keyboard while it has the focus, through the
// program-wide hook, which goes when the window is left.
TEST_F(KeyEditorTest, TheKeyEditCapturesAKeyPressedAnywhereUntilTheWindowIsLeft) {
    ChooseKey(kCapsKey);
    ChooseFunction(kFunctionKeyboard);
    ui::HeadlessInput input(*window);
    ASSERT_TRUE(input.Click("keyset_keyboard_text_edit"));
    ASSERT_TRUE(window->DeviceHook().IsHooked());
    EXPECT_EQ(window->DeviceHook().Mode(), kHookModeKeyCapture);
    const auto x = KeyCodeOfEvdev(45);
    InputHookEvent pressed;
    pressed.message = WM_KEYDOWN;
    pressed.key = {x->virtualKey, x->scanCode, 0, 0, 0};
    window->DeviceHook().Input().InjectDeviceEvent(pressed);
    ASSERT_TRUE(RunUntil([&] { return Text("keyset_keyboard_text_edit") == "X"; }));
    window->SendMessage(WM_ACTIVATE, 0, 0);  // another program's window is chosen
    EXPECT_FALSE(window->DeviceHook().IsHooked());
}

}  // namespace
}  // namespace kx58test
