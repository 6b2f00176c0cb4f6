#include "device/quorin_usb_device.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "device/protocol/command_report.h"
#include "device/device_option_ui.h"
#include "device/device_page_controls.h"
#include "profile/default_light_names.h"
#include "profile/macro_files.h"
#include "profile/device_profile_ui.h"
#include "device/protocol/power_status.h"
#include "device/preview_tables.h"
#include "device/product_profiles.h"
#include "platform/debug_trace.h"
#include "platform/folders.h"
#include "platform/message_queue.h"
#include "platform/tick.h"
#include "uikit/container.h"

namespace kx58 {
namespace {

// Numbers in control names beyond this are taken as a skin mistake, not as an index.
constexpr int kMaxPageIndex = 1024;
// Light thread: length of a preview tick, and its waits while idle or without a preview.
constexpr std::uint32_t kPreviewTickMs = 2;
constexpr std::uint32_t kIdleWaitMs = 100;
// Nobody takes the previews: woken by the page being shown or host lighting coming on, and
// once a second for what wakes nobody (a connection made, a mode changed by the device).
constexpr std::uint32_t kUnusedWaitMs = 1000;
// The stream and the page take the colours on the 100 ms tick grid: the thread wakes just
// before each of their ticks rather than at every step of a fast effect.
constexpr std::uint32_t kConsumerTickMs = 100;
constexpr std::uint32_t kAheadOfConsumerMs = 5;
constexpr std::uint32_t kUnchangedStreamFrameMs = 1000;
constexpr std::uint32_t kNoPreviewWaitMs = 50;
constexpr std::uint32_t kMaxCatchUpMs = 2000;

Rgba ToRgba(const PreviewColour& colour, std::uint8_t alpha) { return {colour.red, colour.green, colour.blue, alpha}; }

// The number after the last '_' of `name` when it starts with `prefix`; -1 otherwise.
int NumberedIndex(const std::string& name, std::string_view prefix) {
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) return -1;
    const std::size_t underscore = name.rfind('_');
    const char* first = name.data() + underscore + 1;
    const char* last = name.data() + name.size();
    int value = -1;
    const auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc() || end != last || value < 0 || value >= kMaxPageIndex) return -1;
    return value;
}

void StoreAt(std::vector<ui::CControlUI*>& list, int index, ui::CControlUI* control) {
    const auto at = static_cast<std::size_t>(index);
    if (list.size() <= at) list.resize(at + 1, nullptr);
    list[at] = control;
}

bool IsKeyButtonClass(const std::string& cls) { return cls == "DeviceKeyButton" || cls == "DeviceKeyButtonUI"; }

bool SameProduct(const DeviceMatchEntry& a, const DeviceMatchEntry& b) {
    return a.vendorId == b.vendorId && a.productId == b.productId;
}

ui::CControlUI* FindInTree(ui::CControlUI* root, const std::string& name) {
    return root->FindControl([&name](ui::CControlUI* c) { return c->GetName() == name; }, ui::UIFIND_ALL);
}

}  // namespace

LightState LightState::FromWords(std::uint32_t w0, std::uint32_t w1, std::uint32_t w2, std::uint32_t w3) {
    const std::uint32_t words[4] = {w0, w1, w2, w3};
    std::uint8_t bytes[sizeof(LightState)];
    for (std::size_t i = 0; i < sizeof bytes; ++i) bytes[i] = static_cast<std::uint8_t>(words[i / 4] >> (8 * (i % 4)));
    LightState state;
    std::memcpy(&state, bytes, sizeof state);  // all bytes, in declaration order
    return state;
}

std::array<std::uint32_t, 4> LightState::ToWords() const {
    std::uint8_t bytes[sizeof(LightState)];
    std::memcpy(bytes, this, sizeof bytes);
    std::array<std::uint32_t, 4> words{};
    for (std::size_t i = 0; i < sizeof bytes; ++i) words[i / 4] |= std::uint32_t{bytes[i]} << (8 * (i % 4));
    return words;
}

CQuorinUSBDevice::CQuorinUSBDevice() = default;

CQuorinUSBDevice::~CQuorinUSBDevice() {
    StopDeviceThreads();
    if (deviceTab_ && deviceTab_->GetDevice() == this) {
        deviceTab_->StopAllTimers();
        deviceTab_->SetDevice(nullptr);
    }
}

void CQuorinUSBDevice::StopDeviceThreads() {
    eventCollections_.CloseAll();
    // The light thread uses this object: it gets more bounded rounds rather than outlive it.
    for (int round = 0; round < kFinalStopRounds; ++round)
        if (lightThread_.Stop(kLightThreadStopMs) != ThreadStopOutcome::TimedOut) break;
}

void* CQuorinUSBDevice::GetInterface(std::string_view name) {
    if (name == "QuorinUSBDevice") return this;
    return CHorizontalLayoutUI::GetInterface(name);
}

void CQuorinUSBDevice::AttachPaintManager(ui::CPaintManagerUI* manager, ui::IDialogBuilderCallback* callback) {
    builderCallback_ = callback;
    SetManager(manager, GetParent(), false);
}

void CQuorinUSBDevice::SetTableSizes(const std::array<int, 4>& sizes) {
    tableSizes_ = sizes;
    std::lock_guard lock(colourLock_);
    pageColours_.assign(static_cast<std::size_t>(std::clamp(sizes[0], 0, kMaxPageIndex)), Rgba{0, 0, 0, 0});
}

void CQuorinUSBDevice::SetFolderStrings(const std::string& dataRoot, const std::string& deviceFolderName) {
    dataRoot_ = dataRoot;
    if (!deviceFolderName.empty()) deviceFolderName_ = deviceFolderName;
}

void CQuorinUSBDevice::SetAttachedRow(const DeviceMatchEntry& row) {
    attachedRow_ = row;
    kind_ = row.kind;
    role_ = row.role;
}

void CQuorinUSBDevice::FinishInit() {
    InitPage();
    LoadPageLists();
    lightControl_ = FindInTree(this, kLightControlItemName);
    ui::CControlUI* profile = FindControl([](ui::CControlUI* c) { return c->GetInterface("DeviceProfile") != nullptr; },
                                          ui::UIFIND_ALL);
    profileList_ = profile ? static_cast<CDeviceProfileUI*>(profile->GetInterface("DeviceProfile")) : nullptr;
    if (GetDataFolder().empty()) DebugTraceF("device data folder for '%s' cannot be created", deviceFolderName_.c_str());
    SetUpPageEditors();
}

bool CQuorinUSBDevice::ServesRow(const DeviceMatchEntry& row, const DeviceTable& table) const {
    if (attachedRow_.vendorId == 0 && attachedRow_.productId == 0) return false;
    if (SameProduct(attachedRow_, row)) return true;
    if (row.hasTwin && row.twinRow < table.size() && SameProduct(attachedRow_, table[row.twinRow])) return true;
    return attachedRow_.hasTwin && attachedRow_.twinRow < table.size() && SameProduct(table[attachedRow_.twinRow], row);
}

bool CQuorinUSBDevice::OpenCommandCollection(const std::string& path, bool wireless) {
    std::lock_guard lock(commandChannel_.IoLock());
    CHidDevice& hid = wireless ? commandChannel_.WirelessCollection() : commandChannel_.CableCollection();
    return hid.Open(path, true, true, true, false);
}

bool CQuorinUSBDevice::AttachCommandCollection(const DeviceMatchEntry& row) {
    const int mode = IsReceiver(row.kind) ? kChannelModeWireless : kChannelModeCable;
    if (!commandChannel_.Attach(row.path, mode)) return false;
    SetAttachedRow(row);
    return true;
}

bool CQuorinUSBDevice::DetachCommandCollection(const DeviceMatchEntry* twin) {
    commandChannel_.Detach();
    if (deviceTab_) deviceTab_->StopAllTimers();
    if (!twin || twin->present == 0 || twin->path.empty()) return false;
    if (!AttachCommandCollection(*twin)) return false;
    DebugTraceF("device switched to its %s connection", IsReceiver(twin->kind) ? "2.4G" : "cable");
    if (deviceTab_ && IsReceiver(twin->kind)) deviceTab_->StartSwitchLinkWait();
    else if (deviceTab_) deviceTab_->StartAttach();
    return true;
}

bool CQuorinUSBDevice::OpenEventCollection(const std::string& path, DeviceKind kind) {
    return eventCollections_.Open(path, kind, [this](DeviceKind k, std::uint16_t usage) { OnConsumerUsage(k, usage); });
}

bool CQuorinUSBDevice::ReopenEventCollection(const std::string& path, DeviceKind kind) {
    eventCollections_.Close(kind);
    return OpenEventCollection(path, kind);
}

void CQuorinUSBDevice::CloseEventCollection(DeviceKind kind) { eventCollections_.Close(kind); }

bool CQuorinUSBDevice::IsEventCollectionOpen(DeviceKind kind) const { return eventCollections_.IsOpen(kind); }

void CQuorinUSBDevice::OnConsumerUsage(DeviceKind /*kind*/, std::uint16_t usage) {
    if (usage != kUsageSettingsChanged && usage != kUsageProfileChanged) return;
    DebugTrace("接收到自动添加设备的同步信息要求");
    PostDeviceRequest(kRequestSettingsReload | (usage == kUsageProfileChanged ? kRequestProfileListReset : 0u));
}

void CQuorinUSBDevice::HandleDeviceRequests(unsigned requests) {
    if (requests & kRequestLightPageReload) LoadLightPage();
}

std::string CQuorinUSBDevice::GetDataFolder() const {
    std::string root = dataRoot_.empty() ? Folders::UserData() : dataRoot_;
    if (root.empty()) return {};
    if (root.back() != '/') root += '/';
    const std::string folder = root + deviceFolderName_ + "/";
    return CreateFolders(folder) ? folder : std::string();
}

std::string CQuorinUSBDevice::GetProfilePath() const {
    const std::string folder = GetDataFolder();
    return folder.empty() ? std::string() : folder + profileFileStem_ + ".Json";
}

void CQuorinUSBDevice::SetHostLighting(bool on) {
    hostLighting_ = on;
    if (on && kind_ == DeviceKind::KeyboardWired) commandChannel_.EnableHostLighting();
    if (on) WakeLightThread();
}

void CQuorinUSBDevice::SetPageShown(bool shown) {
    if (pageShown_.exchange(shown) != shown && shown) WakeLightThread();
}

bool CQuorinUSBDevice::TakesStreamFrames() const {
    return hostLighting_ && commandChannel_.IsConnected() && !commandChannel_.IsWirelessMode();
}

void CQuorinUSBDevice::PostDeviceRequest(unsigned requests) {
    if (pendingRequests_.fetch_or(requests) == 0 && mainWindow_)
        PostMessage(mainWindow_, WM_DEVICE_WAKE, static_cast<WPARAM>(deviceIndex_), 0);
}

LightState CQuorinUSBDevice::GetLightState() const {
    std::lock_guard lock(colourLock_);
    return lightState_;
}

std::size_t CQuorinUSBDevice::PageColourCount() const {
    std::lock_guard lock(colourLock_);
    return pageColours_.size();
}

std::vector<Rgba> CQuorinUSBDevice::PageColours() const {
    std::lock_guard lock(colourLock_);
    return pageColours_;
}

void CQuorinUSBDevice::SetLedIndexMap(const std::map<int, std::uint8_t>& map) {
    std::lock_guard lock(keyMapLock_);
    keyLedMap_ = map;
}

void CQuorinUSBDevice::RefreshLightButtons() {
    if (!coloursChanged_.exchange(false)) return;
    const std::vector<Rgba> colours = PageColours();
    // A page without LED buttons (the keyboard) shows each page colour on its key.
    const std::vector<ui::CControlUI*>& buttons = lightButtons_.empty() ? keyButtons_ : lightButtons_;
    const std::size_t count = std::min(colours.size(), buttons.size());
    for (std::size_t i = 0; i < count; ++i) {
        if (!buttons[i]) continue;
        const Rgba& c = colours[i];
        if (auto* key = static_cast<CDeviceKeyButtonUI*>(buttons[i]->GetInterface("DeviceKeyButton"))) {
            key->SetLightColour(c.red, c.green, c.blue, c.alpha);
            continue;
        }
        const auto scale = [&c](std::uint8_t v) { return static_cast<DWORD>(v * c.alpha / 255); };
        buttons[i]->SetBkColor(0xFF000000u | scale(c.red) << 16 | scale(c.green) << 8 | scale(c.blue));
    }
}

// --- Page ------------------------------------------------------------------------------------

void CQuorinUSBDevice::InitPage() {
    keyButtons_.clear();
    lightButtons_.clear();
    if (deviceName_.empty()) return;
    // The key picture: the select panel of the page (by class; an older skin names it).
    ui::CControlUI* panel = FindControl(
        [](ui::CControlUI* c) { return c->GetInterface("SelectPanel") != nullptr || c->GetName() == "SelectPanel"; },
        ui::UIFIND_ALL);
    if (!panel) return;
    panel->FindControl(
        [this](ui::CControlUI* c) {
            if (!IsKeyButtonClass(c->GetClass())) return false;
            if (const int key = NumberedIndex(c->GetName(), "key_"); key >= 0) StoreAt(keyButtons_, key, c);
            if (const int light = NumberedIndex(c->GetName(), "light_"); light >= 0) StoreAt(lightButtons_, light, c);
            return false;  // visit every control
        },
        ui::UIFIND_ALL);
}

void CQuorinUSBDevice::SetFunctionPage(int page) {
    functionPage_ = page;
    ui::CControlUI* functionControl = FindInTree(this, "device_function_switch");
    auto* functions = functionControl ? static_cast<ui::CTabLayoutUI*>(functionControl->GetInterface("TabLayout")) : nullptr;
    ui::CControlUI* keyControl = FindInTree(this, "device_key_function_switch");
    auto* keys = keyControl ? static_cast<ui::CTabLayoutUI*>(keyControl->GetInterface("TabLayout")) : nullptr;
    const auto showKeyPanel = [&](int n) {
        if (functions) functions->SelectItem(0);
        if (keys) keys->SelectItem(n);
    };
    const auto showFunctionPanel = [&](int n) {
        if (functions) functions->SelectItem(n);
    };
    switch (page) {
    case 2: case 6: showKeyPanel(1); break;
    case 3: case 8: showFunctionPanel(1); break;
    case 4:  // keyboards and mice, by either connection, have the fourth function panel
        if (CableFormOf(kind_) == DeviceKind::KeyboardWired || CableFormOf(kind_) == DeviceKind::MouseWired) showFunctionPanel(3);
        else showKeyPanel(2);
        break;
    case 7: showKeyPanel(2); break;
    case 5: showFunctionPanel(2); break;
    default: showKeyPanel(0); break;
    }
}

void CQuorinUSBDevice::SetKeyMap(const std::map<int, std::uint8_t>& map) {
    std::lock_guard lock(keyMapLock_);
    handedKeyMap_ = map;
}

// --- Light state and the lighting editor ------------------------------------------------------

ILightStateView* CQuorinUSBDevice::LightStateView() const {
    return lightControl_ ? static_cast<ILightStateView*>(lightControl_->GetInterface(kLightStateViewInterface)) : nullptr;
}

void CQuorinUSBDevice::ShowLightStateInEditor() {
    const LightState state = GetLightState();
    if (ILightStateView* view = LightStateView()) view->ShowLightState(state, EffectIndexOf(state.modeCode));
}

void CQuorinUSBDevice::SetLightState(std::uint32_t w0, std::uint32_t w1, std::uint32_t w2, std::uint32_t w3) {
    {
        std::lock_guard lock(colourLock_);
        lightState_ = LightState::FromWords(w0, w1, w2, w3);
    }
    WakeLightThread();
    if (deviceTab_) deviceTab_->WakeStream();  // a host-rendered mode streams
    ShowLightStateInEditor();
}

void CQuorinUSBDevice::SetAudioLightInfo(int mode, int value2, int value3) {
    audioLightInfo_ = {mode, value2, value3};
    if (ILightStateView* view = LightStateView()) view->ShowAudioLightInfo(audioLightInfo_);
}

std::array<int, 3> CQuorinUSBDevice::GetAudioLightInfo() {
    if (ILightStateView* view = LightStateView()) audioLightInfo_ = view->ReadAudioLightInfo();
    return audioLightInfo_;
}

// --- Page colours -----------------------------------------------------------------------------

void CQuorinUSBDevice::SetLedColour(std::size_t index, Rgba colour) {
    std::lock_guard lock(colourLock_);
    if (index >= pageColours_.size()) return;
    pageColours_[index] = colour;
    coloursChanged_ = true;
}

Rgba CQuorinUSBDevice::GetLedColour(std::size_t index) const {
    std::lock_guard lock(colourLock_);
    return index < pageColours_.size() ? pageColours_[index] : Rgba{0, 0, 0, 0};
}

void CQuorinUSBDevice::FillPageColours(Rgba colour) {
    std::fill(pageColours_.begin(), pageColours_.end(), colour);
    coloursChanged_ = true;
}

void CQuorinUSBDevice::TakeSyncColour(std::uint32_t packed) {
    const Rgba colour{static_cast<std::uint8_t>(packed), static_cast<std::uint8_t>(packed >> 8),
                      static_cast<std::uint8_t>(packed >> 16), static_cast<std::uint8_t>(packed >> 24)};
    std::lock_guard lock(colourLock_);
    FillPageColours(colour);
}

int CQuorinUSBDevice::BuildStreamFrame() {
    if (!hostLighting_ || !commandChannel_.IsConnected()) return kResultFailed;
    const std::uint32_t now = TickCount();
    if (streamPaused_ && now - streamFailedAt_ < streamFailurePauseMs_) return kResultOk;
    streamPaused_ = false;
    const int result = SendStreamFrame();
    if (result != kResultOk) {
        // Waits out the pause before the next frame instead of blocking the UI thread.
        streamPaused_ = true;
        streamFailedAt_ = now;
    }
    return result;
}

int CQuorinUSBDevice::SendStreamFrame() {
    if (commandChannel_.IsWirelessMode()) return kResultOk;  // the receiver cannot carry the stream
    ColourImage frame{};
    std::size_t leds = 0;
    {
        std::lock_guard lock(colourLock_);
        leds = std::min(pageColours_.size(), kLedIndexLimit);
        for (std::size_t led = 0; led < leds; ++led) {
            const Rgba& c = pageColours_[led];
            frame[led * 3] = static_cast<std::uint8_t>(c.red * c.alpha >> 8);
            frame[led * 3 + 1] = static_cast<std::uint8_t>(c.green * c.alpha >> 8);
            frame[led * 3 + 2] = static_cast<std::uint8_t>(c.blue * c.alpha >> 8);
        }
    }
    if (leds == 0) return kResultOk;
    // The LEDs keep what they were given: a frame that changes nothing goes out once a second.
    const std::uint32_t now = TickCount();
    if (frame == lastStreamFrame_ && leds == lastStreamLeds_ && now - lastStreamAt_ < kUnchangedStreamFrameMs) return kResultOk;
    const int result = commandChannel_.StreamLedColours(std::span(frame).first(leds * 3));
    lastStreamAt_ = now;
    lastStreamLeds_ = result == kResultOk ? leds : 0;  // a failed frame goes out again in full
    lastStreamFrame_ = frame;
    return result;
}

// --- Previews (light thread; each takes the colour lock) ---------------------------------------

void CQuorinUSBDevice::PreviewBreathe() {
    std::lock_guard lock(colourLock_);
    previewPosition_ = static_cast<std::uint8_t>((previewPosition_ + 1) % kBreathingSteps);
    if (previewPosition_ == 0 && lightState_.multiColor)
        previewColourIndex_ = static_cast<std::uint8_t>((previewColourIndex_ + kColourWheelStride) % kColourWheelSize);
    const auto alpha = static_cast<std::uint8_t>(BreathingCurve()[previewPosition_] * BrightnessScale(lightState_.brightness) / 256);
    const PreviewColour colour = lightState_.multiColor ? ColourWheel()[previewColourIndex_ % kColourWheelSize]
                                                        : PreviewColour{lightState_.red, lightState_.green, lightState_.blue};
    FillPageColours(ToRgba(colour, alpha));
}

void CQuorinUSBDevice::PreviewBreatheFourColours() {
    std::lock_guard lock(colourLock_);
    previewPosition_ = static_cast<std::uint8_t>((previewPosition_ + 1) % kBreathingSteps);
    if (previewPosition_ == 0) previewColourIndex_ = static_cast<std::uint8_t>((previewColourIndex_ + 1) % kFixedPreviewColourCount);
    const auto alpha = static_cast<std::uint8_t>(BreathingCurve()[previewPosition_] * BrightnessScale(lightState_.brightness) / 256);
    FillPageColours(ToRgba(FixedPreviewColours()[previewColourIndex_ % kFixedPreviewColourCount], alpha));
}

void CQuorinUSBDevice::PreviewStatic() {
    std::lock_guard lock(colourLock_);
    FillPageColours({lightState_.red, lightState_.green, lightState_.blue, BrightnessScale(lightState_.brightness)});
}

void CQuorinUSBDevice::PreviewSpectrum() {
    std::lock_guard lock(colourLock_);
    previewColourIndex_ = static_cast<std::uint8_t>((previewColourIndex_ + 1) % kColourWheelSize);
    FillPageColours(ToRgba(ColourWheel()[previewColourIndex_], BrightnessScale(lightState_.brightness)));
}

bool CQuorinUSBDevice::FlashPhaseChanged() {
    const std::uint32_t now = TickCount();
    const std::uint32_t phaseMs = SpeedTableValue(kFlashSpeedRow, lightState_.speed) * 200u;
    if (now - previewTime_ < phaseMs) return false;
    previewTime_ = now;
    previewToggle_ = !previewToggle_;
    return true;
}

void CQuorinUSBDevice::PreviewFlash() {
    std::lock_guard lock(colourLock_);
    if (!FlashPhaseChanged()) return;
    previewColourIndex_ = static_cast<std::uint8_t>((previewColourIndex_ + kColourWheelStride) % kColourWheelSize);
    const PreviewColour colour = lightState_.multiColor ? ColourWheel()[previewColourIndex_]
                                                        : PreviewColour{lightState_.red, lightState_.green, lightState_.blue};
    FillPageColours(ToRgba(colour, previewToggle_ ? BrightnessScale(lightState_.brightness) : 0));
}

void CQuorinUSBDevice::PreviewFlashFourColours() {
    std::lock_guard lock(colourLock_);
    if (!FlashPhaseChanged()) return;
    if (previewToggle_) previewColourIndex_ = static_cast<std::uint8_t>((previewColourIndex_ + 1) % kFixedPreviewColourCount);
    const PreviewColour colour = FixedPreviewColours()[previewColourIndex_ % kFixedPreviewColourCount];
    FillPageColours(ToRgba(colour, previewToggle_ ? BrightnessScale(lightState_.brightness) : 0));
}

void CQuorinUSBDevice::PreviewOff() {
    std::lock_guard lock(colourLock_);
    FillPageColours({0, 0, 0, 0});
}

void CQuorinUSBDevice::ClearPreviewBuffers() {
    std::lock_guard lock(colourLock_);
    previewLeds_.fill(0);
    previewRow_.fill(0);
}

void CQuorinUSBDevice::PreviewRotateRow(bool left) {
    std::lock_guard lock(colourLock_);
    if (left) std::rotate(previewRow_.begin(), previewRow_.begin() + 1, previewRow_.end());
    else std::rotate(previewRow_.rbegin(), previewRow_.rbegin() + 1, previewRow_.rend());
}

void CQuorinUSBDevice::PreviewMarkRow() {
    std::lock_guard lock(colourLock_);
    constexpr std::size_t kMarkedColumns = 9;
    for (std::size_t column = 0; column < kMarkedColumns; ++column) {
        if (!previewRow_[column]) continue;
        for (std::size_t row = 0; row < kLedGridRows; ++row)
            if (const std::uint8_t led = LedGridCell(column, row); IsLedGridLed(led)) previewLeds_[led] = 0xFF;
    }
}

void CQuorinUSBDevice::PreviewWaveStep(bool leftToRight) {
    std::scoped_lock lock(keyMapLock_, colourLock_);
    // The wave front enters at one edge; each cell fades as the front moves on.
    if (leftToRight) std::rotate(previewRow_.rbegin(), previewRow_.rbegin() + 1, previewRow_.rend());
    else std::rotate(previewRow_.begin(), previewRow_.begin() + 1, previewRow_.end());
    previewPosition_ = static_cast<std::uint8_t>((previewPosition_ + 1) % kBreathingSteps);
    previewRow_[leftToRight ? 0 : kLedGridColumns - 1] = BreathingCurve()[previewPosition_];
    for (std::size_t column = 0; column < kLedGridColumns; ++column)
        for (std::size_t row = 0; row < kLedGridRows; ++row)
            if (const std::uint8_t led = LedGridCell(column, row); IsLedGridLed(led)) previewLeds_[led] = previewRow_[column];
    const std::uint8_t brightness = BrightnessScale(lightState_.brightness);
    for (const auto& [pageKey, led] : keyLedMap_) {
        if (pageKey < 0 || static_cast<std::size_t>(pageKey) >= pageColours_.size() || led >= kPreviewLedCount) continue;
        const PreviewColour colour = ColourWheel()[(std::size_t{led} + previewColourIndex_) % kColourWheelSize];
        pageColours_[static_cast<std::size_t>(pageKey)] = ToRgba(colour, static_cast<std::uint8_t>(previewLeds_[led] * brightness / 255));
    }
    coloursChanged_ = true;
}

// --- Light thread ------------------------------------------------------------------------------

bool CQuorinUSBDevice::PreviewFor(int modeCode, PreviewStep& step, int& speedRow) const {
    struct Entry {
        int mode;
        PreviewStep step;
        int row;
    };
    static constexpr Entry kEntries[] = {
        {4, &CQuorinUSBDevice::PreviewSpectrum, 4},
        {5, &CQuorinUSBDevice::PreviewBreathe, 5},
        {6, &CQuorinUSBDevice::PreviewStatic, 6},
        {23, &CQuorinUSBDevice::PreviewFlash, kFlashSpeedRow},
        {26, &CQuorinUSBDevice::PreviewBreatheFourColours, 5},
        {27, &CQuorinUSBDevice::PreviewFlashFourColours, kFlashSpeedRow},
        {28, &CQuorinUSBDevice::PreviewOff, 28},
    };
    for (const Entry& entry : kEntries) {
        if (entry.mode != modeCode) continue;
        step = entry.step;
        speedRow = entry.row;
        return true;
    }
    return false;
}

bool CQuorinUSBDevice::StartLightThread() {
    if (lightThread_.Running()) return true;
    return lightThread_.Start(GetClass() + " light", [this](kx58::Event& exitEvent) { LightThreadBody(exitEvent); });
}

void CQuorinUSBDevice::StopLightThread() { lightThread_.Stop(kLightThreadStopMs); }

void CQuorinUSBDevice::LightThreadBody(kx58::Event& exitEvent) {
    // A preview step is due every speed-table value of ticks of about 2 ms. The thread sleeps
    // until the consumers' tick after the next step instead of waking every millisecond to
    // count ticks, and runs the steps due meanwhile when it wakes. With nobody taking the
    // colours it sleeps until woken.
    std::uint32_t lastStep = TickCount();
    std::uint32_t waitMs = 1;
    while (WaitAny({&exitEvent, &lightWake_}, waitMs) != 0) {
        // While the main window rewrites the device, previews would paint what is being
        // replaced; while the devices show one effect, the engine paints.
        if (commandChannel_.IsRefreshPending() || syncLighting_) {
            waitMs = kIdleWaitMs;
            continue;
        }
        if (!commandChannel_.IsConnected() || (!pageShown_ && !TakesStreamFrames())) {
            waitMs = kUnusedWaitMs;
            continue;
        }
        waitMs = MsToTickGrid(RunPreviewTick(lastStep) + kAheadOfConsumerMs, kConsumerTickMs) - kAheadOfConsumerMs;
    }
    DebugTrace(LightThreadExitTrace());
}

std::uint32_t CQuorinUSBDevice::RunPreviewTick(std::uint32_t& lastStep) {
    int mode, speed;
    {
        std::lock_guard lock(colourLock_);
        mode = lightState_.modeCode;
        speed = lightState_.speed;
    }
    PreviewStep step = nullptr;
    int row = 0;
    const std::uint32_t now = TickCount();
    if (!PreviewFor(mode, step, row)) {
        lastStep = now;
        return kNoPreviewWaitMs;
    }
    const std::uint32_t period = std::max<std::uint32_t>(1, SpeedTableValue(row, speed)) * kPreviewTickMs;
    // Steps keep the table's cadence however late the thread wakes: the ones it missed run
    // now. After a long stall (a loaded machine, a suspend) the cycle starts over instead of
    // racing through it.
    if (now - lastStep > kMaxCatchUpMs) lastStep = now - period;
    while (now - lastStep >= period) {
        (this->*step)();
        ++previewSteps_;
        lastStep += period;
    }
    return period - (now - lastStep);
}

// --- Helpers for the products -----------------------------------------------------------------

bool CQuorinUSBDevice::QueryWirelessLinkOfChannel() {
    return commandChannel_.IsConnected() && commandChannel_.IsWirelessMode() && commandChannel_.QueryWirelessLink();
}

int CQuorinUSBDevice::ReadAndSendPowerStatus() {
    PowerStatus status{};
    const int result = kx58::ReadPowerStatus(commandChannel_, status);
    if (result != kResultOk) return result;
    if (auto* power = powerControl_ ? static_cast<CMpDevicePowerUI*>(powerControl_->GetInterface("MpDevicePower")) : nullptr)
        power->ShowPowerStatus(status, KindNumber(CableFormOf(kind_)));
    if (mainWindow_) PostMessage(mainWindow_, WM_DEVICE_POWER_STATUS, status[kPowerLevelByte], deviceIndex_);
    return result;
}

int CQuorinUSBDevice::LoadEffectCodes(int lightNameSlot) {
    const DefaultLightNames names = LoadDefaultLightNames(DefaultLightNamesPath(), lightNameSlot);
    modeCodes_.clear();
    modeVisible_.clear();
    for (const BuiltInEffect& effect : names.effects) {
        modeCodes_.push_back(effect.value);
        modeVisible_.push_back(effect.visible ? 1 : 0);
    }
    return static_cast<int>(modeCodes_.size());
}

std::string CQuorinUSBDevice::ProfileDocumentPath() const {
    if (!profileList_ || profileList_->GetCurrentUUID().empty()) return {};
    return profileList_->List().DocumentPathOf(profileList_->GetCurrentUUID());
}

std::vector<MacroEventList> CQuorinUSBDevice::ReadMacroEventLists(std::span<const int> macroNumbers) {
    const std::string folder = GetDataFolder();
    const std::vector<MacroEntry> library = ReadMacroLibrary(folder);
    std::vector<MacroEventList> macros;
    for (const int number : macroNumbers) {
        if (number < 0 || static_cast<std::size_t>(number) >= library.size()) continue;
        MacroEventList& events = macros.emplace_back();
        for (const MacroEventRecord& record : ReadMacroEvents(folder, library[static_cast<std::size_t>(number)].guid))
            events.push_back({.delay = record.delay, .type = record.type, .down = record.down, .button = record.button});
    }
    return macros;
}

bool CQuorinUSBDevice::LoadCurrentProfile(CBasicProfiledata& profile) {
    const std::string path = ProfileDocumentPath();
    if (path.empty()) return false;
    profileFileStem_ = profileList_->GetCurrentUUID();
    profile.SetProfilePath(path);
    profile.LoadProfile(path);
    return true;
}

std::string CQuorinUSBDevice::GetProfileName() const {
    return profileList_ ? profileList_->GetNameEditText() : std::string();
}

void CQuorinUSBDevice::ShowLightRecord(const LightInfo& info) {
    LightState state = GetLightState();
    state.modeCode = info.SelectItem < modeCodes_.size() ? static_cast<std::uint8_t>(modeCodes_[info.SelectItem])
                                                         : info.SelectItem;
    state.brightness = info.Light;
    state.speed = info.Speed;
    state.fx = info.Fx;
    state.multiColor = info.MultiColor;
    state.red = info.Red;
    state.green = info.Green;
    state.blue = info.Blue;
    state.zzccLedMode = info.ZZCCLedMode;
    state.customGroup = info.CustomGroup;
    state.oldLedMode = info.OldLedmode;
    state.logoMode = info.LogoMode;
    state.logoModeColour = info.LogoModeCol;
    const auto words = state.ToWords();
    SetLightState(words[0], words[1], words[2], words[3]);
}

int CQuorinUSBDevice::EffectIndexOf(int modeCode) const { return ModeIndexFromCode(modeCodes_, modeCode); }

void CQuorinUSBDevice::SetUpDevicePage(DeviceKind pageKind, const ProductProfileFiles& files) {
    constexpr int kMaxLightLevel = 4;  // brightness and speed run 0..4
    if (ILightStateView* view = LightStateView()) {
        view->SetPageKind(KindNumber(pageKind));
        std::vector<std::string> labels;
        for (const BuiltInEffect& effect : LoadDefaultLightNames(DefaultLightNamesPath(), files.lightNameSlot).effects)
            labels.push_back(effect.LightName);
        view->SetEffectList(labels, modeVisible_, kMaxLightLevel, kMaxLightLevel);
    }
    // The macro editor reads the library of this device's folder.
    ui::CControlUI* macros =
        FindControl([](ui::CControlUI* c) { return c->GetName() == "MacroControlItem"; }, ui::UIFIND_ALL);
    if (macros) macros->SetAttribute("macrofolder", GetDataFolder());
    if (!profileList_) return;
    profileList_->SetDeviceType(KindNumber(pageKind));
    profileList_->SetPaths(GetDataFolder(), DefaultDocumentPathFor(files));
    if (!profileList_->InitProfileList()) DebugTraceF("%s: the profile list cannot be written", deviceFolderName_.c_str());
    profileList_->SelectOperationTab(1);
    LoadProfile();
}

}  // namespace kx58
