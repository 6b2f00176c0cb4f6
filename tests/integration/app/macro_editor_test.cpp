// The keyboard page's macro editor as a user works it: the macro list's buttons, the action
// list's commands and its menu, the delay fields, import and export through the file dialog,
// and a macro key played by the simulated keyboard. Results are checked in the macro files,
// the profile documents and the simulator's memory.
#include <algorithm>
#include <filesystem>
#include <fstream>

#include "device/protocol/key_code_tables.h"
#include "device/protocol/keyboard_protocol.h"
#include "device/quorin_products.h"
#include "editors/macro_control_ui.h"
#include "integration/app/macro_editor_fixture.h"
#include "profile/device_profile_ui.h"
#include "profile/json_file.h"
#include "uikit/file_dialog.h"
#include "uikit/headless_input.h"
#include "uikit/list.h"
#include "uikit/menu_wnd.h"
#include "uikit/paint_manager.h"

namespace kx58test {
namespace {

using namespace kx58;

constexpr int kCapsLock = 63;
constexpr int kEscape = 0;

TEST_F(MacroEditorTest, AddAndRenameKeepTheListAndTheLibrary) {
    OpenMacroTab();
    WriteLibrary({"macro_1", "Macro_2"});
    EXPECT_FALSE(Find("macro_btn_name_edit")->IsEnabled());

    Click("macro_btn_name_add");
    EXPECT_EQ(LibraryNames(), (std::vector<std::string>{"macro_1", "Macro_2", "macro_3"}));
    EXPECT_EQ(List("macro_name_list")->GetCurSel(), 2);
    EXPECT_EQ(List("macro_name_list")->GetItemAt(2)->GetText(), "macro_3");
    ASSERT_TRUE(Find("macro_btn_name_edit")->IsEnabled());

    Type("macro_edit_macroname", "Jump");
    Click("macro_btn_name_edit");
    EXPECT_EQ(LibraryNames(), (std::vector<std::string>{"macro_1", "Macro_2", "Jump"}));
    EXPECT_EQ(List("macro_name_list")->GetItemAt(2)->GetText(), "Jump");
    // The key editor offers the library as it now stands.
    auto* offered = dynamic_cast<ui::CComboUI*>(Find("keyset_macro_combo"));
    ASSERT_NE(offered, nullptr);
    ASSERT_EQ(offered->GetCount(), 3);
    EXPECT_EQ(offered->GetItemAt(2)->GetText(), "Jump");

    // Its own name, in other letters, is taken; nothing changes.
    const std::string before = Bytes(folder + "macro.config");
    Type("macro_edit_macroname", "JUMP");
    AnswerNextMessage(true);
    Click("macro_btn_name_edit");
    ASSERT_EQ(said.size(), 1u);
    EXPECT_EQ(said[0], "This name is already in use.");
    EXPECT_EQ(Bytes(folder + "macro.config"), before);
}

// Deleting macro 2 of 4: a refusal at either question leaves every file as it was; confirmed,
// a key on macro 2 gets its default and a key on macro 3 moves to 2, in every profile and in
// the page's own key list.
TEST_F(MacroEditorTest, DeletingAMacroRenumbersTheKeysOfEveryProfileOnlyWhenConfirmed) {
    OpenMacroTab();
    WriteLibrary({"a", "b", "c", "d"});
    Click("device_add_btn");
    ASSERT_EQ(keyboard->ProfileControl()->GetProfileCount(), 2);
    for (int profile : {0, 1}) SetKeys(profile, {{kCapsLock, MacroKey(2)}, {kEscape, MacroKey(3)}});
    keyboard->LoadProfile();
    window->ApplyProfile(*keyboard);
    const std::size_t capsAt = std::size_t{keyboard->Memory().maps.position[kCapsLock]} * 3;
    const auto capsInKeyboard = [&] { return rack->Find("kb")->Memory().keyTable.at(capsAt); };
    ASSERT_NE(capsInKeyboard(), DefaultKeyCodes()[kCapsLock].type);  // a macro key there
    const auto snapshot = [&] {
        std::vector<std::string> files;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) files.push_back(Bytes(entry.path()));
        std::sort(files.begin(), files.end());
        return files;
    };
    const std::vector<std::string> before = snapshot();
    ChooseMacro(2);

    AnswerNextMessage(false);
    Click("macro_btn_name_sub");
    AnswerNextMessage(true);
    AnswerNextMessage(false);
    Click("macro_btn_name_sub");
    ASSERT_EQ(said.size(), 3u);
    EXPECT_EQ(said[1], "Delete the selected macro?");
    EXPECT_EQ(said[2], "A key of the active profile uses this macro. Delete it anyway?");
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(List("macro_name_list")->GetCount(), 4);

    AnswerNextMessage(true);
    AnswerNextMessage(true);
    Click("macro_btn_name_sub");
    EXPECT_EQ(LibraryNames(), (std::vector<std::string>{"a", "b", "d"}));
    EXPECT_EQ(List("macro_name_list")->GetCount(), 3);
    for (int profile : {0, 1}) {
        EXPECT_EQ(KeyIn(profile, kCapsLock), DefaultOf(profile, kCapsLock)) << profile;
        EXPECT_EQ(KeyIn(profile, kEscape), MacroKey(2)) << profile;
    }
    const std::vector<KeyAssignmentEntry> keys = keyboard->ProfileData().GetKeyList();
    EXPECT_EQ(keys[kEscape].assignment.Code(), MacroKey(2));
    EXPECT_EQ(keys[kCapsLock].assignment, keys[kCapsLock].defaultAssignment);
    // The keyboard follows at once: its Caps Lock no longer plays the deleted macro.
    EXPECT_TRUE(RunUntil([&] { return capsInKeyboard() == DefaultKeyCodes()[kCapsLock].type; }));
}

// Inserting, moving and deleting events; each change is in the file at once. Delays typed
// into the rows are kept as stored: too large becomes 65535, cleared becomes 0.
TEST_F(MacroEditorTest, TheActionListsCommandsChangeTheMacrosFile) {
    OpenMacroTab();
    Click("macro_btn_name_add");
    Type("mouse_x_left_edit", "300");
    Click("macro_inset_moveleftkey_btn");
    Type("mouse_y_down_edit", "7");
    Click("macro_inset_movedownkey_btn");
    ASSERT_EQ(SavedEvents(0), (std::vector<MacroEventRecord>{{true, 44, 4, 50}, {false, 7, 5, 50}}));

    // A click on the first row: down and up follow it, the up one selected.
    ChooseEvent(0);
    ChooseFromActionMenu(0, "left_click");
    const std::vector<MacroEventRecord> clicked{{true, 44, 4, 50}, {true, 1, 1, 50}, {false, 1, 1, 50}, {false, 7, 5, 50}};
    ASSERT_EQ(SavedEvents(0), clicked);
    EXPECT_EQ(editor->SelectedEventIndex(), 2);
    EXPECT_EQ(ActionRow(1)->GetItemAt(0)->GetText(), "Left button");

    ChooseEvent(0);
    Click("macro_btn_up");
    ChooseEvent(3);
    Click("macro_btn_down");
    Click("macro_btn_downbottom");
    EXPECT_EQ(SavedEvents(0), clicked);
    ChooseEvent(3);
    Click("macro_btn_uptop");
    EXPECT_EQ(SavedEvents(0)[0], (MacroEventRecord{false, 7, 5, 50}));
    EXPECT_EQ(editor->SelectedEventIndex(), 0);

    // A 70 s gap typed in, another delay cleared; the field loses the focus.
    ui::CControlUI* first = ActionRow(0)->GetItemAt(2);
    ui::CControlUI* second = ActionRow(1)->GetItemAt(2);
    ClickControl(first);
    first->SetText("70000");
    ClickControl(second);
    ASSERT_TRUE(RunUntil([&] { return SavedEvents(0)[0].delay == 65535; }));
    EXPECT_EQ(first->GetText(), "65535");
    second->SetText("");
    ClickControl(first);
    ASSERT_TRUE(RunUntil([&] { return SavedEvents(0)[1].delay == 0; }));
    EXPECT_EQ(second->GetText(), "0");

    ChooseEvent(1);
    Click("macro_btn_delete");
    EXPECT_EQ(SavedEvents(0).size(), 3u);
    Click("macro_btn_deleteall");
    EXPECT_TRUE(SavedEvents(0).empty());
    EXPECT_EQ(List("macro_action_list")->GetCount(), 0);
}

TEST_F(MacroEditorTest, ImportAndExportGoThroughMacroFilesAndBadFilesAreRefused) {
    OpenMacroTab();
    const std::string outside = session.Root() + "/outside/";
    std::filesystem::create_directories(outside);
    const std::vector<MacroEventRecord> jump{{true, 0x2C, 10, 30}, {false, 0x2C, 10, 0}};
    ASSERT_TRUE(WriteJsonDocument(outside + "Jump.mac", MacroDocument("Jump", "x", jump)));
    std::string answer = outside + "Jump.mac";
    ui::SetFileDialogHook([&](const ui::FileDialogRequest&) { return std::optional<std::string>(answer); });

    Click("macro_btn_import");
    Click("macro_btn_import");
    EXPECT_EQ(LibraryNames(), (std::vector<std::string>{"Jump", "Jump_2"}));
    EXPECT_EQ(SavedEvents(1), jump);
    EXPECT_EQ(List("macro_action_list")->GetCount(), 2);
    EXPECT_EQ(ActionRow(0)->GetItemAt(0)->GetText(), "Space");

    answer = outside + "back.mac";
    Click("macro_btn_export");
    EXPECT_EQ(ReadJsonDocument(answer)["Events"], ReadJsonDocument(outside + "Jump.mac")["Events"]);

    // Not JSON, over 1 MiB, too many events: each is said and nothing changes.
    std::ofstream(outside + "text.mac") << "not a macro";
    std::ofstream(outside + "big.mac") << "{\"Events\":[], \"pad\":\"" << std::string(kMaxMacroImportBytes, ' ') << "\"}";
    ASSERT_TRUE(WriteJsonDocument(outside + "long.mac",
                                  MacroDocument("long", "y", std::vector<MacroEventRecord>(kMaxMacroEvents + 1))));
    const std::string before = Bytes(folder + "macro.config");
    for (const char* bad : {"text.mac", "big.mac", "long.mac"}) {
        answer = outside + bad;
        AnswerNextMessage(true);
        Click("macro_btn_import");
    }
    ui::SetFileDialogHook({});
    ASSERT_EQ(said.size(), 3u);
    EXPECT_EQ(said[0], "This file is not a macro: it must be a JSON macro of at most 1 MB.");
    EXPECT_EQ(said[1], said[0]);
    EXPECT_EQ(said[2], "A macro holds at most 4000 events.");
    EXPECT_EQ(Bytes(folder + "macro.config"), before);
    EXPECT_EQ(List("macro_name_list")->GetCount(), 2);
}

// A key on a macro made in the editor: the apply writes that macro's events into the
// keyboard's macro area.
TEST_F(MacroEditorTest, AMacroMadeInTheEditorIsPlayedByItsKey) {
    OpenMacroTab();
    Click("macro_btn_name_add");
    Type("mouse_x_right_edit", "12");
    Click("macro_inset_moverightkey_btn");
    ChooseEvent(0);
    ChooseFromActionMenu(0, "right_click");
    SetKeys(0, {{kCapsLock, MacroKey(0)}});
    keyboard->LoadProfile();
    window->ApplyProfile(*keyboard);

    const MacroEventList expected{{50, 4, false, 12}, {50, 1, true, 2}, {50, 1, false, 2}};
    std::vector<std::uint8_t> image;
    ASSERT_EQ(BuildMacroImage(std::span(&expected, 1), 4096, image), 0);
    const devsim::FirmwareMemory memory = rack->Find("kb")->Memory();
    ASSERT_GE(memory.macro.size(), image.size());
    EXPECT_TRUE(std::equal(image.begin(), image.end(), memory.macro.begin()));
}

}  // namespace
}  // namespace kx58test
