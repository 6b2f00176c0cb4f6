#pragma once
// CDeviceOptionUI: a device's tab in the main window's tab strip ("device_select_layout").
// It holds the option "device_select" and the label "device_select_name" (from
// "XML\CustomControlXML\DeviceOption.xml"), knows its device object, the index of its page in
// "device_switch" and of its power indicator in "device_power_switch", and drives the
// device with one-shot control timers:
//   1001 attach (link test in 2.4G mode, then the device's attach step)
//   1000 colour stream, 1002 settings read-back, 1003/1004 device hooks,
//   1005 power query, 1007 receiver link watchdog.
// The tab is visible exactly while its device is connected.
#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "device/hid/products.h"
#include "uikit/button.h"
#include "uikit/container.h"
#include "uikit/label.h"

namespace kx58 {

class CQuorinUSBDevice;

inline constexpr UINT kTimerColourStream = 1000;
inline constexpr UINT kTimerAttach = 1001;
inline constexpr UINT kTimerReloadSettings = 1002;
inline constexpr UINT kTimerSecondDeferredStep = 1003;
inline constexpr UINT kTimerThirdDeferredStep = 1004;
inline constexpr UINT kTimerPowerStatus = 1005;
inline constexpr UINT kTimerLinkWatch = 1007;

inline constexpr std::uint32_t kAttachDelayMs = 500;
inline constexpr std::uint32_t kLinkRetryMs = 3000;
inline constexpr int kLinkFailureWrap = 20;

// Traces of the link watchdog.
inline constexpr const char* kLinkWatchUpTrace = "2.4gcesvdfherhue  12312423 123342341";
inline constexpr const char* kLinkWatchDownTrace = "2.4gcesvdfherhue";
inline constexpr const char* kLinkWatchCableTrace = "2.4gcesvdfherhue  12312423";

class CDeviceOptionUI : public ui::CHorizontalLayoutUI {
public:
    CDeviceOptionUI() = default;
    ~CDeviceOptionUI() override;

    std::string GetClass() const override { return "DeviceOptionUI"; }
    void* GetInterface(std::string_view name) override;
    void DoEvent(ui::TEventUI& event) override;

    void SetDevice(CQuorinUSBDevice* device);
    CQuorinUSBDevice* GetDevice() const { return device_; }
    void SetPageIndex(int index) { pageIndex_ = index; }
    int GetPageIndex() const { return pageIndex_; }
    void SetPowerIndex(int index) { powerIndex_ = index; }
    int GetPowerIndex() const { return powerIndex_; }
    void SetKind(DeviceKind kind) { kind_ = kind; }
    DeviceKind GetKind() const { return kind_; }
    // The tab text (the label "device_select_name", else the option).
    void SetTabText(const std::string& text);

    // Visible flag: the device is connected and its tab shown.
    bool IsConnectedTab() const { return connected_; }
    // Shows or hides the control and sets the visible flag; selection is the strip's business
    // (ShowDeviceTab / HideDeviceTab).
    void SetConnectedTab(bool connected);
    // A connected tab scrolled off the front of the strip stays connected but is not shown.
    void SetScrolledAway(bool away);
    bool IsScrolledAway() const { return scrolledAway_; }
    bool IsSelectedTab() const;
    // Selects this tab's option and shows its page and power indicator.
    void SelectTab();
    int GetLinkFailures() const { return linkFailures_; }

    // Arms timer 1001 (500 ms): called by the main window after the command collection opened.
    void StartAttach();
    // After a switch to the receiver: waits for its link (26 queries, 50 ms apart, on this
    // timer so the window stays responsive), reads the power status, then the attach step.
    void StartSwitchLinkWait();
    bool IsWaitingForSwitchLink() const { return switchLinkTries_ > 0; }
    // Stops every timer (the device was removed).
    void StopAllTimers();
    // The handler of one tab timer; the timer was one-shot and is gone when this runs.
    void OnTimer(UINT id);
    // Delay of an armed tab timer (its period for one aligned to the tick grid), 0 when it
    // is not armed.
    std::uint32_t ArmedDelay(UINT id) const;
    // UI thread: the colour stream has work again (a device request, the page coming on
    // screen, host lighting on): arms its timer unless it runs or the attach step is pending.
    void WakeStream();

private:
    void Arm(UINT id, std::uint32_t delayMs);
    // Due on the next multiple of the period, so every tab's stream shares one wake.
    void ArmOnGrid(UINT id, std::uint32_t periodMs);
    void Disarm(UINT id);
    void OnAttachTimer();
    void OnSwitchLinkTimer();
    void OnColourStreamTimer();
    void OnReloadSettingsTimer();
    void OnPowerStatusTimer();
    void OnLinkWatchTimer();
    // Hides or shows this tab in its strip and tells the main window.
    void ReportLink(bool up);
    bool PageOnScreen() const;
    ui::COptionUI* Option() const;

    CQuorinUSBDevice* device_ = nullptr;
    int pageIndex_ = -1;
    int powerIndex_ = -1;
    DeviceKind kind_ = DeviceKind::None;
    bool connected_ = false;
    bool scrolledAway_ = false;
    int linkFailures_ = 0;
    int switchLinkTries_ = 0;
    std::map<UINT, std::uint32_t> armed_;
};

// Tab strip operations of the main window ("device_select_layout").
//
// Hides tab `index`; when it was visible and selected, another visible tab is selected
// (`beforeLeavingSelected` runs first, e.g. to close auxiliary windows). False for an index
// outside the strip.
bool HideDeviceTab(ui::CContainerUI& strip, int index, const std::function<void()>& beforeLeavingSelected = {});
// Shows tab `index` as connected; it becomes the selected one when no other tab is visible.
bool ShowDeviceTab(ui::CContainerUI& strip, int index);
// The first tab both connected and selected; else the last tab (nullptr for an empty strip).
CDeviceOptionUI* SelectedDeviceTab(ui::CContainerUI& strip);
// Connected tabs in the strip.
int ConnectedTabCount(ui::CContainerUI& strip);
// Moves the strip's front by `step` connected tabs, never past the last one; with step 0 it
// only refits the front after tabs came or went, so a connected tab is never left unshown
// while nothing of the strip is visible.
void ScrollDeviceTabs(ui::CContainerUI& strip, int step);

}  // namespace kx58
