#include <algorithm>

#include "device/device_page_controls.h"
#include "device/product_profiles.h"
#include "device/protocol/command_report.h"
#include "device/quorin_products.h"

#include "device/device_page_controls.h"
#include "platform/debug_trace.h"
#include "profile/default_light_names.h"
#include "profile/device_profile_ui.h"
#include "profile/macro_files.h"
#include "uikit/button.h"
#include "uikit/paint_manager.h"
#include "uikit/resource_manager.h"
#include "uikit/slider.h"

namespace kx58 {

CQuorinKeyboardDevice::CQuorinKeyboardDevice() {
    SetDeviceFolderName("Keyboard");
    SetReportsPowerStatus(true);
    SetStreamFailurePause(kStreamFailurePauseMs);
}

CQuorinKeyboardDevice::~CQuorinKeyboardDevice() { StopDeviceThreads(); }

void* CQuorinKeyboardDevice::GetInterface(std::string_view name) {
    if (name == "QuorinKeyboardDevice") return this;
    return CQuorinUSBDevice::GetInterface(name);
}

int CQuorinKeyboardDevice::OnAttached() {
    const int result = ReadBackKeyboard(commandChannel_, memory_);
    if (result == kResultOk) {
        std::map<int, std::uint8_t> positions, leds;
        for (std::size_t key = 0; key < kPageKeyCount; ++key) {
            if (memory_.maps.position[key] != kNoKeyPosition) positions[static_cast<int>(key)] = memory_.maps.position[key];
            if (memory_.maps.led[key] != kNoKeyPosition) leds[static_cast<int>(key)] = memory_.maps.led[key];
        }
        {
            std::lock_guard lock(keyMapLock_);
            keyPositionMap_ = std::move(positions);
        }
        SetLedIndexMap(leds);
        deviceInfo_ = memory_.info;
        PlaceKeysOnLayout();  // keys the page does not place go by their LED index
    }
    LoadKeyPage();
    ReloadSettings();
    LoadLightPage();
    StartLightThread();
    ShowConnection();
    return result;
}

void CQuorinKeyboardDevice::ShowConnection() {
    ui::CPaintManagerUI* manager = GetManager();
    ui::CControlUI* label = manager ? manager->FindSubControlByName(this, "keyboard_connection") : nullptr;
    if (!label) return;
    std::string how, firmware;
    ui::CResourceManager::GetInstance()->FindText(IsWirelessMode() ? "connection_receiver" : "connection_cable", how);
    ui::CResourceManager::GetInstance()->FindText("firmware_text", firmware);
    char version[16];
    std::snprintf(version, sizeof version, "%u.%02u", deviceInfo_[1], deviceInfo_[2]);
    label->SetText(how + "  ·  " + firmware + " " + version + "  ·  " + std::to_string(memory_.Positions()) + " keys");
}

int CQuorinKeyboardDevice::ReloadSettings() {
    commandChannel_.SetRefreshPending(false);
    if (resetListOnReadBack_) {
        // The keyboard switched its profile: the list is read again and the key page follows.
        resetListOnReadBack_ = false;
        if (profileList_) profileList_->InitProfileList();
        LoadKeyPage();
        if (ui::CPaintManagerUI* manager = GetManager()) manager->SendNotify(this, kNotifyKeysReloaded);
    }
    KeyboardSettingsReadBack readBack;
    const int result = ReadKeyboardSettings(commandChannel_, readBack);
    if (result != kResultOk) return result;
    settings_ = readBack;
    const KeyboardSettings decoded = DecodeKeyboardSettingsRecord(readBack.record);
    LightState state = GetLightState();
    const bool modeChanged = decoded.modeCode != kHostRenderedModeByte && decoded.modeCode != state.modeCode;
    if (decoded.modeCode != kHostRenderedModeByte) state.modeCode = decoded.modeCode;
    state.brightness = decoded.brightness;
    state.speed = decoded.speed;
    state.fx = decoded.fx;
    state.multiColor = decoded.multiColor;
    state.red = decoded.red;
    state.green = decoded.green;
    state.blue = decoded.blue;
    state.zzccLedMode = decoded.zzccLedMode;
    state.logoMode = decoded.logoMode;
    state.logoModeColour = decoded.logoModeCol;
    if (modeChanged || state.modeCode == kPerKeyColourMode) ClearPreviewBuffers();
    const auto words = state.ToWords();
    SetLightState(words[0], words[1], words[2], words[3]);
    if (state.modeCode == kPerKeyColourMode) ReadPerKeyColours();
    StoreReadBackInProfile(state, decoded);
    return result;
}

int CQuorinKeyboardDevice::ReadPerKeyColours() {
    ColourImage image{};
    const int result = ReadLedColourImage(commandChannel_, memory_.Positions(), image);
    if (result != kResultOk) return result;
    std::vector<Rgba> colours = PageColours();
    ApplyLedColourImage(memory_.maps, image, colours);
    for (std::size_t key = 0; key < colours.size(); ++key) SetLedColour(key, colours[key]);
    StoreCustomGroup(colours);
    return result;
}

// --- Per-key colours of the custom mode --------------------------------------------------------

void CQuorinKeyboardDevice::StoreCustomGroup(const std::vector<Rgba>& pageColours) {
    const std::size_t positions = memory_.Positions();
    if (positions == 0) return;  // the key positions are not known yet
    std::vector<LedColor> group = profile_.GetCustomLightColors(profile_.GetLightInfo().CustomGroup, static_cast<int>(positions));
    for (std::size_t key = 0; key < pageColours.size() && key < kPageKeyCount; ++key) {
        const std::uint8_t position = memory_.maps.position[key];
        if (position >= group.size()) continue;
        const Rgba& c = pageColours[key];
        group[position] = {c.red, c.green, c.blue, 0xFF};
    }
    profile_.SetCustomLightColors(profile_.GetLightInfo().CustomGroup, group);
}

void CQuorinKeyboardDevice::ShowCustomGroup() {
    const std::size_t positions = memory_.Positions();
    if (positions == 0) return;
    const std::vector<LedColor> group =
        profile_.GetCustomLightColors(profile_.GetLightInfo().CustomGroup, static_cast<int>(positions));
    for (std::size_t key = 0; key < kPageKeyCount; ++key) {
        const std::uint8_t position = memory_.maps.position[key];
        if (position >= group.size()) continue;
        const LedColor& c = group[position];
        SetLedColour(key, {c.Red, c.Green, c.Blue, 0xFF});
    }
}

int CQuorinKeyboardDevice::PaintSelectedKeys(DWORD argb) {
    if (GetLightState().modeCode != kPerKeyColourMode) return 0;
    const Rgba colour{static_cast<std::uint8_t>(argb >> 16), static_cast<std::uint8_t>(argb >> 8),
                      static_cast<std::uint8_t>(argb), 0xFF};
    int painted = 0;
    for (std::size_t key = 0; key < keyButtons_.size(); ++key) {
        auto* button = dynamic_cast<CDeviceKeyButtonUI*>(keyButtons_[key]);
        if (!button || !button->IsKeySelected()) continue;
        SetLedColour(key, colour);
        ++painted;
    }
    if (painted) StoreCustomGroup(PageColours());
    return painted;
}

int CQuorinKeyboardDevice::WritePerKeyColours(bool cableOnly) {
    if (cableOnly && IsWirelessMode()) return 0;
    const ColourImage image = BuildLedColourImage(memory_.maps, PageColours());
    return WriteLedColourImage(commandChannel_, memory_.Positions(), image);
}

void CQuorinKeyboardDevice::StoreReadBackInProfile(const LightState& state, const KeyboardSettings& decoded) {
    // The page shows the keyboard's own state; repeat and polling rate keep their profile
    // values (the record does not say them).
    LightInfo info = profile_.GetLightInfo();
    info.SelectItem = static_cast<std::uint8_t>(std::clamp(ModeIndexFromCode(modeCodes_, state.modeCode), 0, 255));
    info.Light = state.brightness;
    info.Speed = state.speed;
    info.Fx = state.fx;
    info.MultiColor = state.multiColor;
    info.Red = state.red;
    info.Green = state.green;
    info.Blue = state.blue;
    info.ZZCCLedMode = state.zzccLedMode;
    info.LogoMode = state.logoMode;
    info.LogoModeCol = state.logoModeColour;
    profile_.SetLightInfo(info);
    PackedStages stages = profile_.GetKeyboardSystemStages();
    stages[1] = PackHalves(decoded.key6Flag, HighHalf(stages[1]));
    stages[2] = PackHalves(decoded.wFlag, decoded.winFlag);
    profile_.SetKeyboardSystemStages(stages[0], stages[1], stages[2]);
    ShowSystemPage();
}

// --- Changes made on the keyboard ---------------------------------------------------------------

void CQuorinKeyboardDevice::OnConsumerUsage(DeviceKind kind, std::uint16_t usage) {
    DebugTrace("接收到自动添加设备的同步信息要求  TEST");
    constexpr std::uint16_t kUsageStreamPause = 0x403;
    if (usage == kUsageSettingsChanged || usage == kUsageProfileChanged) return CQuorinUSBDevice::OnConsumerUsage(kind, usage);
    if (usage < kUsageStreamPause) return;
    if (usage == kUsageStreamPause && !IsReceiver(kind)) {
        streamPause_ = kStreamPauseFrames;
        return;
    }
    const unsigned family = usage >> 8;
    if (!commandChannel_.IsConnected() || (family != 0x10 && family != 0x11)) return;
    const int second = family == 0x11 ? ((usage >> 4) & 0xF) | 1 << 8 : 0;
    switchedRecord_ = static_cast<int>(usage & 0xF) | second << 8;
    PostDeviceRequest(kRequestLightPageReload);
}

void CQuorinKeyboardDevice::HandleDeviceRequests(unsigned requests) {
    if (requests & kRequestProfileListReset) resetListOnReadBack_ = true;
    if (requests & kRequestLightPageReload) {
        const int switched = switchedRecord_.exchange(-1);
        if (switched >= 0) {
            SetActiveProfileIndex(switched & 0xF);
            if (switched & (1 << 16)) settings_.record[17] = static_cast<std::uint8_t>((switched >> 8) & 0xF);
        }
        LoadLightPage();
    }
}

void CQuorinKeyboardDevice::SetFunctionPage(int page) {
    CQuorinUSBDevice::SetFunctionPage(page);
    constexpr std::size_t kFnKey = 110;
    if (kFnKey >= keyButtons_.size() || !keyButtons_[kFnKey] || (page != 1 && page != 2)) return;
    keyButtons_[kFnKey]->SetEnabled(page == 1);
}

int CQuorinKeyboardDevice::BuildStreamFrame() {
    int left = streamPause_.load();
    while (left > 0 && !streamPause_.compare_exchange_weak(left, left - 1)) {
    }
    if (left > 0) return 0;  // the keyboard asked for quiet while it shows something itself
    return CQuorinUSBDevice::BuildStreamFrame();
}

// --- Page and profile --------------------------------------------------------------------------

namespace {

constexpr int kPollingRateOptions = 4;
constexpr int kRepeatDelayOptions = 4;

const ProductProfileFiles& KeyboardFiles() { return *FindProductProfileFiles(DeviceKind::KeyboardWired); }

}  // namespace

void CQuorinKeyboardDevice::SetUpPageEditors() {
    profile_.SetDefaultPath(DefaultDocumentPathFor(KeyboardFiles()));
    PlaceKeysOnLayout();
    SetUpDevicePage(DeviceKind::KeyboardWired, KeyboardFiles());
}

int CQuorinKeyboardDevice::TakeLightEdit() {
    ILightStateView* view = LightStateView();
    if (!view) return 0;
    profile_.SetLightInfo(view->ReadLightInfo(profile_.GetLightInfo()));
    profile_.SetAudioLightInfo(view->GetAudioLightInfo());
    LoadLightPage();
    return 1;
}

int CQuorinKeyboardDevice::ApplyLightToDevice() {
    if (!profile_.Save()) DebugTrace("keyboard: the profile cannot be saved");
    if (!IsOpen()) return 0;  // kept in the profile; written with the next apply
    // While every device shares one effect the keyboard stays on the stream; the edit is the
    // shared effect's and the profile keeps it for later.
    if (IsSyncLighting()) return ApplySyncLighting(true);
    const int result = ApplySettings(0, 0, 0, 0, 0);
    if (result != kResultOk || GetLightState().modeCode != kPerKeyColourMode) return result;
    return WritePerKeyColours(false);
}

int CQuorinKeyboardDevice::ApplySyncLighting(bool on) {
    if (!on) LoadLightPage();
    if (!IsOpen()) return 0;
    if (!on) return ApplySettings(0, 0, 0, 0, 0);
    // The keyboard shows the colour stream: the host-rendered mode with the profile's rest.
    KeyboardSettings settings = ProfileSettings();
    settings.modeCode = kHostRenderedModeCode;
    return WriteKeyboardSettings(commandChannel_, settings, 0, 0);
}

int CQuorinKeyboardDevice::LoadPageLists() { return LoadEffectCodes(KeyboardFiles().lightNameSlot); }

int CQuorinKeyboardDevice::LoadProfile() {
    if (!LoadCurrentProfile(profile_)) return 0;
    LoadLightPage();
    LoadKeyPage();
    ShowSystemPage();
    return 1;
}

int CQuorinKeyboardDevice::LoadLightPage() {
    ShowLightRecord(profile_.GetLightInfo());
    if (ILightStateView* view = LightStateView()) view->SetAudioLightInfo(profile_.GetAudioLightInfo());
    if (GetLightState().modeCode == kPerKeyColourMode) ShowCustomGroup();
    return 1;
}

int CQuorinKeyboardDevice::LoadKeyPage() {
    // A key the attached keyboard does not have (its factory code is in no key position) is
    // shown disabled: nothing written for it would reach the device.
    std::lock_guard lock(keyMapLock_);
    const bool known = !keyPositionMap_.empty();
    for (std::size_t key = 0; key < keyButtons_.size(); ++key) {
        if (!keyButtons_[key]) continue;
        const bool mapped = !known || keyPositionMap_.count(static_cast<int>(key)) != 0;
        keyButtons_[key]->SetEnabled(mapped);
    }
    return 1;
}

KeyboardSettings CQuorinKeyboardDevice::ProfileSettings() {
    const LightInfo info = profile_.GetLightInfo();
    const PackedStages stages = profile_.GetKeyboardSystemStages();
    KeyboardSettings s;
    const bool listed = info.SelectItem < modeCodes_.size();
    s.modeCode = listed ? static_cast<std::uint8_t>(std::clamp(modeCodes_[info.SelectItem], 0, 255)) : info.SelectItem;
    s.brightness = info.Light;
    s.speed = info.Speed;
    s.fx = info.Fx;
    s.multiColor = info.MultiColor;
    s.red = info.Red;
    s.green = info.Green;
    s.blue = info.Blue;
    s.zzccLedMode = info.ZZCCLedMode;
    s.key6Flag = static_cast<std::uint8_t>(std::min<unsigned>(LowHalf(stages[1]), 255));
    s.pollingRate = static_cast<std::uint8_t>(std::min<unsigned>(HighHalf(stages[1]), 255));
    s.wFlag = static_cast<std::uint8_t>(std::min<unsigned>(LowHalf(stages[2]), 255));
    s.winFlag = static_cast<std::uint8_t>(std::min<unsigned>(HighHalf(stages[2]), 255));
    s.logoMode = info.LogoMode;
    s.logoModeCol = info.LogoModeCol;
    ClampKeyboardSettings(s);
    return s;
}

int CQuorinKeyboardDevice::ApplySettings(int recordIndex, int recordByte0, int, int, int) {
    return WriteKeyboardSettings(commandChannel_, ProfileSettings(), recordIndex,
                                 static_cast<std::uint8_t>(std::clamp(recordByte0, 0, 255)));
}

int CQuorinKeyboardDevice::ApplyKeys(std::span<const std::uint32_t> assignments) {
    std::vector<std::uint32_t> keys(kPageKeyCount);
    for (std::size_t j = 0; j < kPageKeyCount; ++j)
        keys[j] = j < assignments.size() ? assignments[j] : DefaultKeyCodes()[j].Assignment();
    // A key assigned to a macro the library no longer holds falls back to its factory code.
    const std::size_t macros = ReadMacroLibrary(GetDataFolder()).size();
    return WriteKeyboardKeyTable(commandChannel_, memory_, keys, macros, 0);
}

std::vector<std::uint32_t> CQuorinKeyboardDevice::ProfileAssignments() {
    std::vector<std::uint32_t> keys(kPageKeyCount);
    for (std::size_t j = 0; j < kPageKeyCount; ++j) keys[j] = DefaultKeyCodes()[j].Assignment();
    for (const KeyAssignmentEntry& entry : profile_.GetKeyList())
        if (entry.keyIndex < kPageKeyCount) keys[entry.keyIndex] = entry.assignment.Code();
    return keys;
}

int CQuorinKeyboardDevice::ApplyProfileKeys() { return ApplyKeys(ProfileAssignments()); }

std::vector<int> CQuorinKeyboardDevice::CollectUsedMacros() {
    const std::size_t macros = ReadMacroLibrary(GetDataFolder()).size();
    if (macros == 0) return {};
    return kx58::CollectUsedMacros(memory_.maps, ProfileAssignments(), macros);
}

int CQuorinKeyboardDevice::ApplyMacros(std::span<const int> macroNumbers) {
    const std::vector<MacroEventList> macros = ReadMacroEventLists(macroNumbers);
    return macros.empty() ? 0 : WriteKeyboardMacroImage(commandChannel_, memory_, macros);  // nothing used: nothing written
}

void CQuorinKeyboardDevice::ShowSystemPage() {
    ui::CPaintManagerUI* manager = GetManager();
    if (!manager) return;
    const PackedStages stages = profile_.GetKeyboardSystemStages();
    const auto select = [&](const std::string& name, bool on) {
        if (auto* option = dynamic_cast<ui::COptionUI*>(manager->FindSubControlByName(this, name))) option->Selected(on, false);
    };
    const int polling = HighHalf(stages[1]) < kPollingRateOptions ? HighHalf(stages[1]) : 0;  // others show as 0
    for (int n = 0; n < kPollingRateOptions; ++n) select("polling_rate_option_" + std::to_string(n), n == polling);
    for (int n = 0; n < kRepeatDelayOptions; ++n)
        select("repeat_delay_check_" + std::to_string(n), n == HighHalf(stages[0]));
    if (auto* rate = dynamic_cast<ui::CSliderUI*>(manager->FindSubControlByName(this, "repeat_rate_slider")))
        rate->SetValue(LowHalf(stages[0]));
    select("6flag_option", LowHalf(stages[1]) != 0);
    select("wflag_option", LowHalf(stages[2]) != 0);
    select("winlockflag_option", HighHalf(stages[2]) != 0);
}

int CQuorinKeyboardDevice::ApplySystemPage() {
    ui::CPaintManagerUI* manager = GetManager();
    if (!manager) return 0;
    const auto on = [&](const std::string& name) {
        auto* option = dynamic_cast<ui::COptionUI*>(manager->FindSubControlByName(this, name));
        return option && option->IsSelected();
    };
    const auto chosen = [&](const std::string& family, int count, int fallback) {
        for (int n = 0; n < count; ++n)
            if (on(family + std::to_string(n))) return n;
        return fallback;
    };
    PackedStages stages = profile_.GetKeyboardSystemStages();
    auto* rate = dynamic_cast<ui::CSliderUI*>(manager->FindSubControlByName(this, "repeat_rate_slider"));
    const auto repeat = static_cast<uint16_t>(rate ? std::clamp(rate->GetValue(), 0, 0xFFFF) : LowHalf(stages[0]));
    stages[0] = PackHalves(repeat, static_cast<uint16_t>(chosen("repeat_delay_check_", kRepeatDelayOptions, HighHalf(stages[0]))));
    stages[1] = PackHalves(on("6flag_option") ? 1 : 0, static_cast<uint16_t>(chosen("polling_rate_option_", kPollingRateOptions, 0)));
    stages[2] = PackHalves(on("wflag_option") ? 1 : 0, on("winlockflag_option") ? 1 : 0);
    profile_.SetKeyboardSystemStages(stages[0], stages[1], stages[2]);
    if (!profile_.Save()) DebugTrace("keyboard: the profile cannot be saved");
    return ApplySettings(0, 0, 0, 0, 0);
}

int CQuorinKeyboardDevice::ReadPowerStatus() { return ReadAndSendPowerStatus(); }

bool CQuorinKeyboardDevice::IsWirelessLinkUp() { return QueryWirelessLinkOfChannel(); }

}  // namespace kx58
