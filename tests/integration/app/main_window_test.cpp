// The main window as a user and outside programs meet it: start with and without devices,
// plugging and unplugging, the tray, the lighting switch, suspend and resume, game events,
// the "WorkTool" query and shutdown.
#include <cstring>

#include "integration/app/main_window_fixture.h"
#include "app/startup.h"
#include "platform/folders.h"
#include "platform/message_queue.h"
#include "platform/session_bus.h"
#include "platform/tick.h"
#include "ui/app_messages.h"
#include "ui/language.h"
#include "platform/program_version.h"
#include "uikit/headless_input.h"
#include "uikit/menu_wnd.h"
#include "uikit/resource_manager.h"

namespace kx58test {
namespace {

using namespace kx58;

bool NoDeviceLayerShown(ui::CControlUI* layer) { return layer && layer->IsVisible(); }

TEST_F(MainWindowTest, WithoutDevicesTheWindowShowsTheEmptyLayerAndTheTwoPreparedPagesWithHiddenTabs) {
    OpenWindow();
    EXPECT_TRUE(NoDeviceLayerShown(Find("No_device_Link")));
    EXPECT_FALSE(Find("device_power_switch")->IsVisible());
    ASSERT_EQ(window->Pages().size(), 2u);
    EXPECT_STREQ(DeviceTypeRows()[window->Pages()[0].typeRow].typeName, "mouse");
    EXPECT_STREQ(DeviceTypeRows()[window->Pages()[1].typeRow].typeName, "keyboard");
    for (const DevicePage& page : window->Pages()) {
        EXPECT_FALSE(page.tab->IsConnectedTab());
        EXPECT_FALSE(page.tab->IsVisible());
    }
    EXPECT_TRUE(window->Threads().Holds(kDeviceCaptureSlot));
    // The language of a first start is the list's first one.
    EXPECT_EQ(window->Language().Current(), 0);
}

TEST_F(MainWindowTest, PluggingShowsTheTabAndReplugReusesThePageAndSlotWhileTheReceiverSharesIt) {
    OpenWindow();
    const DevicePage keyboard = Page("keyboard");
    ASSERT_TRUE(rack->Plug("kb"));
    ASSERT_TRUE(RunUntil([&] { return TabShown("keyboard"); }));
    EXPECT_FALSE(Find("No_device_Link")->IsVisible());
    EXPECT_TRUE(Find("device_power_switch")->IsVisible());
    EXPECT_EQ(TraceCount("添加一个键盘设备"), 2u);  // command and consumer collections
    EXPECT_FALSE(window->Slots()[0].path.empty());
    EXPECT_TRUE(keyboard.device->IsOpen());
    EXPECT_EQ(keyboard.device->GetKind(), DeviceKind::KeyboardWired);
    // The tab's attach step reads the keyboard back from the device.
    ASSERT_TRUE(RunUntil([&] { return rack->Find("kb")->RequestCount() > 0; }));

    ASSERT_TRUE(bus.Unplug("kb"));
    ASSERT_TRUE(RunUntil([&] { return !TabShown("keyboard"); }));
    EXPECT_FALSE(keyboard.device->IsOpen());
    EXPECT_TRUE(window->Slots()[0].IsFree());
    EXPECT_EQ(TraceCount("键盘设备丢失"), 2u);
    EXPECT_TRUE(Find("No_device_Link")->IsVisible());

    ASSERT_TRUE(rack->Plug("kb"));
    ASSERT_TRUE(RunUntil([&] { return TabShown("keyboard"); }));
    EXPECT_EQ(window->Pages().size(), 2u);
    EXPECT_EQ(Page("keyboard").device, keyboard.device);
    EXPECT_EQ(Page("keyboard").tab, keyboard.tab);
    EXPECT_FALSE(window->Slots()[0].path.empty());

    // The same keyboard through its receiver: still one keyboard page.
    ASSERT_TRUE(bus.Unplug("kb"));
    ASSERT_TRUE(RunUntil([&] { return !TabShown("keyboard"); }));
    ASSERT_TRUE(rack->Plug("kb-rx"));
    ASSERT_TRUE(RunUntil([&] { return TabShown("keyboard"); }));
    EXPECT_EQ(window->Pages().size(), 2u);
    EXPECT_EQ(Page("keyboard").device, keyboard.device);
    EXPECT_TRUE(keyboard.device->IsWirelessMode());
    EXPECT_FALSE(window->Slots()[2].path.empty());
}

TEST_F(MainWindowTest, AReceiverWhoseDeviceLosesItsLinkHidesTheTabUntilTheLinkReturns) {
    ASSERT_TRUE(rack->Plug("kb-rx"));
    OpenWindow();
    ASSERT_TRUE(RunUntil([&] { return TabShown("keyboard"); }));
    rack->Find("kb-rx")->SetLinkUp(false);
    ASSERT_TRUE(RunUntil([&] { return !TabShown("keyboard"); }));
    EXPECT_TRUE(Find("No_device_Link")->IsVisible());
    EXPECT_TRUE(Page("keyboard").device->IsOpen());  // the receiver itself is still there
    rack->Find("kb-rx")->SetLinkUp(true);
    ASSERT_TRUE(RunUntil([&] { return TabShown("keyboard"); }));
    EXPECT_FALSE(Find("No_device_Link")->IsVisible());
}

// The cable goes while the receiver is plugged but cannot reach the keyboard yet: the page
// switches to the receiver and waits for its link on the tab's timer, the window keeps
// working, and the keyboard comes back through the receiver once it is in reach.
TEST_F(MainWindowTest, AfterTheCableGoesThePageWaitsForTheReceiversLinkWithoutBlocking) {
    ASSERT_TRUE(rack->Plug("kb"));
    OpenWindow();
    ASSERT_TRUE(RunUntil([&] { return TabShown("keyboard"); }));
    ASSERT_TRUE(rack->Plug("kb-rx"));
    ASSERT_TRUE(RunUntil([&] { return !window->Discovery().Row(2).path.empty(); }));
    CQuorinUSBDevice* keyboard = Page("keyboard").device;
    ASSERT_FALSE(keyboard->IsWirelessMode());
    rack->Find("kb-rx")->SetLinkUp(false);
    ASSERT_TRUE(bus.Unplug("kb"));
    ASSERT_TRUE(RunUntil([&] { return TraceCount("获取2.4G模式失败") >= 3; }));
    EXPECT_TRUE(keyboard->IsWirelessMode());
    EXPECT_TRUE(Page("keyboard").tab->IsWaitingForSwitchLink());
    Click("device_select_next");  // the window answers the user meanwhile
    rack->Find("kb-rx")->SetLinkUp(true);
    ASSERT_TRUE(RunUntil([&] { return TraceCount("获取2") > TraceCount("获取2.4G模式失败"); }));
    ASSERT_TRUE(RunUntil([&] { return TabShown("keyboard"); }));
    EXPECT_LE(TraceCount("获取2.4G模式失败"), 25u);
}

TEST_F(MainWindowTest, ChoosingATabShowsItsPageAndTheArrowsScrollTheStrip) {
    ASSERT_TRUE(rack->Plug("kb"));
    ASSERT_TRUE(rack->Plug("mouse"));
    OpenWindow();
    ASSERT_TRUE(RunUntil([&] { return TabShown("keyboard") && TabShown("mouse"); }));
    auto* pages = dynamic_cast<ui::CTabLayoutUI*>(Find("device_switch"));
    ASSERT_NE(pages, nullptr);
    for (const char* name : {"mouse", "keyboard"}) {
        const DevicePage& page = Page(name);
        ui::HeadlessInput input(*window);
        const ui::RECT rc = page.tab->GetPos();
        input.Click(ui::POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2});
        ui::HeadlessBackend::Get()->RunUntilIdle();
        EXPECT_EQ(pages->GetItemAt(pages->GetCurSel()), page.device) << name;
        EXPECT_EQ(window->SelectedPage()->device, page.device) << name;
    }

    ui::CControlUI* firstTab = Page("mouse").tab;
    Click("device_select_next");
    EXPECT_FALSE(firstTab->IsVisible());
    EXPECT_TRUE(Page("keyboard").tab->IsVisible());
    Click("device_select_next");  // never past the last tab
    EXPECT_TRUE(Page("keyboard").tab->IsVisible());
    Click("device_select_prev");
    EXPECT_TRUE(firstTab->IsVisible());

    // A connected tab scrolled away comes back when the tabs after it leave.
    Click("device_select_next");
    ASSERT_TRUE(bus.Unplug("kb"));
    ASSERT_TRUE(RunUntil([&] { return !Page("keyboard").tab->IsConnectedTab(); }));
    EXPECT_TRUE(firstTab->IsVisible());
}

TEST_F(MainWindowTest, ProductsWithoutAPreparedPageGetOneOnTheirFirstArrival) {
    OpenWindow();
    ASSERT_TRUE(rack->Plug("pad"));
    ASSERT_TRUE(RunUntil([&] { return TabShown("MousePad"); }));
    EXPECT_EQ(window->Pages().size(), 3u);
    ASSERT_TRUE(rack->Plug("headset"));
    ASSERT_TRUE(RunUntil([&] { return window->FindPage("HD") != nullptr; }));
    EXPECT_EQ(window->Pages().size(), 4u);
}

TEST_F(MainWindowTest, CloseHidesToTheTrayAndASecondInstanceOrTheTrayBringsItBack) {
    OpenWindow();
    Click("closebtn");
    EXPECT_FALSE(window->IsWindowVisible());
    EXPECT_NE(window->GetHWND(), nullptr);  // still running

    // A second start finds the first one's mutex and asks it to come to the front.
    unsigned firstMessage = 0, secondMessage = 0;
    auto first = ClaimSingleInstance(firstMessage);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(ClaimSingleInstance(secondMessage), nullptr);
    EXPECT_EQ(secondMessage, firstMessage);
    ASSERT_TRUE(RunUntil([&] { return window->IsWindowVisible(); }));

    window->Minimize();
    SendMessage(window->GetHWND(), WM_TRAY_NOTIFY, kMainIconId, WM_LBUTTONUP);
    EXPECT_TRUE(window->IsWindowVisible());
    EXPECT_FALSE(window->IsMinimized());
    SendMessage(window->GetHWND(), WM_TRAY_NOTIFY, kMainIconId, WM_LBUTTONUP);
    EXPECT_FALSE(window->IsWindowVisible());
}

TEST_F(MainWindowTest, CaptionButtonsChangeTheWindowStateAndTheEmptyLayerButtonHidesIt) {
    OpenWindow();
    Click("minbtn");
    EXPECT_TRUE(window->IsMinimized());
    SendMessage(window->GetHWND(), WM_SYSCOMMAND, ui::SC_RESTORE, 0);
    EXPECT_FALSE(window->IsMinimized());
    Click("nodevice_ok_btn");
    EXPECT_FALSE(window->IsWindowVisible());
    EXPECT_NE(window->GetHWND(), nullptr);
}

TEST_F(MainWindowTest, TheChosenLanguageSwitchesTextsAndIsRememberedAndADisplayChangeResizes) {
    OpenWindow();
    std::string title;
    ASSERT_TRUE(ui::CResourceManager::GetInstance()->FindText("app_title", title));
    EXPECT_EQ(title, "KX58 Device Center");
    SendMessage(window->GetHWND(), WM_LANGUAGE_CHANGED, 1, 0);
    ASSERT_TRUE(ui::CResourceManager::GetInstance()->FindText("app_title", title));
    EXPECT_EQ(title, "KX58 设备中心");
    EXPECT_EQ(ReadStoredLanguageIndex(Folders::Defaults()), 1);

    // The size fix: 96 DPI on a 1600 x 900 monitor, 144 on a full-HD one.
    ASSERT_TRUE(RunUntil([&] { return Backend()->GetClientSize().cx == kFixedWindowWidth; }));
    EXPECT_EQ(window->InterfaceDpi(), 96);
    ui::HeadlessBackend::Get()->SetMonitor(ui::RECT{0, 0, 1920, 1080}, 96);
    SendMessage(window->GetHWND(), WM_DISPLAYCHANGE, 0, 0);
    EXPECT_EQ(window->InterfaceDpi(), 144);
    EXPECT_EQ(Backend()->GetClientSize().cx, kFixedWindowWidth * 3 / 2);
    EXPECT_EQ(Backend()->GetClientSize().cy, kFixedWindowHeight * 3 / 2);
    EXPECT_TRUE(window->IsWindowVisible());
}

TEST_F(MainWindowTest, OnAMonitorTooSmallForTheWindowTheSizeFixLowersTheDpiUntilTheWindowFits) {
    OpenWindow();
    ASSERT_TRUE(RunUntil([&] { return Backend()->GetClientSize().cx == kFixedWindowWidth; }));
    const ui::RECT netbook{0, 0, 1024, 600};
    ui::HeadlessBackend::Get()->SetMonitor(netbook, 96);
    SendMessage(window->GetHWND(), WM_DISPLAYCHANGE, 0, 0);
    EXPECT_EQ(window->InterfaceDpi(), 72);
    const ui::RECT placed = Backend()->GetRect();
    EXPECT_EQ(placed.Width(), kFixedWindowWidth * 3 / 4);
    EXPECT_EQ(placed.Height(), kFixedWindowHeight * 3 / 4);
    EXPECT_EQ(ui::IntersectRects(placed, netbook), placed);
    EXPECT_TRUE(window->IsWindowVisible());
}

TEST_F(MainWindowTest, TheLightingSwitchFollowsClicksAndOutsideToolsAndReachesTheDevices) {
    ASSERT_TRUE(rack->Plug("kb"));
    OpenWindow();
    ASSERT_TRUE(RunUntil([&] { return TabShown("keyboard"); }));
    CQuorinUSBDevice* keyboard = Page("keyboard").device;
    const HWND outside = FindWindow(std::string(kMainWindowClass), std::string(kAppName));
    ASSERT_NE(outside, nullptr);
    const UINT lightControl = Messages().UWM_LIGHT_CONTROL_MSG;

    SendMessage(outside, lightControl, 1, 0);
    EXPECT_FALSE(window->IsLightingControlOn());
    EXPECT_EQ(Find("control_light_status")->GetTextRaw(), kLightControlOffText);
    EXPECT_FALSE(keyboard->GetHostLighting());
    SendMessage(outside, lightControl, 0, 1);  // wParam other than 1: ignored
    EXPECT_FALSE(window->IsLightingControlOn());
    SendMessage(outside, lightControl, 1, 7);  // unknown lParam keeps the state
    EXPECT_FALSE(window->IsLightingControlOn());
    SendMessage(outside, lightControl, 1, 1);
    EXPECT_TRUE(window->IsLightingControlOn());
    EXPECT_EQ(Find("control_light_status")->GetTextRaw(), kLightControlOnText);
    EXPECT_TRUE(keyboard->GetHostLighting());

    Click("control_light_status");
    // The click's notification may still be queued on a slow machine: wait for it.
    EXPECT_TRUE(RunUntil([&] { return !window->IsLightingControlOn(); }));
    EXPECT_FALSE(keyboard->GetHostLighting());
}

TEST_F(MainWindowTest, WhileSuspendedArrivalsAndGameEventsAreIgnoredAndResumeCatchesUp) {
    OpenWindow();
    const HWND hwnd = window->GetHWND();
    SendMessage(hwnd, WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
    EXPECT_FALSE(IsProcessActive());
    ASSERT_TRUE(rack->Plug("kb"));
    // The loop reports the keyboard; the window does not act on it.
    ASSERT_TRUE(RunUntil([&] { return window->Discovery().Row(0).present != 0; }));
    ui::HeadlessBackend::Get()->RunUntilIdle();
    EXPECT_FALSE(TabShown("keyboard"));
    EXPECT_EQ(TraceCount("添加一个键盘设备"), 0u);
    SendMessage(hwnd, RegisteredHookMessages().Game_Start, 0, 3);
    EXPECT_FALSE(window->IsGameRestorePending());

    // Messages tested before the power broadcast still work; private ones wait for resume.
    Click("closebtn");
    SendMessage(hwnd, Messages().UWM_APP_INSTANCE_MSG, 0, 1);
    EXPECT_TRUE(window->IsWindowVisible());
    SendMessage(hwnd, WM_SHOW_SETTING_PROGRESS, 0, 0);
    EXPECT_FALSE(Find("setting_progress")->IsVisible());

    SendMessage(hwnd, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
    EXPECT_TRUE(IsProcessActive());
    ASSERT_TRUE(RunUntil([&] { return TabShown("keyboard"); }));
    SendMessage(hwnd, WM_SHOW_SETTING_PROGRESS, 0, 0);
    EXPECT_TRUE(Find("setting_progress")->IsVisible());

    // During a second sleep the keyboard leaves and comes back: the window drops the dead
    // attachment and opens the keyboard that is there now.
    ASSERT_TRUE(RunUntil([&] { return bus.ConnectionCount("kb") > 0; }));
    SendMessage(hwnd, WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
    const std::uint32_t arrival = window->Discovery().Row(0).arrival;
    ASSERT_TRUE(bus.Unplug("kb"));
    ASSERT_TRUE(RunUntil([&] { return window->Discovery().Row(0).present == 0; }));
    ASSERT_TRUE(rack->Plug("kb"));
    ASSERT_TRUE(RunUntil([&] { return window->Discovery().Row(0).arrival != arrival; }));
    SendMessage(hwnd, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
    ASSERT_TRUE(RunUntil([&] { return bus.ConnectionCount("kb") > 0; }));
    EXPECT_TRUE(TabShown("keyboard"));
    EXPECT_TRUE(Page("keyboard").device->CommandChannel().IsConnected());
}

TEST_F(MainWindowTest, RelayedSettingsMessagesReachTheOpenSettingsWindowAndTheUpdateMarkCanBeCleared) {
    OpenWindow();
    std::vector<std::pair<UINT, LPARAM>> relayed;
    MessageWindow settings([&](UINT message, WPARAM, LPARAM lParam) -> LRESULT {
        relayed.emplace_back(message, lParam);
        return 0;
    });
    const UINT relay = Messages().UWM_SETWND_RELAY_MSG;
    SendMessage(window->GetHWND(), relay, 2, 3);  // no settings window: dropped
    window->SetSettingsWindow(settings.Hwnd());
    SendMessage(window->GetHWND(), relay, 2, 42);
    ui::HeadlessBackend::Get()->RunUntilIdle();
    ASSERT_EQ(relayed.size(), 1u);
    EXPECT_EQ(relayed[0], std::make_pair(relay, LPARAM{42}));

    Find("setbtn")->SetForeImage("common/dot.png");
    SendMessage(window->GetHWND(), WM_CLEAR_UPDATE_MARK, 0, 0);
    EXPECT_TRUE(Find("setbtn")->GetForeImage().empty());
}

TEST_F(MainWindowTest, AGameEventArmsTheRestoreThatRunsFiveSecondsLater) {
    OpenWindow();
    const std::uint64_t sent = TickCount64();
    SendMessage(window->GetHWND(), RegisteredHookMessages().Game_Kill, 1, 0x05);
    EXPECT_TRUE(window->IsGameRestorePending());
    ASSERT_TRUE(RunUntil([&] { return !window->IsGameRestorePending(); }, 30000));
    EXPECT_GE(TickCount64() - sent, kTimerGameRestoreMs);
}

TEST_F(MainWindowTest, TheWorkToolQueryReachesAWindowTitledWorkToolWithTheReport) {
    OpenWindow();
    std::vector<std::uint8_t> received;
    std::uintptr_t dataId = 0;
    HWND from = nullptr;
    MessageWindow tool([&](UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (message != WM_COPYDATA) return 0;
        const auto* copy = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        dataId = copy->dwData;
        from = reinterpret_cast<HWND>(wParam);
        const auto* bytes = static_cast<const std::uint8_t*>(copy->lpData);
        received.assign(bytes, bytes + copy->cbData);
        return 1;
    });
    const UINT query = Messages().UWM_WORKTOOL_QUERY_MSG;
    SendMessage(window->GetHWND(), query, 0, 0);  // no "WorkTool" yet: nothing happens
    EXPECT_TRUE(received.empty());

    ASSERT_TRUE(tool.MakeReachable("ToolClass", kWorkToolTitle));
    // The version the build stamped, until something sets another.
    SendMessage(window->GetHWND(), query, 0, 0);
    ASSERT_EQ(received.size(), kWorkToolReportBytes);
    std::uint32_t built[4] = {};
    std::memcpy(built, received.data(), sizeof(built));
    const std::array<std::uint32_t, 4> stamped = VersionDescriptor();
    EXPECT_EQ(std::vector<std::uint32_t>(built, built + 4), std::vector<std::uint32_t>(stamped.begin(), stamped.end()));
    EXPECT_NE(built[3], 0u);
    window->SetVersionDescriptor({1, 2, 3, 4});
    SendMessage(window->GetHWND(), query, 0, 0);
    ASSERT_EQ(received.size(), kWorkToolReportBytes);
    EXPECT_EQ(dataId, kWorkToolCopyDataId);
    EXPECT_EQ(from, window->GetHWND());
    std::uint32_t words[17] = {};
    std::memcpy(words, received.data(), sizeof(words));
    EXPECT_EQ(words[0], 1u);
    EXPECT_EQ(words[3], 4u);
    EXPECT_EQ(words[4], 4u);  // device types
    EXPECT_EQ(words[5], 0x320Fu);
    EXPECT_EQ(words[6], 0x221Cu);
    EXPECT_EQ(words[7], 2u);
    EXPECT_EQ(words[14], 0x0C76u);
    EXPECT_EQ(words[15], 0x1630u);
    EXPECT_EQ(words[16], 7u);
    for (std::size_t i = sizeof(words); i < received.size(); ++i) ASSERT_EQ(received[i], 0) << i;
}

TEST_F(MainWindowTest, ShutdownEndsEveryThreadWithinItsBoundWithoutForce) {
    ASSERT_TRUE(rack->Plug("kb"));
    ASSERT_TRUE(rack->Plug("mouse"));
    OpenWindow();
    ASSERT_TRUE(RunUntil([&] { return TabShown("keyboard") && TabShown("mouse"); }));
    const std::uint64_t started = TickCount64();
    Click("closebtn");  // to the tray first: shutdown comes from the tray menu
    window->Tray().Click(true);
    ASSERT_TRUE(RunUntil([] { return ui::CMenuWnd::Current() != nullptr; }));
    ui::HeadlessInput menu(*ui::CMenuWnd::Current());
    ui::HeadlessBackend::Get()->RunUntilIdle();
    ASSERT_TRUE(menu.Click("exit"));
    ASSERT_TRUE(RunUntil([&] { return window->GetHWND() == nullptr; }));
    EXPECT_EQ(MessageQueue::ForCurrentThread()->TakeQuitCode(), 0);
    EXPECT_EQ(window->LastStopResult().stillRunning, 0u);
    EXPECT_GE(window->LastStopResult().ended, 1u);
    EXPECT_EQ(TraceCount("抓取设备线程设定退出"), 1u);
    EXPECT_EQ(TraceCount("所有对象处于非激发状态"), 0u);
    EXPECT_LT(TickCount64() - started, 20u * kThreadStopBoundMs);
    EXPECT_EQ(TraceCount("退出测试"), 1u);
}

}  // namespace
}  // namespace kx58test
