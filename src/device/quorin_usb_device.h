#pragma once
// CQuorinUSBDevice: one attached product, at the same time its page in the main window and
// the driver of the device. The page is a horizontal layout built from the product's device
// XML; the object holds the command channel, the consumer collections, the page's key and
// light controls, the colours the page shows, and the threads that talk to the device.
//
// Threads: the UI thread (page, tab timers, attach and detach), one light thread (previews
// and the colour refresh), one sync thread per open consumer collection. Locks: the colour
// lock (page colours, light state, preview state) and the key-map lock; the channel's and
// the consumer collections' own locks. No thread holds the colour lock while it calls the
// channel.
#include <array>
#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include <json/value.h>

#include "device/hid/device_messages.h"
#include "device/protocol/device_channel.h"
#include "device/device_threads.h"
#include "device/protocol/keyboard_protocol.h"
#include "device/hid/supported_devices.h"
#include "platform/event.h"
#include "platform/win_types.h"
#include "profile/basic_profiledata.h"
#include "profile/profile_records.h"
#include "uikit/container.h"
#include "uikit/dialog_builder.h"
#include "uikit/window.h"

namespace kx58 {

class CDeviceOptionUI;
class CDeviceProfileUI;

// Number of LEDs the keyboard's preview buffers cover, and its layout grid.
inline constexpr std::size_t kPreviewLedCount = 170;
inline constexpr std::size_t kPreviewGridColumns = 23;
inline constexpr std::size_t kPreviewGridRows = 6;

// Mode code, brightness, speed, effect, multi-colour flag, red, green, blue, then the bytes
// the profile's LightInfo keeps beside them: 16 bytes in all, laid out as LightInfo and set
// from four 32-bit words (low byte first).
struct LightState {
    std::uint8_t modeCode = 0;
    std::uint8_t brightness = 4;
    std::uint8_t speed = 2;
    std::uint8_t fx = 0;
    std::uint8_t multiColor = 0;
    std::uint8_t red = 0xFF;
    std::uint8_t green = 0xFF;
    std::uint8_t blue = 0xFF;
    std::array<std::uint8_t, 3> unstored{};  // carried in memory only
    std::uint8_t zzccLedMode = 0;             // the second mode list's choice
    std::uint8_t customGroup = 0;
    std::uint8_t oldLedMode = 0;              // the effect a game event interrupts
    std::uint8_t logoMode = 0;
    std::uint8_t logoModeColour = 0;

    static LightState FromWords(std::uint32_t w0, std::uint32_t w1, std::uint32_t w2, std::uint32_t w3);
    std::array<std::uint32_t, 4> ToWords() const;
};
static_assert(sizeof(LightState) == 16);

// What a page's lighting editor offers the device object. The editor's control answers
// GetInterface(kLightStateViewInterface) with a pointer to this face. UI thread only.
inline constexpr const char* kLightStateViewInterface = "LightStateView";
// The name the page gives its lighting editor.
inline constexpr const char* kLightControlItemName = "LightControlItem";
class ILightStateView {
public:
    virtual ~ILightStateView() = default;
    virtual void SetPageKind(int kind) = 0;
    virtual void SetEffectList(const std::vector<std::string>& names, const std::vector<int>& visible,
                               int maxBrightness, int maxSpeed) = 0;
    // The light state with the effect list's index of its mode code.
    virtual void ShowLightState(const LightState& state, int effectIndex) = 0;
    virtual void ShowLightInfo(const LightInfo& record) = 0;
    // The editor's values over `base`: the bytes it does not show keep theirs.
    virtual LightInfo ReadLightInfo(const LightInfo& base) = 0;
    virtual void SetAudioLightInfo(const AudioLightInfo& record) = 0;
    virtual AudioLightInfo GetAudioLightInfo() = 0;
    // The three audio values the device keeps: mode, seven-colour flag, colour type.
    virtual void ShowAudioLightInfo(const std::array<int, 3>& info) = 0;
    virtual std::array<int, 3> ReadAudioLightInfo() = 0;
};

struct ProductProfileFiles;

class CQuorinUSBDevice : public ui::CHorizontalLayoutUI, public ui::CNotifyPump {
public:
    CQuorinUSBDevice();
    ~CQuorinUSBDevice() override;

    std::string GetClass() const override { return "QuorinUSBDevice"; }
    void* GetInterface(std::string_view name) override;

    // --- Set up by the main window at page creation, in this order -----------------------
    // The manager the page lives in and the callback that builds its custom controls.
    void AttachPaintManager(ui::CPaintManagerUI* manager, ui::IDialogBuilderCallback* callback);
    void SetDeviceName(const std::string& name) { deviceName_ = name; }
    const std::string& GetDeviceName() const { return deviceName_; }
    void SetMainWindow(HWND hwnd) { mainWindow_ = hwnd; }
    HWND GetMainWindow() const { return mainWindow_; }
    // The four per-device table sizes: page keys, page LEDs, and two product values.
    void SetTableSizes(const std::array<int, 4>& sizes);
    const std::array<int, 4>& GetTableSizes() const { return tableSizes_; }
    void SetDeviceIndex(int index) { deviceIndex_ = index; }
    int GetDeviceIndex() const { return deviceIndex_; }
    // The per-user data root (default: the program's user data folder) and the product's
    // sub-folder name ("Keyboard", "Mouse", "MousePad", "Headset").
    void SetFolderStrings(const std::string& dataRoot, const std::string& deviceFolderName);
    void SetPowerControl(ui::CControlUI* control) { powerControl_ = control; }
    ui::CControlUI* GetPowerControl() const { return powerControl_; }
    // The supported-device row (slot record) the object serves; copies kind and role.
    void SetAttachedRow(const DeviceMatchEntry& row);
    const DeviceMatchEntry& GetAttachedRow() const { return attachedRow_; }
    void SetTypeCode(int code) { typeCode_ = code; }
    int GetTypeCode() const { return typeCode_; }
    // Name of the product's light library (user-made effects, "<name>.config").
    void SetLightControlName(const std::string& name) { lightControlName_ = name; }
    // Page lists, lighting editor, profile control and data folder; after the page's
    // children exist.
    void FinishInit();
    // The page's profile control ("DeviceProfileItem"); null when the page has none.
    CDeviceProfileUI* ProfileControl() const { return profileList_; }

    // --- Connect and disconnect (UI thread) ------------------------------------------------
    // True when `row` is the row this object serves, or, for a receiver row with a twin, its
    // twin is (a product through its receiver shares the page of its cable form).
    bool ServesRow(const DeviceMatchEntry& row, const DeviceTable& table) const;
    // Opens the path on the cable (first) or wireless (second) collection of the channel.
    bool OpenCommandCollection(const std::string& path, bool wireless);
    // Marks the channel open or closed.
    void SetOpen(bool open) { commandChannel_.SetConnected(open); }
    bool IsOpen() const { return commandChannel_.IsConnected(); }
    // 1 cable, 2 receiver: the channel's mode.
    void SetLinkState(int mode) { commandChannel_.SetMode(mode); }
    bool IsWirelessMode() const { return commandChannel_.IsWirelessMode(); }
    // The whole connect step for a command row: open the path in the row's mode, mark open,
    // set the mode and the row. False (nothing changed) when the path does not open.
    bool AttachCommandCollection(const DeviceMatchEntry& row);
    // The command collection went away: clear connected, close both collections and stop the
    // tab's timers. When the product is still reachable through `twin` (present, with a
    // path), open that one, switch the channel to its mode and arm the tab's attach step;
    // returns true then. Hiding the tab is the main window's (it owns the strip).
    bool DetachCommandCollection(const DeviceMatchEntry* twin);
    void CloseCommandCollection() { commandChannel_.Detach(); }

    // Consumer collections: kind 1/2/3/7 (cable) or 9/6 (receiver).
    bool OpenEventCollection(const std::string& path, DeviceKind kind);
    bool ReopenEventCollection(const std::string& path, DeviceKind kind);
    void CloseEventCollection(DeviceKind kind);
    bool IsEventCollectionOpen(DeviceKind kind) const;
    // Consumer reports decoded and handled on the collection of `kind` since it was opened.
    std::uint64_t ReportsHandled(DeviceKind kind) const { return eventCollections_.ReportsHandled(kind); }

    // --- State other parts read or set ------------------------------------------------------
    void SetDeviceTab(CDeviceOptionUI* tab) { deviceTab_ = tab; }
    CDeviceOptionUI* GetDeviceTab() const { return deviceTab_; }
    DeviceKind GetKind() const { return kind_; }
    int GetRole() const { return role_; }
    void SetKindAndRole(DeviceKind kind, int role) { kind_ = kind; role_ = role; }
    const std::string& GetProfileFileStem() const { return profileFileStem_; }
    void SetProfileFileStem(const std::string& stem) { profileFileStem_ = stem; }
    const std::string& GetDeviceFolderName() const { return deviceFolderName_; }
    // Data root + device folder name + "/", created when missing; empty when it cannot be.
    std::string GetDataFolder() const;
    // Data folder + profile file stem + ".Json".
    std::string GetProfilePath() const;
    // Lighting control by the host; on a cable keyboard switching it on tells the device.
    void SetHostLighting(bool on);
    bool GetHostLighting() const { return hostLighting_; }
    void SetDisplayRefresh(bool on) { displayRefresh_ = on; }
    bool GetDisplayRefresh() const { return displayRefresh_; }
    void SetMainWindowHidden(bool hidden) { mainWindowHidden_ = hidden; }
    bool IsMainWindowHidden() const { return mainWindowHidden_; }
    // UI thread: whether the page's colours are on screen (tab selected, window shown,
    // display refresh on). The light thread previews only while the page is shown or the
    // device takes the stream's frames.
    void SetPageShown(bool shown);
    bool IsPageShown() const { return pageShown_.load(); }
    // Whether the device shows the colour stream's frames now: host lighting on, connected,
    // and what the product needs besides (by cable; the keyboard only in its host-rendered
    // modes).
    virtual bool TakesStreamFrames() const;
    // Ends the light thread's sleep: something it waits for may have changed.
    void WakeLightThread() { lightWake_.Set(); }
    // Whether the tab runs the power query (timer 1005) for this product.
    bool ReportsPowerStatus() const { return reportsPowerStatus_; }
    CDeviceChannel& CommandChannel() { return commandChannel_; }
    const std::array<std::uint8_t, kDeviceInfoSize>& DeviceInformation() const { return deviceInfo_; }
    LightState GetLightState() const;
    std::size_t PageColourCount() const;
    std::vector<Rgba> PageColours() const;
    const std::vector<ui::CControlUI*>& KeyButtons() const { return keyButtons_; }
    const std::vector<ui::CControlUI*>& LightButtons() const { return lightButtons_; }
    // UI thread: shows the page colours on the light buttons (from the colour-stream timer).
    void RefreshLightButtons();
    // What the sync threads ask of the UI thread. They only post; the tab takes the requests
    // on its next stream tick, arms the settings read-back (timer 1002) itself and hands the
    // rest to HandleDeviceRequests, so no page work ever runs on a sync thread.
    enum DeviceRequest : unsigned {
        kRequestSettingsReload = 1u << 0,    // the device changed its settings
        kRequestProfileListReset = 1u << 1,  // ... and the read-back resets the profile list first
        kRequestLightPageReload = 1u << 2,   // the device switched its active record
    };
    // The first request of a batch also wakes the tab's stream timer through the main window
    // (WM_DEVICE_WAKE), so the timer need not run just to look for requests.
    void PostDeviceRequest(unsigned requests);
    unsigned TakeDeviceRequests() { return pendingRequests_.exchange(0); }
    // How long after a sync request the tab reads the settings back.
    virtual std::uint32_t SettingsReloadDelayMs() const { return kDefaultSettingsReloadDelayMs; }
    // UI thread: the requests taken, the settings read-back aside.
    virtual void HandleDeviceRequests(unsigned requests);
    static constexpr std::uint32_t kDefaultSettingsReloadDelayMs = 50;
    // Consumer usages by which a device says the user changed it on the device itself.
    static constexpr std::uint16_t kUsageSettingsChanged = 0x401;
    static constexpr std::uint16_t kUsageProfileChanged = 0x402;

    // --- Light thread and sync threads -----------------------------------------------------
    bool StartLightThread();
    void StopLightThread();
    bool IsLightThreadRunning() const { return lightThread_.Running(); }
    // Preview steps the light thread has run since the object was made.
    std::uint64_t PreviewSteps() const { return previewSteps_.load(); }

    // --- The device operations, in their fixed order ---------------------------------------
    virtual void InitPage();
    virtual void RefreshPage() {}
    virtual void PreviewBreathe();
    virtual void PreviewBreatheFourColours();
    virtual void PreviewStatic();
    virtual void PreviewSpectrum();
    virtual void PreviewFlash();
    virtual void PreviewFlashFourColours();
    virtual void PreviewOff();
    virtual int BuildStreamFrame();
    virtual void SetLedColour(std::size_t index, Rgba colour);
    virtual Rgba GetLedColour(std::size_t index) const;
    virtual int OnAttached() { return 0; }
    virtual int ReloadSettings() { return 0; }
    // The tab's deferred steps after the settings read-back (timers 1003 and 1004).
    virtual int SecondDeferredStep() { return 0; }
    virtual int ThirdDeferredStep() { return 0; }
    virtual int ReadPowerStatus() { return 0; }
    virtual bool IsWirelessLinkUp() { return false; }
    virtual int LoadKeyPage() { return 0; }
    virtual int LoadLightPage() { return 0; }
    virtual int ValidateMacroKeys() { return 0; }
    virtual int LoadProfile() { return 0; }
    virtual std::vector<int> CollectUsedMacros() { return {}; }
    // The device's light-mode code of each entry of the page's effect list.
    const std::vector<int>& ModeCodes() const { return modeCodes_; }
    // The profile data holding the page keys' assignments; null for a device without keys.
    virtual CBasicProfiledata* KeyProfileData() { return nullptr; }
    // The factory code of each page key, in page key order.
    virtual std::span<const KeyCode> PageKeyDefaults() const { return {}; }
    // The key editor's device mode: 1 hides the functions only a mouse has.
    virtual int KeyEditorMode() const { return 0; }
    virtual int ApplyKeys(std::span<const std::uint32_t> /*assignments*/) { return 0; }
    virtual int ApplyProfileKeys() { return 0; }
    virtual int ApplyMacros(std::span<const int> /*macroNumbers*/) { return 0; }
    virtual int ApplySettings(int /*recordIndex*/, int /*recordByte0*/, int /*value1*/, int /*value2*/,
                              int /*value3*/) {
        return 0;
    }
    virtual int LoadPageLists() { return 0; }
    virtual void SetKeyMap(const std::map<int, std::uint8_t>& map);
    virtual void PreviewWaveStep(bool leftToRight);
    virtual void PreviewMarkRow();
    virtual void PreviewRotateRow(bool left);
    virtual void ClearPreviewBuffers();
    virtual void SetFunctionPage(int page);
    virtual int GetFunctionPage() const { return functionPage_; }
    virtual int LoadProfileFile() { return 0; }
    // The name edit of the profile list; empty without one.
    virtual std::string GetProfileName() const;
    virtual void NotifyProfileChanged() {}
    virtual void SetActiveProfileIndex(int index) { activeProfileIndex_ = index; }
    virtual int GetActiveProfileIndex() const { return activeProfileIndex_; }
    virtual void SetLightState(std::uint32_t w0, std::uint32_t w1, std::uint32_t w2, std::uint32_t w3);
    virtual void SetAudioLightInfo(int mode, int value2, int value3);
    virtual std::array<int, 3> GetAudioLightInfo();
    virtual void SelectListItem(int index) { selectedListItem_ = index; }
    virtual int FeedAudioLevels(std::span<const std::uint8_t> /*levels*/, int /*count*/) { return 0; }
    // The page's lighting editor changed (UI thread): take its values into the profile and
    // the preview; the device write follows with ApplyLightToDevice.
    virtual int TakeLightEdit() { return 0; }
    virtual int ApplyLightToDevice() { return 0; }
    ui::CControlUI* LightControl() const { return lightControl_; }
    // One effect on every device: while set, the engine's colour replaces the previews.
    void SetSyncLighting(bool on) { syncLighting_ = on; }
    bool IsSyncLighting() const { return syncLighting_.load(); }
    // Engine thread: red | green << 8 | blue << 16 | brightness << 24, for every LED.
    virtual void TakeSyncColour(std::uint32_t packed);
    // UI thread: the device is told to show what the program sends (on) or its own lighting
    // again (off). Products that always take the stream have nothing to write.
    virtual int ApplySyncLighting(bool /*on*/) { return kResultOk; }
    // Keys selected on the page take a colour where the product keeps one per key.
    virtual int PaintSelectedKeys(DWORD /*argb*/) { return 0; }
    // Product values kept by the device object (the keyboard keeps up to six).
    virtual int StoreProductValues(std::span<const int> /*values*/) { return 0; }

protected:
    // A consumer report's first usage, on the sync thread of `kind`. Default: 0x401 asks for
    // a settings read-back, 0x402 also for a profile list reset; other usages (volume keys
    // and the like) cause nothing.
    virtual void OnConsumerUsage(DeviceKind kind, std::uint16_t usage);
    // Trace written when the light thread ends.
    virtual const char* LightThreadExitTrace() const { return "USB灯光线程设定退出"; }
    // The preview step of a mode code and its speed-table row; false for a mode without one.
    using PreviewStep = void (CQuorinUSBDevice::*)();
    static constexpr int kFlashSpeedRow = 23;
    virtual bool PreviewFor(int modeCode, PreviewStep& step, int& speedRow) const;
    // The end of FinishInit: a product connects its page's editors (profile list first).
    virtual void SetUpPageEditors() {}
    // Every product's destructor calls this first: the threads call virtual operations.
    void StopDeviceThreads();
    // Caller holds the colour lock.
    void FillPageColours(Rgba colour);
    // Runs `paint(pageColours, lightState)` under the colour lock and marks the colours for
    // the page's next repaint.
    template <class Paint>
    void PaintPageColours(Paint&& paint) {
        std::lock_guard lock(colourLock_);
        paint(std::span<Rgba>(pageColours_), static_cast<const LightState&>(lightState_));
        coloursChanged_ = true;
    }
    // Caller holds the colour lock and has changed the page colours itself.
    void MarkPageColoursChanged() { coloursChanged_ = true; }
    // One colour-stream frame, once BuildStreamFrame found it due. By cable only: the page
    // colours at their page index as LED index (170 and above left out), scaled by alpha.
    virtual int SendStreamFrame();

    // Helpers for the products.
    bool QueryWirelessLinkOfChannel();
    int ReadAndSendPowerStatus();
    void SetReportsPowerStatus(bool reports) { reportsPowerStatus_ = reports; }
    void SetDeviceFolderName(const std::string& name) { deviceFolderName_ = name; }
    void SetStreamFailurePause(std::uint32_t ms) { streamFailurePauseMs_ = ms; }
    // The page-key to LED-index map the colour stream uses (under the key-map lock).
    void SetLedIndexMap(const std::map<int, std::uint8_t>& map);
    void ShowLightStateInEditor();
    ILightStateView* LightStateView() const;
    // The effect list's index of a device mode code: the first effect with that code; a code
    // no effect has (or a page without a code list) passes through.
    virtual int EffectIndexOf(int modeCode) const;
    // The page editors of a product: the lighting editor's kind and effect names, the macro
    // editor's folder (on a page with one), the profile list's paths; then the current
    // profile is loaded.
    void SetUpDevicePage(DeviceKind pageKind, const ProductProfileFiles& files);
    // The page's effects: each one's device code and whether it is offered, from the built-in
    // effect names of the product's slot in "default_light.json". Returns their count.
    int LoadEffectCodes(int lightNameSlot);
    // The current profile's document; empty without a profile list.
    std::string ProfileDocumentPath() const;
    // The events of the library's macros `macroNumbers` (numbers the library lacks are left out).
    std::vector<MacroEventList> ReadMacroEventLists(std::span<const int> macroNumbers);
    // Loads the current profile's document into `profile`; false without one.
    bool LoadCurrentProfile(CBasicProfiledata& profile);
    // The preview state of a light record, its effect index taken to the device's code.
    void ShowLightRecord(const LightInfo& info);

    std::vector<int> modeCodes_;
    std::vector<int> modeVisible_;

    CDeviceChannel commandChannel_;
    EventCollections eventCollections_;
    std::array<std::uint8_t, kDeviceInfoSize> deviceInfo_{};
    ui::CControlUI* lightControl_ = nullptr;
    CDeviceProfileUI* profileList_ = nullptr;
    ui::CControlUI* powerControl_ = nullptr;
    CDeviceOptionUI* deviceTab_ = nullptr;
    HWND mainWindow_ = nullptr;
    std::string deviceName_;
    std::string profileFileStem_;
    std::string deviceFolderName_;
    std::string dataRoot_;
    std::string lightControlName_;
    DeviceMatchEntry attachedRow_;
    DeviceKind kind_ = DeviceKind::None;
    int role_ = -1;
    int deviceIndex_ = -1;
    int selectedListItem_ = -1;
    int functionPage_ = 1;
    int typeCode_ = -1;
    std::array<int, 4> tableSizes_{};
    std::vector<ui::CControlUI*> keyButtons_;
    std::vector<ui::CControlUI*> lightButtons_;
    std::map<int, std::uint8_t> keyPositionMap_;
    std::map<int, std::uint8_t> keyLedMap_;
    std::map<int, std::uint8_t> handedKeyMap_;  // page key -> byte, replaced whole by SetKeyMap
    std::vector<Rgba> pageColours_;
    Json::Value profileDocuments_[3];
    mutable std::mutex colourLock_;  // page colours, light state, preview state
    mutable std::mutex keyMapLock_;  // the three key maps
    LightState lightState_;
    std::array<int, 3> audioLightInfo_{};
    std::atomic<bool> hostLighting_{true};
    std::atomic<bool> displayRefresh_{true};
    std::atomic<bool> mainWindowHidden_{false};
    std::atomic<bool> syncLighting_{false};
    std::atomic<bool> pageShown_{false};
    ColourImage lastStreamFrame_{};  // UI thread: the last frame sent, its LED count and time
    std::size_t lastStreamLeds_ = 0;
    std::uint32_t lastStreamAt_ = 0;
    kx58::Event lightWake_{kx58::Event::ResetMode::Auto};
    std::uint8_t previewPosition_ = 0;
    std::uint8_t previewColourIndex_ = 0;
    bool previewToggle_ = false;
    std::uint32_t previewTime_ = 0;
    int activeProfileIndex_ = 0;
    std::array<std::uint8_t, kPreviewLedCount> previewLeds_{};
    std::array<std::uint8_t, kPreviewGridColumns> previewRow_{};

    // The main window, which builds the custom controls of trees the page adds later.
    ui::IDialogBuilderCallback* BuilderCallback() const { return builderCallback_; }

private:
    void LightThreadBody(kx58::Event& exitEvent);
    // Runs the mode's preview step when due; returns how long to wait for the next one.
    std::uint32_t RunPreviewTick(std::uint32_t& lastStep);
    // Flash previews: toggles the phase when its time is up (colour lock held).
    bool FlashPhaseChanged();
    ui::IDialogBuilderCallback* builderCallback_ = nullptr;
    bool reportsPowerStatus_ = false;
    std::uint32_t streamFailurePauseMs_ = 200;
    std::atomic<unsigned> pendingRequests_{0};
    std::atomic<std::uint64_t> previewSteps_{0};
    std::atomic<bool> coloursChanged_{false};
    // UI thread: after a failed frame none is sent until the pause has passed.
    bool streamPaused_ = false;
    std::uint32_t streamFailedAt_ = 0;
    TracedThread lightThread_;
};

// Registers the four product classes and the device tab with the control factory.
void RegisterDeviceControls();

}  // namespace kx58
