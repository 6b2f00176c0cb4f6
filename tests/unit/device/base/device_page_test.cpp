// The device object as a page: its key and light lists, function panels, page colours,
// folders and the rows it serves.
#include <gtest/gtest.h>

#include "device_base_fixture.h"
#include "platform/folders.h"
#include "uikit/dialog_builder.h"

namespace devbasetest {
namespace {

using DevicePageTest = DeviceBaseFixture;

TEST_F(DevicePageTest, PageListsComeFromTheSelectPanelByNumberedName) {
    const Page page = AddKeyboardPage();
    const auto& keys = page.device->KeyButtons();
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(keys[0]->GetName(), "key_0");
    EXPECT_EQ(keys[1]->GetName(), "key_1");
    ASSERT_EQ(page.device->LightButtons().size(), 1u);
    EXPECT_EQ(page.device->LightButtons()[0]->GetName(), "light_0");

    // Without a device name the lists are emptied.
    page.device->SetDeviceName("");
    page.device->InitPage();
    EXPECT_TRUE(page.device->KeyButtons().empty());
    EXPECT_TRUE(page.device->LightButtons().empty());
}

TEST_F(DevicePageTest, KeyNumbersThatAreNoIndexAreIgnored) {
    ui::CDialogBuilder builder;
    ui::CControlUI* root = builder.Create(R"(<Window><QuorinMouseDevice><Container name="SelectPanel">
        <DeviceKeyButton name="key_"/><DeviceKeyButton name="key_x3"/><DeviceKeyButton name="key_99999999"/>
        <DeviceKeyButton name="key_4"/><Button name="key_2"/></Container></QuorinMouseDevice></Window>)",
                                          {}, window.get(), &window->GetPaintManager());
    ASSERT_NE(root, nullptr);
    std::unique_ptr<ui::CControlUI> owner(root);
    auto* mouse = static_cast<CQuorinMouseDevice*>(root->GetInterface("QuorinMouseDevice"));
    mouse->SetDeviceName("mouse");
    mouse->InitPage();
    // Only key_4 is a key button with a number; the plain button "key_2" is not one.
    ASSERT_EQ(mouse->KeyButtons().size(), 5u);
    EXPECT_NE(mouse->KeyButtons()[4], nullptr);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(mouse->KeyButtons()[static_cast<std::size_t>(i)], nullptr);
}

TEST_F(DevicePageTest, FunctionPageSelectsThePanels) {
    ui::CDialogBuilder builder;
    ui::CControlUI* root = builder.Create(R"(<Window><QuorinKeyboardDevice>
        <TabLayout name="device_function_switch"><Control/><Control/><Control/><Control/></TabLayout>
        <TabLayout name="device_key_function_switch"><Control/><Control/><Control/></TabLayout>
        </QuorinKeyboardDevice></Window>)",
                                          {}, window.get(), &window->GetPaintManager());
    ASSERT_NE(root, nullptr);
    std::unique_ptr<ui::CControlUI> owner(root);
    auto* device = static_cast<CQuorinUSBDevice*>(root->GetInterface("QuorinUSBDevice"));
    const auto tabs = [&](const char* name) {
        return static_cast<ui::CTabLayoutUI*>(
            device->FindControl([name](ui::CControlUI* c) { return c->GetName() == name; }, ui::UIFIND_ALL)
                ->GetInterface("TabLayout"));
    };
    ui::CTabLayoutUI* functions = tabs("device_function_switch");
    ui::CTabLayoutUI* keys = tabs("device_key_function_switch");
    struct Case {
        int kind, page, function, key;
    };
    // key -1: the key panel keeps its page (2 before each case).
    const Case cases[] = {
        {1, 2, 0, 1}, {1, 6, 0, 1}, {1, 3, 1, -1}, {1, 8, 1, -1}, {1, 4, 3, -1}, {2, 4, 3, -1},
        {9, 4, 3, -1}, {6, 4, 3, -1},
        {3, 4, 0, 2}, {7, 4, 0, 2}, {1, 7, 0, 2}, {1, 5, 2, -1}, {1, 1, 0, 0}, {1, 9, 0, 0},
    };
    for (const Case& c : cases) {
        functions->SelectItem(3, false);
        keys->SelectItem(2, false);
        device->SetKindAndRole(static_cast<DeviceKind>(c.kind), 0);
        device->SetFunctionPage(c.page);
        EXPECT_EQ(device->GetFunctionPage(), c.page);
        EXPECT_EQ(functions->GetCurSel(), c.function) << "kind " << c.kind << " page " << c.page;
        EXPECT_EQ(keys->GetCurSel(), c.key == -1 ? 2 : c.key) << "kind " << c.kind << " page " << c.page;
    }
}

TEST_F(DevicePageTest, LedColourOutsideThePageChangesNothing) {
    const Page page = AddKeyboardPage();
    ASSERT_EQ(page.device->PageColourCount(), 170u);
    const Rgba red{255, 0, 0, 255};
    page.device->SetLedColour(169, red);
    const std::vector<Rgba> before = page.device->PageColours();
    page.device->SetLedColour(170, {0, 255, 0, 255});
    page.device->SetLedColour(100000, {0, 255, 0, 255});
    EXPECT_EQ(page.device->PageColours(), before);
    EXPECT_EQ(page.device->GetLedColour(169), red);
    EXPECT_EQ(page.device->GetLedColour(170), (Rgba{0, 0, 0, 0}));
}

TEST_F(DevicePageTest, DataFolderAndProfilePathUseTheProductFolder) {
    const Page page = AddKeyboardPage();
    const std::string expected = session.DataHome() + "/KX58RGBVs Device/Keyboard/";
    EXPECT_EQ(page.device->GetDataFolder(), expected);
    EXPECT_TRUE(PathExists(expected));
    page.device->SetProfileFileStem("Keyboard");
    EXPECT_EQ(page.device->GetProfilePath(), expected + "Keyboard.Json");

    // The default root is the user data folder; each product has its own sub-folder.
    CQuorinMousePadDevice pad;
    CQuorinHS6533Device headset;
    CQuorinMouseDevice mouse;
    EXPECT_EQ(pad.GetDataFolder(), Folders::UserData() + "MousePad/");
    EXPECT_EQ(headset.GetDeviceFolderName(), "Headset");
    EXPECT_EQ(mouse.GetDeviceFolderName(), "Mouse");
}

TEST_F(DevicePageTest, LightStateRoundTripsThroughItsWords) {
    const Page page = AddKeyboardPage();
    LightState state;
    state.modeCode = 23;
    state.brightness = 3;
    state.speed = 1;
    state.fx = 2;
    state.multiColor = 1;
    state.red = 10;
    state.green = 20;
    state.blue = 30;
    state.unstored = {0xEF, 0xBE, 0xAD};
    state.zzccLedMode = 0xDE;
    state.oldLedMode = 7;
    state.logoModeColour = 9;
    const auto words = state.ToWords();
    page.device->SetLightState(words[0], words[1], words[2], words[3]);
    const LightState back = page.device->GetLightState();
    EXPECT_EQ(back.modeCode, 23);
    EXPECT_EQ(back.multiColor, 1);
    EXPECT_EQ(back.blue, 30);
    EXPECT_EQ(words[2], 0xDEADBEEFu);  // LightInfo's layout: bytes 8-11, then 12-15
    EXPECT_EQ(words[3], 0x09000700u);
    EXPECT_EQ(back.oldLedMode, 7);
    EXPECT_EQ(back.ToWords(), words);
}

TEST_F(DevicePageTest, ReceiverRowsShareThePageOfTheirCableForm) {
    const Page page = AddKeyboardPage();
    EXPECT_FALSE(page.device->ServesRow(Row(0), table));  // nothing attached yet
    Plug("kb");
    ASSERT_TRUE(page.device->AttachCommandCollection(Row(0)));
    EXPECT_EQ(page.device->GetKind(), DeviceKind::KeyboardWired);
    EXPECT_FALSE(page.device->IsWirelessMode());
    for (std::size_t row : {0u, 1u, 2u, 3u}) EXPECT_TRUE(page.device->ServesRow(table[row], table)) << row;
    for (std::size_t row : {4u, 6u, 8u, 10u}) EXPECT_FALSE(page.device->ServesRow(table[row], table)) << row;

    // Attached through the receiver, the same object still serves the cable rows.
    page.device->CloseCommandCollection();
    Plug("kb-rx");
    ASSERT_TRUE(page.device->AttachCommandCollection(Row(2)));
    EXPECT_EQ(page.device->GetKind(), DeviceKind::KeyboardWireless);
    EXPECT_TRUE(page.device->IsWirelessMode());
    EXPECT_TRUE(page.device->ServesRow(table[0], table));
    EXPECT_TRUE(page.device->ServesRow(table[1], table));
    EXPECT_EQ(window->Strip().GetCount(), 1);
}

TEST_F(DevicePageTest, ConnectStepsByPart) {
    const Page page = AddKeyboardPage();
    Plug("kb-rx");
    const DeviceMatchEntry row = Row(2);
    EXPECT_FALSE(page.device->OpenCommandCollection(folder + "/nothing.sock", true));
    ASSERT_TRUE(page.device->OpenCommandCollection(row.path, true));
    page.device->SetOpen(true);
    page.device->SetLinkState(kChannelModeWireless);
    page.device->SetAttachedRow(row);
    EXPECT_TRUE(page.device->IsOpen());
    EXPECT_TRUE(page.device->CommandChannel().WirelessCollection().IsOpen());
    EXPECT_FALSE(page.device->CommandChannel().CableCollection().IsOpen());
    EXPECT_TRUE(page.device->IsWirelessLinkUp());
    products["kb-rx"]->SetLinkUp(false);
    EXPECT_FALSE(page.device->IsWirelessLinkUp());
}

}  // namespace
}  // namespace devbasetest
