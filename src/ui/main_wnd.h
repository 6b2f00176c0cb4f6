#pragma once
// The program's only top-level window: it owns the device pages and their tabs, the thread
// slots (slot 0 is the device-capture loop), the tray icon and the window's timers, and it
// receives the program's registered and private messages.
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "device/hid/device_discovery.h"
#include "device/device_option_ui.h"
#include "device/quorin_usb_device.h"
#include "device/hid/supported_devices.h"
#include "ui/app_messages.h"
#include "editors/macro_control_ui.h"
#include "ui/audio_capture_link.h"
#include "ui/device_hook.h"
#include "ui/device_pages.h"
#include "ui/language.h"
#include "ui/light_sync_engine.h"
#include "ui/skin_wnd.h"
#include "net/update_check.h"
#include "platform/sleep_watch.h"
#include "ui/thread_slots.h"
#include "uikit/container.h"
#include "uikit/menu_wnd.h"
#include "uikit/tray_icon.h"
#include "uikit/window.h"

namespace kx58 {

class CLightControlUI;
class CKeySetControlUI;
class CQuorinKeyboardDevice;
class CQuorinMouseDevice;
class CMacroControlUI;
enum class MacroResult;

// Timers of the main window (one-shot: each handler kills its timer first).
inline constexpr UINT kTimerSizeFix = 1011;
inline constexpr UINT kTimerTrayMenu = 1032;
inline constexpr UINT kTimerTrayCheck = 1033;
inline constexpr UINT kTimerProfileSwitch = 1055;
inline constexpr UINT kTimerGameRestore = 1066;
inline constexpr UINT kTimerLightWrite = 1070;
inline constexpr UINT kTimerLightWriteMs = 80;
inline constexpr UINT kTimerSizeFixMs = 100;
inline constexpr UINT kTimerTrayMenuMs = 10;
// A start in the tray gives the panel this long to take the icon before the window shows.
inline constexpr UINT kTimerTrayCheckMs = 3000;
inline constexpr UINT kTimerProfileSwitchMs = 400;
inline constexpr UINT kTimerGameRestoreMs = 5000;

inline constexpr const char* kMainWindowClass = "MainWnd";
inline constexpr const char* kWorkToolTitle = "WorkTool";
inline constexpr UINT kMainIconId = 107;
inline constexpr int kMainWindowWidth = 800;
inline constexpr int kMainWindowHeight = 572;
// The size the DPI and size fix gives the window before scaling.
inline constexpr int kFixedWindowWidth = 1000;
inline constexpr int kFixedWindowHeight = 640;

// Texts of the lighting control switch.
inline constexpr const char* kLightControlOnText = "控制灯光";
inline constexpr const char* kLightControlOffText = "不控制灯光";

// Cleared between a suspend and the following resume: the main window then ignores hook,
// game and device messages.
bool IsProcessActive();
// Set by an upgrade message that only announces an upgrade; cleared by one that starts it.
bool IsUpgradePending();

// The upgrade program in the "Update" folder (the release ships it under this name).
inline constexpr const char* kUpgradeProgramName = "KX58_Upgrade_ALL_RGB_STD_V0104";

// One product's page in the window: the page, its tab and its power indicator.
// The controls belong to the window's control tree; the record only points at them.
struct DevicePage {
    std::size_t typeRow = 0;                 // index into DeviceTypeRows()
    CQuorinUSBDevice* device = nullptr;      // the page, in "device_switch"
    CDeviceOptionUI* tab = nullptr;          // in "device_select_layout"
    ui::CControlUI* power = nullptr;         // in "device_power_switch"
};

// Product families the window addresses, by the kind of their page's type row.
inline constexpr DeviceKind kMiceAndKeyboards[] = {DeviceKind::MouseWired, DeviceKind::KeyboardWired};
inline constexpr DeviceKind kLightingDevices[] = {DeviceKind::MouseWired, DeviceKind::KeyboardWired, DeviceKind::MousePad};
inline constexpr DeviceKind kEveryProduct[] = {DeviceKind::MouseWired, DeviceKind::KeyboardWired, DeviceKind::MousePad,
                                               DeviceKind::Headset};

class CMainWnd : public ui::WindowImplBase {
public:
    CMainWnd();
    ~CMainWnd() override;

    std::string GetWindowClassName() const override { return kMainWindowClass; }
    UINT GetClassStyle() const override { return 8; }  // double clicks
    std::string GetSkinFile() override { return "XML_MAIN"; }
    void InitWindow() override;
    void Notify(ui::TNotifyUI& msg) override;
    ui::CControlUI* CreateControl(const std::string& className) override;
    LRESULT HandleCustomMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
    LRESULT OnTimer(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
    LRESULT OnDestroy(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

    // What tests and outside tools observe.
    bool IsLightingControlOn() const { return m_lightControlOn; }
    bool IsWindowInitialised() const { return m_windowInitialised; }
    int InterfaceDpi() const { return m_dpi; }
    const std::vector<DevicePage>& Pages() const { return m_pages; }
    const DevicePage* FindPage(const std::string& typeName) const;
    const DeviceTable& Slots() const { return m_slots; }
    const ThreadSlots& Threads() const { return m_threads; }
    const CDeviceDiscovery& Discovery() const { return m_discovery; }
    // Between a game event and the restore of the normal lighting 5 s later.
    bool IsGameRestorePending() const { return m_gameRestorePending; }
    const CLanguageState& Language() const { return m_language; }
    ThreadSlots::StopResult LastStopResult() const { return m_lastStop; }
    ui::CTrayIcon& Tray() { return m_tray; }
    // The version descriptor reported to "WorkTool".
    void SetVersionDescriptor(const std::array<std::uint32_t, 4>& descriptor) { m_versionDescriptor = descriptor; }
    // The selected device's page: the first connected and selected tab, else the last tab.
    DevicePage* SelectedPage();
    // The capture program's side of the sound-reactive lighting (its program path may be set
    // before the window is created).
    CAudioCaptureLink& AudioCapture() { return m_audioLink; }
    const CAudioCaptureLink& AudioCapture() const { return m_audioLink; }
    // The hook of a recording or key capture; tests feed its input.
    CDeviceHook& DeviceHook() { return m_deviceHook; }
    bool IsRecording() const { return m_recordingEditor != nullptr; }
    // The settings window (opened elsewhere); relayed messages go to it.
    void SetSettingsWindow(HWND hwnd) { m_settingsWnd = hwnd; }
    HWND SettingsWindow() const { return m_settingsWnd; }
    // Started from the session's autostart: the window stays in the tray until the user asks
    // for it (a tray click or another start). Called before Create.
    void StartInTray() { m_stayInTray = true; }
    bool IsStayingInTray() const { return m_stayInTray; }
    HWND SkinWindow() const;
    // The folder of the upgrade program (the "Update" folder beside the program).
    void SetUpgradeFolder(std::string folder) { m_upgradeFolder = std::move(folder); }

private:
    // Start-up ("windowinit").
    void OnWindowInit();
    void StartThreads();

    // Messages (main_wnd_messages.cpp): one routing table, built with the window.
    using Handler = LRESULT (CMainWnd::*)(WPARAM, LPARAM);
    struct MessageRoute {
        UINT message;
        Handler handler;
        bool actsWhileSuspended;
        bool passOn;  // the window base handles it too
    };
    void BuildMessageRoutes();
    LRESULT Ignore(WPARAM, LPARAM);
    LRESULT OnActivate(WPARAM wParam, LPARAM);
    LRESULT OnMouseHover(WPARAM, LPARAM);
    LRESULT OnMouseLeave(WPARAM, LPARAM);
    LRESULT OnInstanceMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnSettingsRelay(WPARAM wParam, LPARAM lParam);
    LRESULT OnPowerBroadcast(WPARAM event, LPARAM);
    LRESULT OnWorkToolQuery(WPARAM, LPARAM);
    LRESULT OnLightControlMessage(WPARAM wParam, LPARAM lParam);
    // Recording and key capture (main_wnd_recording.cpp).
    LRESULT OnHookControl(WPARAM wParam, LPARAM);
    LRESULT OnKeyCaptureHook(WPARAM, LPARAM lParam);
    template <RecordPlacement P>
    LRESULT OnRecordKeyHook(WPARAM wParam, LPARAM lParam) { return RecordHookKey(P, wParam, lParam); }
    template <RecordPlacement P>
    LRESULT OnRecordMouseHook(WPARAM wParam, LPARAM lParam) { return RecordHookMouse(P, wParam, lParam); }
    LRESULT RecordHookKey(RecordPlacement placement, WPARAM wParam, LPARAM lParam);
    LRESULT RecordHookMouse(RecordPlacement placement, WPARAM wParam, LPARAM lParam);
    // The window's own keys and buttons for the hook; true when the hook took the event.
    bool TakeHookInput(UINT message, WPARAM wParam, LPARAM lParam);
    void OnRecordButton(ui::TNotifyUI& msg, int);
    // A start button or menu item; false when `trigger` is not one.
    bool StartRecordingFor(const std::string& trigger);
    void StartRecording(CMacroControlUI& editor, int delayMode, std::uint32_t hookMode);
    void StopRecording();
    std::string RecordingSourceText();
    void SetPageStill(bool still);
    // After a macro's events were saved: written to the keyboard when one of its keys plays it.
    void WriteMacroIfUsed(int number);
    LRESULT OnGameMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnShowSettingProgress(WPARAM, LPARAM);
    LRESULT OnLanguageChanged(WPARAM wParam, LPARAM);
    LRESULT OnDeviceArrivedMessage(WPARAM slot, LPARAM);
    LRESULT OnDeviceRemovedMessage(WPARAM slot, LPARAM);
    LRESULT OnClearUpdateMark(WPARAM, LPARAM);
    LRESULT OnLinkStateMessage(WPARAM tabIndex, LPARAM up);
    LRESULT OnDeviceWake(WPARAM typeRow, LPARAM);
    LRESULT OnDisplayChange(WPARAM, LPARAM);
    LRESULT OnDpiChanged(WPARAM wParam, LPARAM);
    LRESULT OnDpiNotice(WPARAM, LPARAM);
    LRESULT OnTrayNotify(WPARAM, LPARAM lParam);
    LRESULT OnMenuCommandMessage(WPARAM, LPARAM lParam);
    LRESULT OnCopyData(WPARAM, LPARAM lParam);
    LRESULT OnAudioRecordFailed(WPARAM, LPARAM);
    // The first keyboard's page: the sound-reactive lighting's input.
    CQuorinUSBDevice* FirstKeyboard();
    void OnGameRestore();
    void OnMenuCommand(const std::string& item);
    // The skin, settings and about windows and the upgrade launch (main_wnd_shell.cpp).
    void OnSkinButton(ui::TNotifyUI&, int);
    void OnSettingsButton(ui::TNotifyUI&, int);
    void OpenSettings(bool besideSettingsButton, bool onUpdatePage = false);
    LRESULT OnOpenSettingsMessage(WPARAM, LPARAM);
    LRESULT OnStartUpgrade(WPARAM, LPARAM lParam);
    void ShowBackground(const SkinChangedParam& param);
    // The language message to each auxiliary window that is open.
    void TellAuxiliaryWindowsLanguage();
    std::vector<UpdateProduct> CurrentUpdateList();
    bool OnShellMenuCommand(const std::string& item);
    // The skin window goes with the main window.
    LRESULT OnShellDestroy(WPARAM, LPARAM);

public:
    // The selected page's profile becomes the device's: loaded, shown and written to the
    // device (timer 1055 after a choice in "device_profile_combo", and after delete or reset).
    void FinishProfileSwitch();
    // The apply sequence of a profile on an open device.
    void ApplyProfile(CQuorinUSBDevice& device);

private:

    // Notification routing (main_wnd_routing.cpp): handlers get the notification and the
    // number of a numbered family.
    void OnNoDeviceOk(ui::TNotifyUI&, int);
    void OnLightSwitchClick(ui::TNotifyUI&, int);
    void OnCaptionButton(ui::TNotifyUI& msg, int);
    void OnTabScroll(ui::TNotifyUI& msg, int);
    void OnDeviceTabChosen(ui::TNotifyUI& msg, int);
    void OnOperationTab(ui::TNotifyUI& msg, int);
    void OnProfileAdd(ui::TNotifyUI&, int);
    void OnProfileCopy(ui::TNotifyUI&, int);
    void OnProfileDelete(ui::TNotifyUI&, int);
    void OnProfileReset(ui::TNotifyUI&, int);
    void OnRestoreDefaults(ui::TNotifyUI& msg, int number);
    void OnProfileRename(ui::TNotifyUI&, int);
    void OnProfileMenuToggle(ui::TNotifyUI&, int);
    void OnProfileImport(ui::TNotifyUI&, int);
    void OnProfileExport(ui::TNotifyUI&, int);
    void OnProfileChosen(ui::TNotifyUI&, int);
    void OnSystemPageChange(ui::TNotifyUI& msg, int);
    void OnLightEdit(ui::TNotifyUI& msg, int);
    void OnLightColourPicker(ui::TNotifyUI& msg, int);
    void OnSameEffectEverywhere(ui::TNotifyUI& msg, int);
    // The engine takes the selected device's effect; false for one the devices cannot share.
    bool CopySharedEffect(CLightControlUI& editor, CQuorinUSBDevice& selected);
    void SetSharedEffect(bool on);
    void OnPaintKeys(ui::TNotifyUI& msg, int);
    void OnAudioStyles(ui::TNotifyUI& msg, int);
    // The pages the synchronised lighting drives, in its order (mice, keyboards, pads, headsets).
    void AddSyncDevice(CQuorinUSBDevice* device);
    std::vector<CQuorinUSBDevice*> SyncDevices() const;
    // The selected page's lighting editor when `msg` comes from inside it.
    CLightControlUI* LightEditorOf(const ui::TNotifyUI& msg, CQuorinUSBDevice*& device);
    void TakeLightEdit(CQuorinUSBDevice& device);
    void FinishLightWrite();
    // The mouse page (main_wnd_mouse.cpp): the selected page's mouse for a notification from it.
    CQuorinMouseDevice* MouseOf(const ui::TNotifyUI& msg);
    void OnMouseDpi(ui::TNotifyUI& msg, int stage);
    void OnMouseDpiColour(ui::TNotifyUI& msg, int stage);
    void OnDesktopDeviceSettings(ui::TNotifyUI&, int number);
    void ApplyMouseSystemPage(CQuorinMouseDevice& mouse);
    void ApplyKeyboardSystemPage(CQuorinKeyboardDevice& keyboard);
    // "reset_repeat_btn": the desktop's key repeat back to its usual delay and rate.
    void OnResetKeyRepeat(ui::TNotifyUI& msg, int);
    // The shoot editor of a mouse page: its folders and factory files, then its notifications.
    void SetUpShootEditor(CQuorinUSBDevice& device);
    void OnShootEditor(ui::TNotifyUI& msg, int);
    // The headset's sound, voice-changer and surround pages (main_wnd_headset.cpp).
    void OnHeadsetSound(ui::TNotifyUI& msg, int number);
    // The key tab (main_wnd_keys.cpp): the selected page's keyboard and its key editor.
    CQuorinUSBDevice* KeyEditing(CKeySetControlUI*& editor);
    // A page key's code in the profile, or its default code (the factory code without an entry).
    static std::uint32_t StoredKeyCode(CQuorinUSBDevice& device, int key, bool factory);
    void PrepareKeyEditor(CQuorinUSBDevice& device, CKeySetControlUI& editor);
    // The page key the editor shows on this keyboard's page; -1 when none was chosen there.
    int EditedKey(const CQuorinUSBDevice& device) const;
    // Each key's legend (its tooltip) and the edited key shown again from the profile.
    void RefreshKeyTab();
    void OnKeyChosen(ui::TNotifyUI& msg, int number);
    void OnKeySave(ui::TNotifyUI&, int);
    void OnKeyCancel(ui::TNotifyUI&, int);
    void OnKeyDefault(ui::TNotifyUI&, int);
    void OnKeyProfileSave(ui::TNotifyUI&, int);
    void OnKeyEditorEdit(ui::TNotifyUI& msg, int);
    void OnKeyEditLeft(ui::TNotifyUI& msg, int number);
    void SaveAndWriteKeys(CQuorinUSBDevice& device);
    // The macro image write's outcome for the user: out of memory, or too many events.
    void TellMacroImageResult(int result);
    int m_editedKey = -1;  // the page key the key editor shows
    const CQuorinUSBDevice* m_editedKeyDevice = nullptr;
    CDeviceProfileUI* SelectedProfiles();
    static bool IsImportableProfile(const std::string& path);
    // A question or notice in the message box; 1 when confirmed.
    int Ask(const std::string& textId, int buttons);

    // Macro editor (main_wnd_macros.cpp): the selected keyboard page's editor, for a
    // notification from inside it (`msg` null: any).
    CMacroControlUI* MacroEditorOf(const ui::TNotifyUI* msg);
    void OnMacroAdd(ui::TNotifyUI& msg, int);
    void OnMacroDelete(ui::TNotifyUI& msg, int);
    void OnMacroRename(ui::TNotifyUI& msg, int);
    void OnMacroSave(ui::TNotifyUI& msg, int);
    void OnMacroCancel(ui::TNotifyUI& msg, int);
    void OnMacroImport(ui::TNotifyUI& msg, int);
    void OnMacroExport(ui::TNotifyUI& msg, int);
    void OnMacroEventMove(ui::TNotifyUI& msg, int);
    void OnMacroEventDelete(ui::TNotifyUI& msg, int);
    void OnMacroMouseMove(ui::TNotifyUI& msg, int);
    void OnMacroChosen(ui::TNotifyUI& msg, int);
    void OnMacroDelayEdit(ui::TNotifyUI& msg, int);
    void OnMacroActionMenu(ui::TNotifyUI& msg, int);
    // An item of the action menu; false when it is not one of the editor's.
    bool OnMacroMenuCommand(const std::string& item);
    void TellMacroResult(MacroResult result);

    // Devices (main_wnd_devices.cpp).
    void BuildSlotList();
    DevicePage* CreatePage(std::size_t typeRow);
    DevicePage* PageForSlot(std::size_t slot);
    void OnDeviceArrived(std::size_t slot);
    void OnDeviceRemoved(std::size_t slot);
    void ConnectSlot(std::size_t slot, DevicePage& page);
    void CatchUpWithDiscovery();
    void HideTab(DevicePage& page);
    void OnLinkState(WPARAM tabIndex, LPARAM up);
    // The device tabs' colour streams have work again (a page may have come on screen).
    void WakeDeviceStreams();
    int ConnectedTabCount();
    void ScrollTabStrip(int step);
    ui::CContainerUI* TabStrip();
    template <std::size_t N, typename Fn>
    void ForEachDevice(const DeviceKind (&kinds)[N], Fn fn) {
        for (DevicePage& page : m_pages)
            for (DeviceKind kind : kinds)
                if (page.device && DeviceTypeRows()[page.typeRow].kind == kind) fn(*page.device);
    }

    // Window state (main_wnd_state.cpp).
    void ShowStep();
    void FixSizeAndDpi();
    void HideToTray();
    void LeaveTrayWithoutPanel();
    void OnTrayClick(bool right);
    void OpenTrayMenu();
    void SetLightingControl(bool on, bool announce);
    void TellLightingControl(bool on);
    void TellDisplayRefresh();
    void SetMainWindowHidden(bool hidden);
    void UpdateNoDeviceLayer();

    CDeviceHook m_deviceHook{MakeProgramInputSource()};
    CMacroControlUI* m_recordingEditor = nullptr;
    RecordPlacement m_recordingPlacement = RecordPlacement::Append;
    // One memory per hook handler (append, before, after, replace), kept across recordings.
    std::array<PressedKeyMemory, 4> m_keyMemories{};
    std::array<UINT, 4> m_mouseMemories{};

    // The window as other programs reach it (by class and title); it hands every message on
    // to the window itself.
    std::unique_ptr<MessageWindow> m_reachable;
    const AppMessages& m_messages;
    const HookMessages& m_hooks;
    ui::CTrayIcon m_tray;
    ui::CMenuWnd::CheckMap m_menuChecks;
    CLanguageState m_language;
    ThreadSlots m_threads;
    CAudioCaptureLink m_audioLink;
    // Read by the engine's thread; the pages themselves outlive it.
    mutable std::mutex m_syncDevicesLock;
    std::vector<CQuorinUSBDevice*> m_syncDevices;
    LightSyncEngine m_lightSync{[this] { return SyncDevices(); }};
    ThreadSlots::StopResult m_lastStop;
    CDeviceDiscovery m_discovery;
    SleepWatch m_sleepWatch;
    DeviceTable m_slots;
    std::vector<DevicePage> m_pages;
    std::array<std::uint32_t, 4> m_versionDescriptor{};
    std::vector<MessageRoute> m_routes;

    bool m_lightControlOn = true;
    bool m_windowActive = false;
    bool m_mouseInside = false;
    bool m_displayChanged = false;
    bool m_windowInitialised = false;
    bool m_shuttingDown = false;
    bool m_stayInTray = false;
    bool m_gameRestorePending = false;
    int m_dpi = 96;
    CQuorinUSBDevice* m_lightWriteDevice = nullptr;  // edited lighting waiting for its write
    int m_screenWidth = 0;
    int m_screenHeight = 0;
    HWND m_settingsWnd = nullptr;
    HWND m_skinWnd = nullptr;
    CSkinFrame* m_skinFrame = nullptr;  // valid while m_skinWnd is a window
    SkinChangeSubscription m_skinReceiver;
    std::string m_upgradeFolder;
};

}  // namespace kx58
