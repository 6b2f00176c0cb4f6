// The device tab: its timers drive attach, the colour stream, the power query and the
// receiver's link watchdog; the strip keeps one visible tab selected.
#include <gtest/gtest.h>

#include "device/protocol/command_report.h"
#include "device/protocol/power_status.h"
#include "device_base_fixture.h"
#include "support/wait_until.h"
#include "uikit/dialog_builder.h"
#include "uikit/headless_backend.h"

namespace devbasetest {
namespace {

using DeviceTabTest = DeviceBaseFixture;

TEST_F(DeviceTabTest, CableAttachReadsBackAndArmsTheRunningTimers) {
    const Page page = AddKeyboardPage();
    auto kb = Plug("kb");
    ASSERT_TRUE(page.device->AttachCommandCollection(Row(0)));
    ShowDeviceTab(window->Strip(), 0);
    page.tab->StartAttach();
    EXPECT_EQ(page.tab->ArmedDelay(kTimerAttach), kAttachDelayMs);

    page.tab->OnTimer(kTimerAttach);
    EXPECT_EQ(page.tab->ArmedDelay(kTimerAttach), 0u);
    EXPECT_GT(kb->RequestCount(), 0u);  // the read-back reached the keyboard
    EXPECT_EQ(page.device->DeviceInformation(), page.device->Memory().info);
    EXPECT_EQ(page.tab->ArmedDelay(kTimerColourStream), 5u);
    EXPECT_EQ(page.tab->ArmedDelay(kTimerPowerStatus), 50u);
    EXPECT_EQ(page.tab->ArmedDelay(kTimerLinkWatch), 0u);  // cable: no watchdog
    EXPECT_TRUE(page.device->IsLightThreadRunning());
    EXPECT_TRUE(window->linkMessages.empty());

    // The stream tick shows the page colours on the light buttons of the selected tab.
    page.device->StopLightThread();
    page.device->SetLedColour(0, {200, 100, 0, 255});
    page.tab->OnTimer(kTimerColourStream);
    EXPECT_EQ(page.tab->ArmedDelay(kTimerColourStream), 100u);
    EXPECT_EQ(page.device->LightButtons()[0]->GetBkColor(), 0xFFC86400u);

    // The power query posts the level byte to the main window.
    page.tab->OnTimer(kTimerPowerStatus);
    EXPECT_EQ(page.tab->ArmedDelay(kTimerPowerStatus), 5000u);
    ui::HeadlessBackend::Get()->RunUntilIdle();
    ASSERT_EQ(window->powerLevels.size(), 1u);
    EXPECT_EQ(window->powerLevels[0], kb->Memory().power[kPowerLevelByte]);

    // Lost without a twin: closed, every timer stopped, nothing re-armed.
    EXPECT_FALSE(page.device->DetachCommandCollection(nullptr));
    EXPECT_FALSE(page.device->IsOpen());
    for (UINT id : {kTimerColourStream, kTimerPowerStatus, kTimerAttach}) EXPECT_EQ(page.tab->ArmedDelay(id), 0u);
    page.tab->OnTimer(kTimerColourStream);
    EXPECT_EQ(page.tab->ArmedDelay(kTimerColourStream), 0u);
}

// The stream timer runs only while it has work. A keyboard that renders its own effect, with
// the window in the tray, leaves it asleep; a request of the device wakes it through the main
// window; a host-rendered mode keeps it running hidden too.
TEST_F(DeviceTabTest, TheStreamTimerSleepsWithoutWorkAndWakesForRequestsAndFrames) {
    const Page page = AddKeyboardPage();
    auto kb = Plug("kb");
    ASSERT_TRUE(page.device->AttachCommandCollection(Row(0)));
    ShowDeviceTab(window->Strip(), 0);
    page.tab->StartAttach();
    page.tab->OnTimer(kTimerAttach);
    page.tab->OnTimer(kTimerColourStream);
    EXPECT_TRUE(page.device->IsPageShown());
    EXPECT_EQ(page.tab->ArmedDelay(kTimerColourStream), 100u);

    page.device->SetMainWindowHidden(true);
    page.tab->OnTimer(kTimerColourStream);
    EXPECT_FALSE(page.device->IsPageShown());
    EXPECT_EQ(page.tab->ArmedDelay(kTimerColourStream), 0u);

    // As a sync thread does: the tab wakes and its tick arms the read-back, which asks the keyboard.
    const std::size_t before = kb->RequestCount();
    page.device->PostDeviceRequest(CQuorinUSBDevice::kRequestSettingsReload);
    ASSERT_TRUE(ui::HeadlessBackend::Get()->RunUntil([&] { return kb->RequestCount() > before; }, 20000));

    LightState hostRendered = page.device->GetLightState();
    hostRendered.modeCode = kHostRenderedModeCode;
    const auto words = hostRendered.ToWords();
    page.device->SetLightState(words[0], words[1], words[2], words[3]);
    EXPECT_EQ(page.tab->ArmedDelay(kTimerColourStream), 5u);
    page.tab->OnTimer(kTimerColourStream);
    EXPECT_EQ(page.tab->ArmedDelay(kTimerColourStream), 100u);
}

std::size_t CountCommand(const devsim::FirmwareProduct& product, std::uint8_t command) {
    std::size_t count = 0;
    for (const CommandReport& request : product.Requests())
        if (request[report_field::kCommand] == command) ++count;
    return count;
}

TEST_F(DeviceTabTest, ColourStreamFollowsHostLightingAndPausesAfterAFailure) {
    const Page page = AddKeyboardPage();
    auto kb = Plug("kb");
    ASSERT_TRUE(page.device->AttachCommandCollection(Row(0)));
    page.tab->OnTimer(kTimerAttach);
    page.device->StopLightThread();  // the page colours stay as set here
    LightState state;
    state.modeCode = kHostRenderedModeCode;
    const auto words = state.ToWords();
    page.device->SetLightState(words[0], words[1], words[2], words[3]);
    for (std::size_t key = 0; key < 20; ++key) page.device->SetLedColour(key, {200, 100, 50, 255});
    kb->ClearRequests();

    EXPECT_EQ(page.device->BuildStreamFrame(), kResultOk);
    EXPECT_GT(CountCommand(*kb, kCmdStreamLedColours), 0u);

    // Lighting control off: no frame at all; on again: the keyboard is told first.
    page.device->SetHostLighting(false);
    kb->ClearRequests();
    page.device->BuildStreamFrame();
    EXPECT_EQ(kb->RequestCount(), 0u);
    page.device->SetHostLighting(true);
    EXPECT_EQ(CountCommand(*kb, kCmdEnableHostLighting), 1u);

    // A refused frame holds the stream back instead of blocking the caller.
    kb->ArmFault({devsim::FaultKind::StatusRejected, kCmdStreamLedColours, 1});
    EXPECT_NE(page.device->BuildStreamFrame(), kResultOk);
    kb->ClearRequests();
    EXPECT_EQ(page.device->BuildStreamFrame(), kResultOk);
    EXPECT_EQ(kb->RequestCount(), 0u);
    EXPECT_TRUE(kx58test::WaitUntil(
        [&] {
            page.device->BuildStreamFrame();
            return CountCommand(*kb, kCmdStreamLedColours) > 0;
        },
        std::chrono::seconds(20)));
}

TEST_F(DeviceTabTest, TabTimersFireThroughTheWindowLoop) {
    const Page page = AddKeyboardPage();
    auto kb = Plug("kb");
    ASSERT_TRUE(page.device->AttachCommandCollection(Row(0)));
    ShowDeviceTab(window->Strip(), 0);
    page.tab->StartAttach();
    ui::HeadlessBackend& loop = *ui::HeadlessBackend::Get();
    // 1001 runs the attach step, which arms the stream; the stream timer keeps re-arming.
    ASSERT_TRUE(loop.RunUntil([&] { return page.device->IsLightThreadRunning(); }, 20000));
    EXPECT_EQ(page.tab->ArmedDelay(kTimerAttach), 0u);
    ASSERT_TRUE(loop.RunUntil([&] { return page.tab->ArmedDelay(kTimerColourStream) == 100u; }, 20000));
    page.device->DetachCommandCollection(nullptr);
    EXPECT_EQ(page.tab->ArmedDelay(kTimerColourStream), 0u);
}

TEST_F(DeviceTabTest, LinkDownKeepsTheTabHiddenAndRetriesEveryThreeSeconds) {
    const Page page = AddKeyboardPage();
    auto rx = Plug("kb-rx");
    rx->SetLinkUp(false);
    ASSERT_TRUE(page.device->AttachCommandCollection(Row(2)));
    ShowDeviceTab(window->Strip(), 0);
    ASSERT_TRUE(page.tab->IsConnectedTab());
    page.tab->StartAttach();

    for (int attempt = 1; attempt <= 19; ++attempt) {
        page.tab->OnTimer(kTimerAttach);
        EXPECT_EQ(page.tab->GetLinkFailures(), attempt);
        EXPECT_FALSE(page.tab->IsConnectedTab());
        EXPECT_FALSE(page.tab->IsVisible());
        EXPECT_EQ(page.tab->ArmedDelay(kTimerAttach), kLinkRetryMs);
        EXPECT_EQ(page.tab->ArmedDelay(kTimerColourStream), 0u);
    }
    page.tab->OnTimer(kTimerAttach);
    EXPECT_EQ(page.tab->GetLinkFailures(), 0);  // wraps after 20
    EXPECT_FALSE(page.device->IsLightThreadRunning());
    // Only the first failure hid a visible tab and told the main window.
    ASSERT_EQ(window->linkMessages.size(), 1u);
    EXPECT_EQ(window->linkMessages[0].tab, 0u);
    EXPECT_EQ(window->linkMessages[0].up, 0);
    EXPECT_TRUE(window->linkMessages[0].tabWasConnected);  // so the main window can close its windows

    rx->SetLinkUp(true);
    page.tab->OnTimer(kTimerAttach);
    EXPECT_TRUE(page.tab->IsConnectedTab());
    EXPECT_TRUE(page.tab->IsSelectedTab());
    ASSERT_EQ(window->linkMessages.size(), 2u);
    EXPECT_EQ(window->linkMessages[1].up, 1);
    EXPECT_EQ(page.tab->ArmedDelay(kTimerAttach), 0u);
    EXPECT_EQ(page.tab->ArmedDelay(kTimerColourStream), 5u);
    EXPECT_EQ(page.tab->ArmedDelay(kTimerLinkWatch), 2000u);
    page.tab->OnTimer(kTimerColourStream);
    EXPECT_EQ(page.tab->ArmedDelay(kTimerColourStream), 500u);
}

TEST_F(DeviceTabTest, LinkWatchdogHidesAndShowsTheTab) {
    const Page page = AddKeyboardPage();
    auto rx = Plug("kb-rx");
    ASSERT_TRUE(page.device->AttachCommandCollection(Row(2)));
    ShowDeviceTab(window->Strip(), 0);
    page.tab->OnTimer(kTimerAttach);
    window->linkMessages.clear();

    rx->SetLinkUp(false);
    page.tab->OnTimer(kTimerLinkWatch);
    EXPECT_FALSE(page.tab->IsConnectedTab());
    EXPECT_EQ(traces.Count(kLinkWatchDownTrace), 1u);
    EXPECT_EQ(page.tab->ArmedDelay(kTimerLinkWatch), kLinkRetryMs);
    page.tab->OnTimer(kTimerLinkWatch);  // still down, already hidden: nothing new
    ASSERT_EQ(window->linkMessages.size(), 1u);
    EXPECT_EQ(window->linkMessages[0].up, 0);

    rx->SetLinkUp(true);
    page.tab->OnTimer(kTimerLinkWatch);
    EXPECT_TRUE(page.tab->IsConnectedTab());
    EXPECT_EQ(traces.Count(kLinkWatchUpTrace), 1u);
    ASSERT_EQ(window->linkMessages.size(), 2u);
    EXPECT_EQ(window->linkMessages[1].up, 1);

    // Switched to the cable: the watchdog only notes it and stops.
    page.device->SetLinkState(kChannelModeCable);
    page.tab->OnTimer(kTimerLinkWatch);
    EXPECT_EQ(page.tab->ArmedDelay(kTimerLinkWatch), 0u);
}

TEST_F(DeviceTabTest, UnpluggedCableWithReceiverPresentSwitchesTo24G) {
    const Page page = AddKeyboardPage();
    Plug("kb");
    Plug("kb-rx");
    ASSERT_TRUE(page.device->AttachCommandCollection(Row(0)));
    ShowDeviceTab(window->Strip(), 0);
    page.tab->OnTimer(kTimerAttach);
    ASSERT_TRUE(page.device->IsLightThreadRunning());

    products["kb"]->DetachInput();
    ASSERT_TRUE(bus.Unplug("kb"));
    const DeviceMatchEntry twin = Row(table[0].twinRow);
    EXPECT_TRUE(page.device->DetachCommandCollection(&twin));
    EXPECT_TRUE(page.device->IsOpen());
    EXPECT_TRUE(page.device->IsWirelessMode());
    EXPECT_EQ(page.device->GetKind(), DeviceKind::KeyboardWireless);
    EXPECT_TRUE(page.device->CommandChannel().WirelessCollection().IsOpen());
    EXPECT_FALSE(page.device->CommandChannel().CableCollection().IsOpen());
    // First the wait for the receiver's link (its link is up: one query), then the attach step.
    EXPECT_TRUE(page.tab->IsWaitingForSwitchLink());
    EXPECT_EQ(page.tab->ArmedDelay(kTimerAttach), 50u);
    EXPECT_EQ(page.tab->ArmedDelay(kTimerColourStream), 0u);
    page.tab->OnTimer(kTimerAttach);
    EXPECT_FALSE(page.tab->IsWaitingForSwitchLink());
    EXPECT_EQ(page.tab->ArmedDelay(kTimerAttach), kAttachDelayMs);
    // The light thread stays; the next attach step runs over the receiver.
    EXPECT_TRUE(page.device->IsLightThreadRunning());
    page.tab->OnTimer(kTimerAttach);
    EXPECT_EQ(page.tab->ArmedDelay(kTimerLinkWatch), 2000u);
    EXPECT_TRUE(page.device->CommandChannel().QueryWirelessLink());
}

TEST_F(DeviceTabTest, HidingTheSelectedTabSelectsAnotherVisibleOne) {
    ui::CContainerUI& strip = window->Strip();
    std::vector<CDeviceOptionUI*> tabs;
    for (int i = 0; i < 3; ++i) {
        ui::CDialogBuilder builder;
        auto* tab = static_cast<CDeviceOptionUI*>(
            builder.Create(R"(<Window><DeviceOption><Option name="device_select" group="g"/></DeviceOption></Window>)", {},
                           window.get(), &window->GetPaintManager())
                ->GetInterface("DeviceOption"));
        tab->SetConnectedTab(false);
        strip.Add(tab);
        tabs.push_back(tab);
    }
    EXPECT_EQ(SelectedDeviceTab(strip), tabs[2]);  // none connected: the last
    EXPECT_TRUE(ShowDeviceTab(strip, 1));
    EXPECT_TRUE(tabs[1]->IsSelectedTab());  // the only visible tab is selected
    EXPECT_TRUE(ShowDeviceTab(strip, 2));
    EXPECT_FALSE(tabs[2]->IsSelectedTab());  // another is visible: not selected
    EXPECT_EQ(ConnectedTabCount(strip), 2);
    EXPECT_EQ(SelectedDeviceTab(strip), tabs[1]);

    int leaving = 0;
    EXPECT_TRUE(HideDeviceTab(strip, 2, [&] { ++leaving; }));
    EXPECT_EQ(leaving, 0);  // not the selected one
    EXPECT_TRUE(ShowDeviceTab(strip, 2));
    EXPECT_TRUE(HideDeviceTab(strip, 1, [&] { ++leaving; }));
    EXPECT_EQ(leaving, 1);
    EXPECT_FALSE(tabs[1]->IsVisible());
    EXPECT_TRUE(tabs[2]->IsSelectedTab());
    EXPECT_EQ(SelectedDeviceTab(strip), tabs[2]);
    EXPECT_FALSE(HideDeviceTab(strip, 3));
    EXPECT_FALSE(HideDeviceTab(strip, -1));
    EXPECT_FALSE(ShowDeviceTab(strip, 7));
}

TEST_F(DeviceTabTest, SelectingATabShowsItsPage) {
    const Page first = AddKeyboardPage();
    const Page second = AddKeyboardPage();
    auto* pages = static_cast<ui::CTabLayoutUI*>(window->GetPaintManager().FindControl("device_switch")->GetInterface("TabLayout"));
    ShowDeviceTab(window->Strip(), 0);
    ShowDeviceTab(window->Strip(), 1);
    EXPECT_EQ(pages->GetCurSel(), first.tab->GetPageIndex());
    second.tab->SelectTab();
    EXPECT_EQ(pages->GetCurSel(), second.tab->GetPageIndex());
    EXPECT_FALSE(first.tab->IsSelectedTab());
    HideDeviceTab(window->Strip(), 1);
    EXPECT_EQ(pages->GetCurSel(), first.tab->GetPageIndex());
}

}  // namespace
}  // namespace devbasetest
