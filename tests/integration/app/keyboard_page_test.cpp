// The keyboard page as a user works it, against the simulated keyboard: the profile buttons,
// the profile combo, the system page, the message box, and the keyboard changing its own
// state. Results are checked in the simulator's memory and in the profile files.
#include <filesystem>

#include "device/quorin_products.h"
#include "platform/folders.h"
#include "platform/tick.h"
#include "integration/app/main_window_fixture.h"
#include "platform/desktop_input_settings.h"
#include "uikit/slider.h"
#include "uikit/ui_events.h"
#include "profile/device_profile_ui.h"
#include "profile/json_file.h"
#include "uikit/button.h"
#include "uikit/edit.h"
#include "uikit/file_dialog.h"
#include "uikit/list.h"
#include "uikit/paint_manager.h"

namespace kx58test {
namespace {

using namespace kx58;

class KeyboardPageTest : public MainWindowTest {
protected:
    void OpenKeyboardPage(const std::string& product = "kb") {
        this->product = product;
        keyboard = ShowKeyboardPage(product);
        ASSERT_NE(keyboard, nullptr);
        profiles = keyboard->ProfileControl();
        ASSERT_NE(profiles, nullptr);
    }
    std::vector<std::string> ListedNames() {
        std::vector<std::string> names;
        const Json::Value list = ReadJsonDocument(profiles->List().ListFilePath());
        for (const Json::Value& entry : list["profilelist"])
            names.push_back(entry["profilename"].asString());
        return names;
    }
    devsim::FirmwareMemory Memory() { return rack->Find(product)->Memory(); }
    ui::CComboUI* Combo() { return dynamic_cast<ui::CComboUI*>(Find("device_profile_combo")); }

    std::string product;
    CQuorinKeyboardDevice* keyboard = nullptr;
    CDeviceProfileUI* profiles = nullptr;
};

TEST_F(KeyboardPageTest, TheProfileButtonsKeepTheListAndTheDocuments) {
    OpenKeyboardPage();
    EXPECT_EQ(ListedNames(), std::vector<std::string>{"profile1"});
    EXPECT_EQ(Combo()->GetCount(), 1);
    EXPECT_EQ(profiles->GetNameEditText(), "profile1");

    Click("device_add_btn");
    Click("device_add_btn");
    EXPECT_EQ(ListedNames(), (std::vector<std::string>{"profile1", "profile2", "profile3"}));
    EXPECT_EQ(Combo()->GetCount(), 3);
    EXPECT_EQ(Combo()->GetCurSel(), 0);  // added profiles are not chosen

    // Rename the selected profile, then try a taken name and a blank one.
    profiles->SetNameEditText("Game");
    Click("device_profile_edit_save_btn");
    EXPECT_EQ(ListedNames()[0], "Game");
    EXPECT_EQ(ReadJsonDocument(profiles->GetProfilePathAt(0))["profilename"].asString(), "Game");
    profiles->SetNameEditText("PROFILE2");
    AnswerNextMessage(true);
    Click("device_profile_edit_save_btn");
    profiles->SetNameEditText("   ");
    AnswerNextMessage(true);
    Click("device_profile_edit_save_btn");
    ASSERT_EQ(said.size(), 2u);
    EXPECT_EQ(said[0], "This name is already in use.");
    EXPECT_EQ(said[1], "The name cannot be blank.");
    EXPECT_EQ(ListedNames()[0], "Game");

    Click("device_copy_btn");
    Click("device_copy_btn");
    EXPECT_EQ(ListedNames().back(), "Game copy copy");

    // Export the selected profile, import it back twice: the names accumulate suffixes.
    TempDir files;
    const std::string exported = files / "Game.json";
    ui::SetFileDialogHook([&](const ui::FileDialogRequest&) { return std::optional<std::string>(exported); });
    Click("device_export_btn");
    EXPECT_EQ(ReadJsonDocument(exported)["profilename"].asString(), "Game");
    Click("device_import_btn");
    Click("device_import_btn");
    const std::vector<std::string> names = ListedNames();
    EXPECT_EQ(std::vector<std::string>(names.end() - 2, names.end()),
              (std::vector<std::string>{"Game(1)", "Game(1)(2)"}));

    // A file that is no profile, or too large, is refused with a message and changes nothing.
    WriteWholeFile(files / "notes.json", R"({"Device": []})");
    WriteWholeFile(files / "huge.json", R"({"profilename": "x", "profileUUID": "y", "pad": ")" +
                                            std::string(ProfileList::kMaxImportBytes, ' ') + "\"}");
    for (const char* file : {"notes.json", "huge.json"}) {
        const std::string path = files / file;
        ui::SetFileDialogHook([path](const ui::FileDialogRequest&) { return std::optional<std::string>(path); });
        AnswerNextMessage(true);
        Click("device_import_btn");
        EXPECT_EQ(ListedNames().size(), names.size()) << file;
    }
    EXPECT_EQ(said.size(), 4u) << testing::PrintToString(said);
    ui::SetFileDialogHook({});

    // Delete asks first; cancelled, nothing goes; confirmed, the first profile goes and its
    // neighbour becomes the current one.
    const std::string firstDocument = profiles->GetProfilePathAt(0);
    AnswerNextMessage(false);
    Click("device_sub_btn");
    EXPECT_EQ(ListedNames().size(), names.size());
    AnswerNextMessage(true);
    Click("device_sub_btn");
    EXPECT_EQ(ListedNames().size(), names.size() - 1);
    EXPECT_FALSE(kx58::PathExists(firstDocument));
    EXPECT_EQ(Combo()->GetCurSel(), 0);
    EXPECT_EQ(profiles->GetNameEditText(), "profile2") << testing::PrintToString(said);
}

// By cable and through the receiver alike.
class KeyboardConnectionTest : public KeyboardPageTest, public ::testing::WithParamInterface<const char*> {};
INSTANTIATE_TEST_SUITE_P(CableAndReceiver, KeyboardConnectionTest, ::testing::Values("kb", "kb-rx"));

TEST_P(KeyboardConnectionTest, ChoosingAProfileWritesItIntoTheKeyboard400msLater) {
    OpenKeyboardPage(GetParam());
    Click("device_add_btn");
    // The second profile lights the keyboard in mode 6, colour 10/20/30, polling code 2, and
    // has a key moved: Caps Lock (page key 63) sends Escape.
    Json::Value document = ReadJsonDocument(profiles->GetProfilePathAt(1));
    Json::Value& light = document["Device"][0]["LightInfo"];
    light["SelectItem"] = 6;
    light["Light"] = 3;
    light["Red"] = 10;
    light["Green"] = 20;
    light["Blue"] = 30;
    document["Device"][0]["SystemStages"]["PollingRate"] = 2;
    document["Device"][0]["KeyList"][63]["Assignment"] = 0x200029;
    ASSERT_TRUE(WriteJsonDocument(profiles->GetProfilePathAt(1), document));

    rack->Find(product)->ClearRequests();
    Combo()->SelectItem(1);  // the user picks it; the write follows the 400 ms timer
    EXPECT_EQ(rack->Find(product)->RequestCount(), 0u);
    ASSERT_TRUE(RunUntil([&] { return Memory().settings.size() > 22 && Memory().settings[1] == 6; }));
    const std::vector<std::uint8_t> record = Memory().settings;
    EXPECT_EQ(record[2], 3);
    EXPECT_EQ(record[6], 10);
    EXPECT_EQ(record[7], 20);
    EXPECT_EQ(record[8], 30);
    EXPECT_EQ(record[22], 2);
    EXPECT_EQ(ReadJsonDocument(profiles->List().ListFilePath())["profileselect"].asInt(), 1);
    // Through the receiver, 0x403 is a record usage like the higher ones, no stream pause.
    rack->Find(product)->SendConsumerUsage(0x403);
    rack->Find(product)->SendConsumerUsage(0x1002);
    ASSERT_TRUE(RunUntil([&] { return keyboard->GetActiveProfileIndex() == 2; }));
    if (product == "kb") EXPECT_GT(keyboard->StreamPauseLeft(), 0);  // by cable it pauses the stream
    else EXPECT_EQ(keyboard->StreamPauseLeft(), 0);
    // The key panel of page 2 takes the Fn key away, page 1 gives it back.
    keyboard->SetFunctionPage(2);
    EXPECT_FALSE(Find("key_110")->IsEnabled());
    keyboard->SetFunctionPage(1);
    EXPECT_TRUE(Find("key_110")->IsEnabled());
    // The key table: Caps Lock's position now holds Escape's code.
    ASSERT_TRUE(RunUntil([&] { return TraceCount("profile applied in") > 0; }));
    // The previews rest during the apply and resume once the settings are read back.
    ASSERT_TRUE(RunUntil([&] { return !keyboard->CommandChannel().IsRefreshPending(); }));
    const std::uint8_t capsPosition = keyboard->Memory().maps.position[63];
    ASSERT_NE(capsPosition, kNoKeyPosition);
    const std::vector<std::uint8_t> table = Memory().keyTable;
    EXPECT_EQ(table[capsPosition * 3 + 2], 0x29);
}

// A key whose factory code is in no key position of the attached keyboard is not on it: 255
// in both maps, shown disabled, and the key-table write leaves every position to the others.
TEST_F(KeyboardPageTest, AKeyTheKeyboardLacksIsSkipped) {
    ASSERT_TRUE(rack->Plug("kb"));
    auto kb = rack->Find("kb");
    devsim::FirmwareMemory memory = kb->Memory();
    const KeyCode pause = DefaultKeyCodes()[15];
    std::size_t pausePosition = memory.keyTable.size();
    for (std::size_t k = 0; k + 2 < memory.keyTable.size(); k += 3)
        if (memory.keyTable[k] == pause.type && memory.keyTable[k + 1] == pause.code1 && memory.keyTable[k + 2] == pause.code2)
            pausePosition = k / 3;
    ASSERT_LT(pausePosition, memory.keyTable.size());
    memory.keyTable[pausePosition * 3 + 2] = 0x6F;  // an F20 where Pause was
    kb->SetMemory(memory);
    OpenWindow();
    ASSERT_TRUE(RunUntil([&] { return TabShown("keyboard"); }));
    keyboard = dynamic_cast<CQuorinKeyboardDevice*>(Page("keyboard").device);
    ASSERT_TRUE(RunUntil([&] { return keyboard->Memory().Positions() > 0; }));
    EXPECT_EQ(keyboard->Memory().maps.position[15], kNoKeyPosition);
    EXPECT_EQ(keyboard->Memory().maps.led[15], kNoKeyPosition);
    EXPECT_FALSE(Find("key_15")->IsEnabled());
    EXPECT_TRUE(Find("key_14")->IsEnabled());
    product = "kb";
    window->ApplyProfile(*keyboard);
    EXPECT_EQ(Memory().keyTable[pausePosition * 3 + 2], 0x6F);  // nobody's position was written over
}

TEST_F(KeyboardPageTest, TheSystemPageWritesTheSettingsRecordAndDamagedValuesAreClamped) {
    OpenKeyboardPage();
    Click("system_Op_tab");
    Click("polling_rate_option_3");
    ASSERT_TRUE(RunUntil([&] { return Memory().settings.size() > 22 && Memory().settings[22] == 3; }));
    Click("winlockflag_option");
    ASSERT_TRUE(RunUntil([&] { return Memory().settings[21] == 1; }));
    // Key repeat belongs to the desktop: its delay and rate go to the desktop's settings too.
    Click("repeat_delay_check_2");
    auto* rate = dynamic_cast<ui::CSliderUI*>(Find("repeat_rate_slider"));
    ASSERT_NE(rate, nullptr);
    rate->SetValue(20);
    rate->GetManager()->SendNotify(rate, ui::DUI_MSGTYPE_VALUECHANGED);
    const DesktopInputReading desktop = ReadDesktopInputSettings();
    EXPECT_EQ(desktop.values.repeatDelay, 2);
    EXPECT_EQ(desktop.values.repeatRate, 20);
    EXPECT_EQ(Find("keyboard_desktop_state")->GetText(), "Applied to the desktop");
    const PackedStages stages = keyboard->ProfileData().GetKeyboardSystemStages();
    EXPECT_EQ(HighHalf(stages[1]), 3);
    EXPECT_EQ(HighHalf(stages[2]), 1);
    EXPECT_EQ(LowHalf(stages[0]), 20);

    // A damaged profile: every value out of range reaches the device clamped.
    Json::Value document = ReadJsonDocument(profiles->GetProfilePathAt(0));
    document["Device"][0]["LightInfo"]["Light"] = 200;
    document["Device"][0]["LightInfo"]["Speed"] = 9;
    document["Device"][0]["SystemStages"]["PollingRate"] = 77;
    ASSERT_TRUE(WriteJsonDocument(profiles->GetProfilePathAt(0), document));
    keyboard->LoadProfile();
    window->ApplyProfile(*keyboard);
    const std::vector<std::uint8_t> record = Memory().settings;
    EXPECT_EQ(record[2], 4);      // brightness
    EXPECT_EQ(record[3], 0);      // speed 4, stored inverted
    EXPECT_EQ(record[22], 3);     // polling code
    EXPECT_GT(TraceCount("out of range"), 0u);
}

TEST_F(KeyboardPageTest, TheKeyboardReportsItsOwnChangesAndThePageFollows) {
    OpenKeyboardPage();
    // Its power block reaches the indicator of its tab.
    ui::CControlUI* charge = window->GetPaintManager().FindSubControlByName(Page("keyboard").power, "device_power_value");
    ASSERT_NE(charge, nullptr);
    ASSERT_TRUE(RunUntil([&] { return charge->GetText() == "80%"; }));
    auto kb = rack->Find("kb");
    ASSERT_TRUE(RunUntil([&] { return bus.ConnectionCount("kb") >= 2; }));
    // The user switches to record 3 on the keyboard.
    kb->SendConsumerUsage(0x1003);
    ASSERT_TRUE(RunUntil([&] { return keyboard->GetActiveProfileIndex() == 3; }));
    kb->SendConsumerUsage(0x1133);
    ASSERT_TRUE(RunUntil([&] { return keyboard->Settings().record[17] == 3; }));
    // A new setting made on the keyboard is read back 50 ms after it said so.
    devsim::FirmwareMemory memory = kb->Memory();
    memory.settings[1] = 5;
    memory.settings[2] = 1;
    kb->SetMemory(memory);
    kb->SendConsumerUsage(0x401);
    ASSERT_TRUE(RunUntil([&] { return keyboard->GetLightState().modeCode == 5; }));
    EXPECT_EQ(keyboard->GetLightState().brightness, 1);
    EXPECT_EQ(keyboard->ProfileData().GetLightInfo().Light, 1);
    // Mode 20: the keyboard keeps a colour per key; the page shows them, and the page's own go
    // back into the keyboard.
    const std::uint8_t capsLed = keyboard->Memory().maps.led[63];
    ASSERT_NE(capsLed, kNoKeyPosition);
    memory = kb->Memory();
    memory.settings[1] = CQuorinKeyboardDevice::kPerKeyColourMode;
    memory.ledColours[capsLed * 3] = 200;
    memory.ledColours[capsLed * 3 + 1] = 100;
    memory.ledColours[capsLed * 3 + 2] = 50;
    kb->SetMemory(memory);
    kb->SendConsumerUsage(0x401);
    ASSERT_TRUE(RunUntil([&] { return keyboard->GetLedColour(63).red == 200; }));
    EXPECT_EQ(keyboard->GetLedColour(63).blue, 50);
    keyboard->SetLedColour(63, Rgba{1, 2, 3, 255});
    ASSERT_EQ(keyboard->WritePerKeyColours(true), kResultOk);
    EXPECT_EQ(kb->Memory().ledColours[capsLed * 3 + 2], 3);
    // A pause of the colour stream.
    kb->SendConsumerUsage(0x403);
    ASSERT_TRUE(RunUntil([&] { return keyboard->StreamPauseLeft() > 0; }));
}

// Keys bound to macros of the library: the used macros go into the macro area in slot order
// and the key table names their slots; an image too large for the keyboard is said, with the
// number of events too many plus one, and nothing of it is written.
TEST_F(KeyboardPageTest, MacrosInUseGoIntoTheMacroAreaAndAnImageTooLargeIsSaid) {
    OpenKeyboardPage();
    const std::string folder = keyboard->GetDataFolder();
    const auto writeMacro = [&](const std::string& guid, int events) {
        Json::Value macro(Json::objectValue);
        for (int i = 0; i < events; ++i) {
            Json::Value event(Json::objectValue);
            event["Action"] = i % 2 ? "up" : "down";
            event["Button"] = 4;
            event["Type"] = 10;
            event["Delay"] = "25";
            macro["Events"].append(event);
        }
        ASSERT_TRUE(WriteJsonDocument(folder + guid + ".mac", macro));
    };
    writeMacro("2024_01_01_00_00_00_001", 4);
    writeMacro("2024_01_01_00_00_00_002", 2);
    Json::Value library(Json::objectValue);
    for (const char* guid : {"2024_01_01_00_00_00_001", "2024_01_01_00_00_00_002"}) {
        Json::Value entry(Json::objectValue);
        entry["MacroName"] = guid;
        entry["Guid"] = guid;
        library["MacroInfo"].append(entry);
    }
    ASSERT_TRUE(WriteJsonDocument(folder + "macro.config", library));
    // Caps Lock plays macro 1.
    Json::Value document = ReadJsonDocument(profiles->GetProfilePathAt(0));
    document["Device"][0]["KeyList"][63]["Assignment"] = ('q' << 16) | (1 << 8);
    ASSERT_TRUE(WriteJsonDocument(profiles->GetProfilePathAt(0), document));
    keyboard->LoadProfile();
    window->ApplyProfile(*keyboard);
    const devsim::FirmwareMemory memory = Memory();
    EXPECT_EQ(memory.macro[0] | memory.macro[1] << 8, 0x55AA);
    EXPECT_EQ(memory.macro[4] | memory.macro[5] << 8, 1);  // one macro: the one in use
    const std::uint8_t caps = keyboard->Memory().maps.position[63];
    EXPECT_EQ(memory.keyTable[caps * 3], 'q');
    EXPECT_EQ(memory.keyTable[caps * 3 + 1], 0);  // its slot in the image

    // Macro 1 grows past the keyboard's macro memory.
    writeMacro("2024_01_01_00_00_00_002", 1100);
    AnswerNextMessage(true);
    window->ApplyProfile(*keyboard);
    ASSERT_EQ(said.size(), 1u);
    EXPECT_EQ(said[0], "The macros are too long for the keyboard: 82 events too many.");  // 4422 bytes in 4096
    EXPECT_EQ(Memory().macro, memory.macro);
}

// The receiver's keyboard goes away in the middle of an apply: its link drops, or the
// receiver is pulled out. The apply ends at once, the window keeps working and the page shows
// the device as gone; the time the UI thread spent in the apply is printed as a figure.
TEST_F(KeyboardPageTest, AnApplyWhoseKeyboardGoesAwayMidwayEndsAndThePageFollows) {
    OpenKeyboardPage("kb-rx");
    auto kb = rack->Find("kb-rx");
    kb->SetLinkUp(false);  // out of range: the receiver answers that it cannot reach it
    const std::uint64_t started = TickCount64();
    window->ApplyProfile(*keyboard);
    std::printf("apply with the link down: %llu ms\n", static_cast<unsigned long long>(TickCount64() - started));
    EXPECT_GT(TraceCount("profile not applied"), 0u);
    kb->SetLinkUp(true);
    kb->ArmFault({devsim::FaultKind::Unplug, 0, 5});  // pulled out at the fifth request
    const std::uint64_t again = TickCount64();
    window->ApplyProfile(*keyboard);
    std::printf("apply with the receiver pulled out: %llu ms\n", static_cast<unsigned long long>(TickCount64() - again));
    ASSERT_TRUE(RunUntil([&] { return !TabShown("keyboard"); }));
    EXPECT_TRUE(IsWindow(window->GetHWND()));
    EXPECT_FALSE(keyboard->CommandChannel().IsConnected());
}

}  // namespace
}  // namespace kx58test
