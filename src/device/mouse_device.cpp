#include <algorithm>
#include <cstdio>

#include "device/product_profiles.h"
#include "device/protocol/command_report.h"
#include "device/protocol/shoot_image.h"
#include "device/quorin_products.h"
#include "platform/debug_trace.h"
#include "profile/default_light_names.h"
#include "profile/device_profile_ui.h"
#include "profile/macro_files.h"
#include "uikit/paint_manager.h"
#include "uikit/resource_manager.h"

namespace kx58 {
namespace {

// Effects from this index on are not the mouse's: they are written as its first one.
constexpr unsigned kMouseEffectLimit = 10;

const ProductProfileFiles& MouseFiles() { return *FindProductProfileFiles(DeviceKind::MouseWired); }

MouseDpiStage RecordStage(const DpiStage& stage) {
    return {stage.StageActive, stage.StageXY, stage.StageDPIX, stage.StageDPIY,
            stage.StageColorR, stage.StageColorG, stage.StageColorB};
}

}  // namespace

CQuorinMouseDevice::CQuorinMouseDevice() {
    SetDeviceFolderName("Mouse");
    SetReportsPowerStatus(true);
}

CQuorinMouseDevice::~CQuorinMouseDevice() { StopDeviceThreads(); }

void* CQuorinMouseDevice::GetInterface(std::string_view name) {
    if (name == "QuorinMouseDevice") return this;
    return CQuorinUSBDevice::GetInterface(name);
}

// --- Attach and read-back -----------------------------------------------------------------------

int CQuorinMouseDevice::OnAttached() {
    const int result = ReadBackMouse(commandChannel_, memory_);
    if (result == kResultOk) deviceInfo_ = memory_.info;
    ReloadSettings();
    LoadKeyPage();
    LoadLightPage();
    ShowDpiPage();
    ShowConnection();
    StartLightThread();
    return result;
}

int CQuorinMouseDevice::ReloadSettings() {
    commandChannel_.SetRefreshPending(false);
    MouseSettingsReadBack readBack;
    const int result = ReadMouseSettings(commandChannel_, readBack);
    if (result != kResultOk) return result;
    settings_ = readBack;
    const MouseSettings decoded = readBack.Decoded();
    LightState state = GetLightState();
    if (decoded.modeCode != state.modeCode) ClearPreviewBuffers();
    state.modeCode = decoded.modeCode;
    state.brightness = decoded.brightness;
    state.speed = decoded.speed;
    state.multiColor = decoded.multiColor;
    state.red = decoded.red;
    state.green = decoded.green;
    state.blue = decoded.blue;
    const auto words = state.ToWords();
    SetLightState(words[0], words[1], words[2], words[3]);
    // What the mouse shows is the profile's from now on.
    LightInfo info = profile_.GetLightInfo();
    info.SelectItem = static_cast<std::uint8_t>(EffectIndexOf(decoded.modeCode));
    info.Light = decoded.brightness;
    info.Speed = decoded.speed;
    info.MultiColor = decoded.multiColor;
    info.Red = decoded.red;
    info.Green = decoded.green;
    info.Blue = decoded.blue;
    profile_.SetLightInfo(info);
    if (decoded.activeDpiStage < kDpiStages) profile_.SetActiveDpiStage(decoded.activeDpiStage);
    if (ILightStateView* view = LightStateView()) view->ShowLightState(GetLightState(), EffectIndexOf(state.modeCode));
    ShowDpiPage();
    return result;
}

bool CQuorinMouseDevice::TakeRecordSwitch(std::uint16_t usage) {
    // The mouse switched its record (0x10NN) or its record and DPI stage (0x11SN) itself.
    const unsigned family = usage >> 8;
    if (usage <= kUsageProfileChanged || (family != 0x10 && family != 0x11)) return false;
    if (!commandChannel_.IsConnected()) return true;
    const int stage = family == 0x11 ? ((usage >> 4) & 0xF) | 1 << 8 : 0;
    switchedRecord_ = static_cast<int>(usage & 0xF) | stage << 8;
    PostDeviceRequest(kRequestLightPageReload);
    return true;
}

void CQuorinMouseDevice::HandleDeviceRequests(unsigned requests) {
    if (requests & kRequestLightPageReload) {
        const int switched = switchedRecord_.exchange(-1);
        if (switched >= 0) SetActiveProfileIndex(switched & 0xF);
        if (switched >= 0 && (switched & (1 << 16)) && ((switched >> 8) & 0xF) < kDpiStages) {
            profile_.SetActiveDpiStage((switched >> 8) & 0xF);
            ShowDpiPage();
        }
    }
    CQuorinUSBDevice::HandleDeviceRequests(requests);
}

int CQuorinMouseDevice::ReadPowerStatus() { return ReadAndSendPowerStatus(); }

bool CQuorinMouseDevice::IsWirelessLinkUp() { return QueryWirelessLinkOfChannel(); }

void CQuorinMouseDevice::ShowConnection() {
    ui::CPaintManagerUI* manager = GetManager();
    ui::CControlUI* label = manager ? manager->FindSubControlByName(this, "mouse_connection") : nullptr;
    if (!label) return;
    std::string how, firmware;
    ui::CResourceManager::GetInstance()->FindText(IsWirelessMode() ? "connection_receiver" : "connection_cable", how);
    ui::CResourceManager::GetInstance()->FindText("firmware_text", firmware);
    const MouseDpiModel model = DpiModel();
    char text[128];
    std::snprintf(text, sizeof text, "%s  ·  %s %u.%02u  ·  %d-%d DPI", how.c_str(), firmware.c_str(), deviceInfo_[1],
                  deviceInfo_[2], DpiOfStep(model, 0), HighestDpi(model));
    label->SetText(text);
}

// --- Page and profile --------------------------------------------------------------------------

void CQuorinMouseDevice::SetUpPageEditors() {
    profile_.SetDefaultPath(DefaultDocumentPathFor(MouseFiles()));
    SetUpDevicePage(DeviceKind::MouseWired, MouseFiles());
}

int CQuorinMouseDevice::WriteShootData() {
    // Through the receiver the write begins with a link query and stops when it fails.
    return IsOpen() ? WriteShootImage(commandChannel_, GetDataFolder()) : 0;
}

int CQuorinMouseDevice::LoadPageLists() { return LoadEffectCodes(MouseFiles().lightNameSlot); }

int CQuorinMouseDevice::LoadProfile() {
    if (!LoadCurrentProfile(profile_)) return 0;
    LoadLightPage();
    LoadKeyPage();
    ShowDpiPage();
    ShowSystemPage();
    return 1;
}

int CQuorinMouseDevice::LoadLightPage() {
    ShowLightRecord(profile_.GetLightInfo());
    return 1;
}

int CQuorinMouseDevice::LoadKeyPage() {
    // A button the attached mouse does not have (no position holds its default code) is shown
    // disabled: nothing written for it would reach the mouse.
    const bool known = memory_.Buttons() > 0;
    for (std::size_t button = 0; button < keyButtons_.size() && button < kMouseButtonCount; ++button)
        if (keyButtons_[button])
            keyButtons_[button]->SetEnabled(!known || memory_.buttonMap[button] < memory_.Buttons());
    return 1;
}

int CQuorinMouseDevice::TakeLightEdit() {
    ILightStateView* view = LightStateView();
    if (!view) return 0;
    profile_.SetLightInfo(view->ReadLightInfo(profile_.GetLightInfo()));
    LoadLightPage();
    return 1;
}

int CQuorinMouseDevice::ApplyLightToDevice() {
    if (!profile_.Save()) DebugTrace("mouse: the profile cannot be saved");
    return IsOpen() ? ApplySettings(0, 0, 1, 0, 0) : 0;
}

void CQuorinMouseDevice::SaveAndApplySettings() {
    if (!profile_.Save()) DebugTrace("mouse: the profile cannot be saved");
    if (IsOpen() && ApplySettings(0, 0, 1, 0, 0) != kResultOk) DebugTrace("mouse: the settings were not written");
}

// --- The settings record, the buttons and the macros --------------------------------------------

MouseRecordFields CQuorinMouseDevice::ProfileRecord() {
    const LightInfo info = profile_.GetLightInfo();
    MouseRecordFields f;
    const unsigned effect = info.SelectItem < kMouseEffectLimit ? info.SelectItem : 0;
    f.modeCode = effect < modeCodes_.size() ? static_cast<std::uint8_t>(std::clamp(modeCodes_[effect], 0, 255))
                                            : static_cast<std::uint8_t>(effect);
    f.brightness = info.Light;
    f.speed = info.Speed;
    f.fx = info.Fx;
    f.multiColor = info.MultiColor;
    f.red = info.Red;
    f.green = info.Green;
    f.blue = info.Blue;
    f.reportRate = static_cast<std::uint8_t>(std::min<unsigned>(HighHalf(profile_.GetMouseSystemStages()[2]), 255));
    f.activeDpiStage = static_cast<std::uint8_t>(std::clamp(profile_.GetActiveDpiStage(), 0, 255));
    for (const DpiStage& stage : profile_.GetDpiStages()) f.stages.push_back(RecordStage(stage));
    f.screenWidth = static_cast<std::uint16_t>(std::clamp(screenWidth_, 0, 0xFFFF));
    f.screenHeight = static_cast<std::uint16_t>(std::clamp(screenHeight_, 0, 0xFFFF));
    for (const CorrectPreset& preset : profile_.GetCorrectInfo()) {
        if (preset.CorrectSelect == 0) continue;
        f.correctMinSq = preset.CorrectMinSq;
        f.correctPixThresh = preset.CorrectPixThresh;
        break;
    }
    return f;
}

int CQuorinMouseDevice::ApplySettings(int recordIndex, int recordByte0, int byte59, int screenWidth, int screenHeight) {
    if (screenWidth > 0 && screenHeight > 0) {
        screenWidth_ = screenWidth;
        screenHeight_ = screenHeight;
    }
    MouseRecordFields fields = ProfileRecord();
    NormaliseMouseRecord(fields, DpiModel());
    const auto record = BuildMouseSettingsRecord(fields, static_cast<std::uint8_t>(std::clamp(recordByte0, 0, 255)),
                                                 static_cast<std::uint8_t>(std::clamp(byte59, 0, 255)));
    return WriteMouseSettings(commandChannel_, record, recordIndex);
}

std::vector<std::uint32_t> CQuorinMouseDevice::ProfileAssignments() {
    std::vector<std::uint32_t> buttons(kMouseButtonCount);
    for (std::size_t j = 0; j < kMouseButtonCount; ++j) buttons[j] = DefaultMouseButtonCodes()[j].Assignment();
    for (const KeyAssignmentEntry& entry : profile_.GetKeyList())
        if (entry.keyIndex < kMouseButtonCount) buttons[entry.keyIndex] = entry.assignment.Code();
    return buttons;
}

int CQuorinMouseDevice::ApplyKeys(std::span<const std::uint32_t> assignments) {
    std::vector<std::uint32_t> buttons(kMouseButtonCount);
    for (std::size_t j = 0; j < kMouseButtonCount; ++j)
        buttons[j] = j < assignments.size() ? assignments[j] : DefaultMouseButtonCodes()[j].Assignment();
    return WriteMouseKeyTable(commandChannel_, memory_, buttons, ReadMacroLibrary(GetDataFolder()).size());
}

int CQuorinMouseDevice::ApplyProfileKeys() { return ApplyKeys(ProfileAssignments()); }

std::vector<int> CQuorinMouseDevice::CollectUsedMacros() {
    const std::size_t macros = ReadMacroLibrary(GetDataFolder()).size();
    std::vector<int> used;
    const std::vector<std::uint32_t> buttons = ProfileAssignments();
    for (std::size_t j = 0; j < buttons.size(); ++j) {
        const KeyCode code = KeyCode::FromAssignment(buttons[j]);
        if (memory_.buttonMap[j] >= memory_.Buttons() || !IsMacroType(code.type) || code.code1 >= macros) continue;
        if (std::find(used.begin(), used.end(), code.code1) == used.end()) used.push_back(code.code1);
    }
    return used;
}

int CQuorinMouseDevice::ApplyMacros(std::span<const int> macroNumbers) {
    const std::vector<MacroEventList> macros = ReadMacroEventLists(macroNumbers);
    return macros.empty() ? 0 : WriteMouseMacroImage(commandChannel_, memory_, macros);  // nothing used: nothing written
}

}  // namespace kx58
