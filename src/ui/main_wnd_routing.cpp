// Notification routing: every control of every device page lives in the main window's one
// paint manager, so their notifications arrive here and go to the selected device and its
// editors by control name. Numbered families ("key_12") are split at the last '_'. A row
// without a handler names a control whose editor comes with a later page; it does nothing.
#include <strings.h>

#include <algorithm>
#include <cstdlib>
#include <span>
#include <string_view>
#include <utility>

#include "device/quorin_products.h"
#include "editors/light_control_ui.h"
#include "platform/atomic_file.h"
#include "platform/debug_trace.h"
#include "platform/message_queue.h"
#include "platform/tick.h"
#include "profile/device_profile_ui.h"
#include "profile/json_file.h"
#include "ui/color_select_wnd.h"
#include "ui/control_tree.h"
#include "ui/main_wnd.h"
#include "ui/music_wnd.h"
#include "ui/msg_wnd.h"
#include "uikit/file_dialog.h"
#include "uikit/resource_manager.h"

namespace kx58 {
namespace {

using Handler = void (CMainWnd::*)(ui::TNotifyUI&, int number);

struct Route {
    const char* name;  // an exact name, or a family prefix ending in '_'
    Handler handler;
};

constexpr std::string_view kProfileFilter = "Profile Files(*.json)|*.json;||";

// The family prefix (up to and including the last '_') and its number ("key_" gives 0).
bool SplitFamily(const std::string& name, std::string& prefix, int& number) {
    const std::size_t underscore = name.rfind('_');
    if (underscore == std::string::npos) return false;
    prefix = name.substr(0, underscore + 1);
    number = std::atoi(name.c_str() + underscore + 1);
    return true;
}

const Route* FindRoute(std::span<const Route> routes, const std::string& name, int& number) {
    for (const Route& route : routes)
        if (strcasecmp(route.name, name.c_str()) == 0) return &route;
    std::string prefix;
    if (!SplitFamily(name, prefix, number)) return nullptr;
    for (const Route& route : routes)
        if (route.name == prefix) return &route;
    return nullptr;
}

}  // namespace

void CMainWnd::Notify(ui::TNotifyUI& msg) {
    const std::string name = msg.pSender ? msg.pSender->GetName() : std::string();
    const std::string& type = msg.sType;
    if (type != ui::DUI_MSGTYPE_TIMER) DebugTraceF("notify %s from %s", type.c_str(), name.c_str());
    if (type == "click_wpremove" || type == "click_wpedit") return;  // the base's handling skipped too
    using M = CMainWnd;
    int number = 0;
    const Route* route = nullptr;
    if (type == ui::DUI_MSGTYPE_WINDOWINIT) {
        OnWindowInit();
    } else if (type == ui::DUI_MSGTYPE_WINDOWSIZE) {
        if (name == "root" && m_displayChanged) {
            m_displayChanged = false;
            FixSizeAndDpi();
        }
    } else if (type == ui::DUI_MSGTYPE_CLICK) {
        if (name == "closebtn") {
            HideToTray();
            return;  // the base would close the window
        }
        static constexpr Route kClickRoutes[] = {{"nodevice_ok_btn", &M::OnNoDeviceOk}, {"control_light_status", &M::OnLightSwitchClick},
                           {"minbtn", &M::OnCaptionButton}, {"maxbtn", &M::OnCaptionButton},
                           {"restorebtn", &M::OnCaptionButton}, {"skinbtn", &M::OnSkinButton}, {"setbtn", &M::OnSettingsButton},
                           {"key_", &M::OnKeyChosen}, {"color_option_", &M::OnLightEdit}, {"audiocolor_option_", &M::OnLightEdit},
                           {"windowdeviceset_", &M::OnDesktopDeviceSettings}, {"DPI_color_option_", &M::OnMouseDpiColour},
                           {"default_btn", &M::OnRestoreDefaults}, {"reset_repeat_btn", &M::OnResetKeyRepeat},
                           {"device_add_btn", &M::OnProfileAdd}, {"device_sub_btn", &M::OnProfileDelete},
                           {"device_export_btn", &M::OnProfileExport}, {"device_import_btn", &M::OnProfileImport},
                           {"device_copy_btn", &M::OnProfileCopy}, {"device_reset_btn", &M::OnProfileReset},
                           {"device_profile_edit_save_btn", &M::OnProfileRename},
                           {"profile_fun_spread_btn", &M::OnProfileMenuToggle},
                           {"key_butt_keysave", &M::OnKeySave}, {"key_butt_keydefalut", &M::OnKeyDefault}, {"key_butt_keycancel", &M::OnKeyCancel},
                           {"key_butt_prosave", &M::OnKeyProfileSave}, {"macro_btn_starredio", &M::OnRecordButton}, {"macro_btn_stopredio", &M::OnRecordButton},
                           {"macro_btn_name_add", &M::OnMacroAdd}, {"macro_btn_name_sub", &M::OnMacroDelete}, {"macro_btn_name_edit", &M::OnMacroRename},
                           {"macro_btn_save", &M::OnMacroSave}, {"macro_btn_cancel", &M::OnMacroCancel}, {"macro_btn_export", &M::OnMacroExport},
                           {"macro_btn_import", &M::OnMacroImport}, {"macro_btn_up", &M::OnMacroEventMove}, {"macro_btn_down", &M::OnMacroEventMove},
                           {"macro_btn_uptop", &M::OnMacroEventMove}, {"macro_btn_downbottom", &M::OnMacroEventMove}, {"macro_btn_delete", &M::OnMacroEventDelete},
                           {"macro_btn_deleteall", &M::OnMacroEventDelete}, {"shootdate_save_btn", &M::OnShootEditor}, {"shootdate_reset_btn", &M::OnShootEditor},
                           {"shootdate_import_btn", &M::OnShootEditor}, {"shootdate_export_btn", &M::OnShootEditor},
                           {"bullet_selected_prev", &M::OnShootEditor}, {"bullet_selected_next", &M::OnShootEditor},
                           {"custom_bright_color_btn", &M::OnPaintKeys}, {"custom_off_color_btn", &M::OnPaintKeys}, {"deng_same_mode", &M::OnSameEffectEverywhere},
                           {"hs_EQ_btn_save", &M::OnHeadsetSound}, {"hs_EQ_btn_delete", &M::OnHeadsetSound},
                           {"macro_inset_moveleftkey_btn", &M::OnMacroMouseMove}, {"macro_inset_moverightkey_btn", &M::OnMacroMouseMove},
                           {"macro_inset_moveupkey_btn", &M::OnMacroMouseMove}, {"macro_inset_movedownkey_btn", &M::OnMacroMouseMove},
                           {"device_select_prev", &M::OnTabScroll}, {"device_select_next", &M::OnTabScroll},
                           {"Close_bkColor_btn", nullptr}, {"music_setting_btn", &M::OnAudioStyles},
                           {"deng_colordp_btn", &M::OnLightColourPicker}, {"deng_audiocolordp_btn", &M::OnLightColourPicker}};
        route = FindRoute(kClickRoutes, name, number);
    } else if (type == ui::DUI_MSGTYPE_SELECTCHANGED) {
        static constexpr Route kSelectRoutes[] = {{"DPI_enable_check_", &M::OnMouseDpi}, {"DPI_select_check_", &M::OnMouseDpi}, {"mouse_correct_option_", &M::OnSystemPageChange},
                           {"polling_rate_option_", &M::OnSystemPageChange}, {"repeat_delay_check_", &M::OnSystemPageChange},
                           {"mouse_device_seting_option_", nullptr}, {"shoot_gun_op_", &M::OnShootEditor}, {"bullet_op_", &M::OnShootEditor},
                           {"magic_option_", &M::OnHeadsetSound}, {"6533_eq_option_", &M::OnHeadsetSound}, {"key_ComBox_check_", &M::OnKeyEditorEdit},
                           {"pointer_precision_check", &M::OnSystemPageChange}, {"scrolls_page_check", &M::OnSystemPageChange},
                           {"winlockflag_option", &M::OnSystemPageChange}, {"wflag_option", &M::OnSystemPageChange},
                           {"6flag_option", &M::OnSystemPageChange}, {"synchro_device_select", nullptr},
                           {"device_select", &M::OnDeviceTabChosen}, {"deng_Op_tab", &M::OnOperationTab},
                           {"key_Op_tab", &M::OnOperationTab}, {"macro_Op_tab", &M::OnOperationTab},
                           {"system_Op_tab", &M::OnOperationTab}, {"cursor_Op_tab", &M::OnOperationTab}, {"shoot_Op_tab", &M::OnOperationTab},
                           {"6533_voice_Op_tab", &M::OnOperationTab}, {"magic_Op_tab", &M::OnOperationTab},
                           {"Virtual7.1_Op_tab", &M::OnOperationTab}, {"deng_FXL_check", &M::OnLightEdit}, {"deng_FXR_check", &M::OnLightEdit},
                           {"deng_7color_check", &M::OnLightEdit}, {"bullet_x_check", &M::OnShootEditor}, {"bullet_y_check", &M::OnShootEditor},
                           {"magic_enable_option", &M::OnHeadsetSound}, {"6533_MicIn_option", &M::OnHeadsetSound},
                           {"6533_MicMoniter_option", &M::OnHeadsetSound}, {"6533_eq_enable_option", &M::OnHeadsetSound},
                           {"deng_7audiocolor_check", &M::OnLightEdit},
                           {"audio_BkColor_check", &M::OnLightEdit}, {"audio_FgColor_check", &M::OnLightEdit}};
        route = FindRoute(kSelectRoutes, name, number);
    } else if (type == ui::DUI_MSGTYPE_ITEMSELECT) {
        static constexpr Route kItemSelectRoutes[] = {{"device_profile_combo", &M::OnProfileChosen}, {"light_combo_modeSelect", &M::OnLightEdit},
                           {"light_combo_custommodeSelect", &M::OnLightEdit}, {"light_combo_ZZCCmodeSelect", &M::OnLightEdit},
                           {"light_combo_audiomodeSelect", &M::OnLightEdit}, {"keyset_function_combo", &M::OnKeyEditorEdit},
                           {"keyset_macro_over_combo", &M::OnKeyEditorEdit}, {"keyset_mousekey_combo", &M::OnKeyEditorEdit},
                           {"keyset_mouseswing_combo", &M::OnKeyEditorEdit}, {"keyset_mousewheel_combo", &M::OnKeyEditorEdit},
                           {"keyset_mousedpi_combo", &M::OnKeyEditorEdit}, {"keyset_media_combo", &M::OnKeyEditorEdit},
                           {"keyset_system_combo", &M::OnKeyEditorEdit}, {"keyset_macro_combo", &M::OnKeyEditorEdit},
                           {"keyset_gunkey_combo", &M::OnKeyEditorEdit}, {"keyset_combokey_combo", &M::OnKeyEditorEdit},
                           {"macro_name_list", &M::OnMacroChosen}, {"custom_eq_name_combo", &M::OnHeadsetSound}};
        route = FindRoute(kItemSelectRoutes, name, number);
    } else if (type == ui::DUI_MSGTYPE_VALUECHANGED) {
        static constexpr Route kSliderRoutes[] = {
            {"DPI_slider_", &M::OnMouseDpi}, {"6533_eq_hz_slider_", &M::OnHeadsetSound}, {"pointer_speed_slider", &M::OnSystemPageChange},
            {"scroll_speed_slider", &M::OnSystemPageChange}, {"double_click_slider", &M::OnSystemPageChange}, {"repeat_rate_slider", &M::OnSystemPageChange},
            {"deng_light_slider", &M::OnLightEdit}, {"deng_speed_slider", &M::OnLightEdit}, {"6533_MicIn_slider", &M::OnHeadsetSound},
            {"6533_MicMoniter_slider", &M::OnHeadsetSound}, {"R_light_slider", nullptr}, {"G_light_slider", nullptr},
            {"B_light_slider", nullptr}};
        route = FindRoute(kSliderRoutes, name, number);
    } else if (type == ui::DUI_MSGTYPE_MOVEVALUECHANGED) {
        static constexpr Route kLiveSliderRoutes[] = {{"DPI_slider_", &M::OnMouseDpi}, {"orvik_DPI_slider_", nullptr},
                                                      {"6533_eq_hz_slider_", &M::OnHeadsetSound}, {"6533_MicIn_slider", &M::OnHeadsetSound},
                                                      {"6533_MicMoniter_slider", &M::OnHeadsetSound}};
        route = FindRoute(kLiveSliderRoutes, name, number);
    } else if (type == ui::DUI_MSGTYPE_KILLFOCUS) {
        static constexpr Route kEditRoutes[] = {
            {"DPI_edit_", &M::OnMouseDpi}, {"orvik_DPI_edit_", nullptr}, {"deng_edit_R", &M::OnLightEdit}, {"deng_edit_G", &M::OnLightEdit},
            {"deng_edit_B", &M::OnLightEdit}, {"deng_audioedit_R", &M::OnLightEdit}, {"deng_audioedit_G", &M::OnLightEdit},
            {"deng_audioedit_B", &M::OnLightEdit}, {"keyset_keyboard_text_edit", &M::OnKeyEditLeft}, {"bullet_x_eidt", nullptr},
            {"bullet_y_eidt", nullptr}, {"bullet_delay_eidt", nullptr}, {"macro_delay", &M::OnMacroDelayEdit},
            {"keyset_mouseswing_num_edit", &M::OnKeyEditorEdit}, {"keyset_mouseswing_delay_edit", &M::OnKeyEditorEdit},
            {"keyset_mouseswing_speed_edit", &M::OnKeyEditorEdit}, {"keyset_mousewheel_num_edit", &M::OnKeyEditorEdit},
            {"keyset_mousewheel_delay_edit", &M::OnKeyEditorEdit}, {"keyset_mousewheel_speed_edit", &M::OnKeyEditorEdit},
            {"keyset_mousefire_interval_edit", &M::OnKeyEditorEdit}, {"keyset_mousefire_num_edit", &M::OnKeyEditorEdit},
            {"keyset_macro_cycle_edit", &M::OnKeyEditorEdit}};
        route = FindRoute(kEditRoutes, name, number);
    } else if (type == kNotifyKeysReloaded) {
        RefreshKeyTab();
    } else if (type == ui::DUI_MSGTYPE_SETFOCUS && name == "keyset_keyboard_text_edit") {
        SendMessage(WM_HOOK_CONTROL, 1, 0);  // the key edit takes the next key pressed anywhere
    } else if (type == ui::DUI_MSGTYPE_COLORCHANGED) {
        static constexpr Route kColourRoutes[] = {{"deng_Color_Pallet", &M::OnLightEdit}, {"deng_audioColor_Pallet", &M::OnLightEdit}};
        route = FindRoute(kColourRoutes, name, number);
    } else if (type == ui::DUI_MSGTYPE_MENU) {
        static constexpr Route kMenuRoutes[] = {{"macro_action", &M::OnMacroActionMenu}};
        route = FindRoute(kMenuRoutes, name, number);
    } else if (type == "click_select_end") {
        static constexpr Route kSelectionRoutes[] = {{"device_key_light", nullptr}, {"mouse_device_key_light", nullptr}};
        route = FindRoute(kSelectionRoutes, name, number);
    }
    // Rows without a handler name the controls of the editors of later pages.
    if (route && route->handler) (this->*route->handler)(msg, number);
    NotifyPump(msg);
}

// --- Window-level ------------------------------------------------------------------------------

void CMainWnd::OnNoDeviceOk(ui::TNotifyUI&, int) { ShowWindow(false); }
void CMainWnd::OnLightSwitchClick(ui::TNotifyUI&, int) { SetLightingControl(!m_lightControlOn, true); }

void CMainWnd::OnCaptionButton(ui::TNotifyUI& msg, int) {
    const std::string& name = msg.pSender->GetName();
    const WPARAM command = name == "minbtn" ? ui::SC_MINIMIZE : name == "maxbtn" ? ui::SC_MAXIMIZE : ui::SC_RESTORE;
    SendMessage(WM_SYSCOMMAND, command);
}

void CMainWnd::OnTabScroll(ui::TNotifyUI& msg, int) { ScrollTabStrip(msg.pSender->GetName() == "device_select_next" ? 1 : -1); }

void CMainWnd::OnDeviceTabChosen(ui::TNotifyUI& msg, int) {
    // Another tab chosen: the key-capture hook of the old page goes.
    SendMessage(WM_HOOK_CONTROL, 0, 0);
    for (DevicePage& page : m_pages)
        if (page.tab && msg.pSender->GetParent() == page.tab) page.tab->SelectTab();
    WakeDeviceStreams();  // the chosen page's colours come on screen
    RefreshKeyTab();  // the page's keyboard may have switched its profile while hidden
}

void CMainWnd::OnOperationTab(ui::TNotifyUI& msg, int) {
    // The option names the page of the device's operation pages it shows.
    DevicePage* page = SelectedPage();
    if (!page || !page->device || msg.wParam == 0) return;
    auto* pages = dynamic_cast<ui::CTabLayoutUI*>(m_pm.FindSubControlByName(page->device, "device_op_pages"));
    const std::string& index = msg.pSender->GetUserData();
    if (pages && !index.empty()) pages->SelectItem(std::atoi(index.c_str()));
    RefreshKeyTab();
}

// --- Profiles ----------------------------------------------------------------------------------

CDeviceProfileUI* CMainWnd::SelectedProfiles() {
    DevicePage* page = SelectedPage();
    return page && page->device ? page->device->ProfileControl() : nullptr;
}

int CMainWnd::Ask(const std::string& textId, int buttons) {
    return CMsgWnd::ShowMessage(*this, {}, textId, m_dpi, true, buttons);
}

void CMainWnd::OnProfileAdd(ui::TNotifyUI&, int) {
    if (CDeviceProfileUI* profiles = SelectedProfiles()) profiles->AddProfile();
}

void CMainWnd::OnProfileCopy(ui::TNotifyUI&, int) {
    if (CDeviceProfileUI* profiles = SelectedProfiles()) profiles->CopyProfile();
}

void CMainWnd::OnProfileDelete(ui::TNotifyUI&, int) {
    CDeviceProfileUI* profiles = SelectedProfiles();
    if (!profiles || profiles->GetProfileCount() < 2) return;  // the last profile stays, silently
    if (!Ask("delete_confirm_text", kMessageButtonsConfirmCancel)) return;
    // The neighbour that takes its place becomes the device's profile.
    if (profiles->DeleteProfile()) FinishProfileSwitch();
}

void CMainWnd::OnProfileReset(ui::TNotifyUI&, int) {
    CDeviceProfileUI* profiles = SelectedProfiles();
    if (!profiles || profiles->GetSelectedIndex() < 0) return;
    if (profiles->ResetProfile()) FinishProfileSwitch();
}

void CMainWnd::OnRestoreDefaults(ui::TNotifyUI& msg, int number) {
    if (!SelectedProfiles() || !Ask("reset_confirm_text", kMessageButtonsConfirmCancel)) return;
    OnProfileReset(msg, number);
}

void CMainWnd::OnProfileRename(ui::TNotifyUI&, int) {
    CDeviceProfileUI* profiles = SelectedProfiles();
    if (!profiles) return;
    const std::string name = profiles->GetNameEditText();
    if (name.empty()) return;
    switch (profiles->RenameProfile(name)) {
        case ProfileList::kNameInUse: Ask("message_text_5", kMessageButtonsConfirm); break;
        case ProfileList::kNameBlank: Ask("message_text_25", kMessageButtonsConfirm); break;
        case ProfileList::kNotWritten: Ask("profile_write_failed_text", kMessageButtonsConfirm); break;
        default: break;
    }
}

void CMainWnd::OnProfileMenuToggle(ui::TNotifyUI&, int) {
    if (CDeviceProfileUI* profiles = SelectedProfiles()) profiles->ShowProfileMenu(!profiles->IsProfileMenuVisible());
}

bool CMainWnd::IsImportableProfile(const std::string& path) {
    // Read as the list reads it: a regular file within the import limit that parses and names
    // itself; anything else is refused before the list is touched.
    const FileRead read = ReadRegularFile(path, ProfileList::kMaxImportBytes);
    if (!read.ok()) return false;
    const Json::Value document = ParseJsonText(read.text);
    return document.isObject() && document.isMember("profilename") && !document["profilename"].isNull() &&
           document.isMember("profileUUID") && !document["profileUUID"].isNull();
}

void CMainWnd::OnProfileImport(ui::TNotifyUI&, int) {
    CDeviceProfileUI* profiles = SelectedProfiles();
    if (!profiles || profiles->GetSelectedIndex() < 0) return;
    const std::optional<std::string> path = ui::OpenFileDialog(GetHWND(), kProfileFilter);
    if (!path) return;
    if (!IsImportableProfile(*path) || !profiles->ImportProfile(*path)) {
        DebugTraceF("import refused: %s", path->c_str());
        Ask("import_refused_text", kMessageButtonsConfirm);
    }
}

void CMainWnd::OnProfileExport(ui::TNotifyUI&, int) {
    CDeviceProfileUI* profiles = SelectedProfiles();
    if (!profiles || profiles->GetSelectedIndex() < 0) return;
    const std::optional<std::string> path = ui::SaveFileDialog(GetHWND(), kProfileFilter, profiles->GetNameEditText());
    if (!path || path->empty()) return;
    if (!profiles->ExportProfile(*path)) Ask("export_failed_text", kMessageButtonsConfirm);
}

void CMainWnd::OnProfileChosen(ui::TNotifyUI&, int) {
    // The combo may change again while the user scrolls through it; the switch waits.
    kx58::SetTimer(GetHWND(), kTimerProfileSwitch, kTimerProfileSwitchMs);
}

void CMainWnd::FinishProfileSwitch() {
    DevicePage* page = SelectedPage();
    if (!page || !page->device || !page->device->ProfileControl()) return;
    CDeviceProfileUI& profiles = *page->device->ProfileControl();
    profiles.SelectProfile(profiles.GetSelectedIndex());
    page->device->LoadProfile();
    ApplyProfile(*page->device);
    RefreshKeyTab();
}

void CMainWnd::ApplyProfile(CQuorinUSBDevice& device) {
    if (!device.IsOpen()) return;  // shown on the page; written when the device comes
    const std::uint64_t started = TickCount64();
    // The light thread rests until the device's settings are read back after the writes, so
    // the page shows what the device now holds, not a preview of what it held before.
    device.CommandChannel().SetRefreshPending(true);
    device.PostDeviceRequest(CQuorinUSBDevice::kRequestSettingsReload);
    device.LoadKeyPage();
    device.ValidateMacroKeys();
    device.LoadLightPage();
    // A device that cannot be reached any more (its link is down, it was pulled out) would
    // fail every further write after its own timeout; the rest waits for its return.
    const auto gone = [&device](int result) { return result == kResultUnreachable || !device.IsOpen(); };
    if (gone(device.ApplySettings(0, 0, 1, m_screenWidth, m_screenHeight))) {
        DebugTrace("profile not applied: the device cannot be reached");
        return;
    }
    const std::vector<int> macros = device.CollectUsedMacros();
    const int macroResult = device.ApplyMacros(macros);
    if (!gone(macroResult)) device.ApplyProfileKeys();
    DebugTraceF("profile applied in %llu ms", static_cast<unsigned long long>(TickCount64() - started));
    if (macroResult == -1) {
        Ask("message_text_7", kMessageButtonsConfirm);
    } else if (macroResult > 0) {
        std::string text;
        ui::CResourceManager::GetInstance()->FindText("message_text_16", text);
        if (const std::size_t at = text.find("%d"); at != std::string::npos) text.replace(at, 2, std::to_string(macroResult));
        CMsgWnd::ShowMessage(*this, {}, text.empty() ? std::to_string(macroResult) : text, m_dpi, false,
                             kMessageButtonsConfirm);
    }
}

// --- Device settings ---------------------------------------------------------------------------

CLightControlUI* CMainWnd::LightEditorOf(const ui::TNotifyUI& msg, CQuorinUSBDevice*& device) {
    DevicePage* page = SelectedPage();
    device = page ? page->device : nullptr;
    auto* editor = device ? dynamic_cast<CLightControlUI*>(device->LightControl()) : nullptr;
    return editor && IsInside(msg.pSender, editor) ? editor : nullptr;
}

void CMainWnd::OnLightEdit(ui::TNotifyUI& msg, int) {
    CQuorinUSBDevice* device = nullptr;
    CLightControlUI* editor = LightEditorOf(msg, device);
    if (!editor || !editor->TakeUserEdit(msg)) return;
    TakeLightEdit(*device);
    // While every device shows this effect the change is theirs too; an effect they cannot
    // share ends it.
    if (device->IsSyncLighting() && !CopySharedEffect(*editor, *device)) SetSharedEffect(false);
    // In the custom mode a colour chosen while keys are selected is theirs.
    if (editor->LastEditWasColour()) device->PaintSelectedKeys(editor->GetPreviewColour());
}

void CMainWnd::OnPaintKeys(ui::TNotifyUI& msg, int) {
    CQuorinUSBDevice* device = nullptr;
    CLightControlUI* editor = LightEditorOf(msg, device);
    if (!editor) return;
    const bool off = msg.pSender->GetName() == "custom_off_color_btn";
    if (device->PaintSelectedKeys(off ? 0xFF000000u : editor->GetPreviewColour()) > 0) TakeLightEdit(*device);
}

void CMainWnd::OnLightColourPicker(ui::TNotifyUI& msg, int) {
    CQuorinUSBDevice* device = nullptr;
    CLightControlUI* editor = LightEditorOf(msg, device);
    if (!editor) return;
    const ColourChoice choice = CColorSelectWnd::Choose(*this, msg.pSender->GetBkColor(), m_dpi);
    if (!choice.chosen) return;
    editor->TakePickedColour(choice.colour, choice.sevenColour, msg.pSender->GetName() == "deng_audiocolordp_btn");
    TakeLightEdit(*device);
    if (editor->LastEditWasColour()) device->PaintSelectedKeys(editor->GetPreviewColour());
}

void CMainWnd::OnSameEffectEverywhere(ui::TNotifyUI& msg, int) {
    CQuorinUSBDevice* selected = nullptr;
    CLightControlUI* editor = LightEditorOf(msg, selected);
    auto* option = dynamic_cast<ui::COptionUI*>(msg.pSender);
    if (!editor || !option) return;
    SetSharedEffect(option->IsSelected() && CopySharedEffect(*editor, *selected));
}

bool CMainWnd::CopySharedEffect(CLightControlUI& editor, CQuorinUSBDevice& selected) {
    SyncParameters parameters = m_lightSync.Parameters();
    if (!SyncModeOfEffect(editor.GetPageKind(), editor.GetSelectedEffect(), parameters.mode)) return false;
    const LightState state = selected.GetLightState();
    parameters.brightnessLevel = state.brightness;
    parameters.speed = state.speed;
    parameters.colourful = state.multiColor;
    parameters.red = state.red;
    parameters.green = state.green;
    parameters.blue = state.blue;
    parameters.direction = state.fx;
    m_lightSync.SetParameters(parameters);
    return true;
}

void CMainWnd::SetSharedEffect(bool on) {
    for (CQuorinUSBDevice* device : SyncDevices()) {
        if (device->IsSyncLighting() != on) {
            // Off stops the stream before the device gets its own lighting back; on marks the
            // device only once it took the stream mode, or it would show frozen colours.
            if (!on) device->SetSyncLighting(false);
            // One retry: a write can time out while the device answers a read-back.
            const bool taken = device->ApplySyncLighting(on) == kResultOk || device->ApplySyncLighting(on) == kResultOk;
            if (!taken) DebugTrace(device->GetClass() + ": the device did not take the change of the shared effect");
            if (on && taken) device->SetSyncLighting(true);
        }
        if (auto* other = dynamic_cast<CLightControlUI*>(device->LightControl()))
            other->ShowSameEffectEverywhere(device->IsSyncLighting());
    }
}

void CMainWnd::OnAudioStyles(ui::TNotifyUI& msg, int) {
    CQuorinUSBDevice* device = nullptr;
    CLightControlUI* editor = LightEditorOf(msg, device);
    if (!editor) return;
    AudioStyles styles = ReadAudioStyles();
    if (!CMusicWnd::Edit(*this, styles, m_dpi)) return;
    if (!WriteAudioStyles(styles)) Ask("audio_styles_save_failed_text", kMessageButtonsConfirm);
    // The chosen style's colour becomes the sound lighting's colour.
    const auto& colour = styles.colours[static_cast<std::size_t>(styles.selected)];
    editor->ShowAudioColour(0xFF000000u | DWORD{colour[0]} << 16 | DWORD{colour[1]} << 8 | colour[2]);
    TakeLightEdit(*device);
}

void CMainWnd::AddSyncDevice(CQuorinUSBDevice* device) {
    std::lock_guard lock(m_syncDevicesLock);
    m_syncDevices.push_back(device);
    // The engine's order: mice, keyboards, mouse pads, headsets.
    const auto rank = [](const CQuorinUSBDevice* d) {
        const std::string name = d->GetClass();
        return name == "QuorinMouseDevice" ? 0 : name == "QuorinKeyboardDevice" ? 1 : name == "QuorinMousePadDevice" ? 2 : 3;
    };
    std::stable_sort(m_syncDevices.begin(), m_syncDevices.end(),
                     [&](const CQuorinUSBDevice* a, const CQuorinUSBDevice* b) { return rank(a) < rank(b); });
}

std::vector<CQuorinUSBDevice*> CMainWnd::SyncDevices() const {
    std::lock_guard lock(m_syncDevicesLock);
    return m_syncDevices;
}

void CMainWnd::TakeLightEdit(CQuorinUSBDevice& edited) {
    CQuorinUSBDevice* device = &edited;
    device->TakeLightEdit();
    // A drag of a slider or across the palette writes the device once, when it rests.
    if (m_lightWriteDevice && m_lightWriteDevice != device) m_lightWriteDevice->ApplyLightToDevice();
    m_lightWriteDevice = device;
    kx58::SetTimer(GetHWND(), kTimerLightWrite, kTimerLightWriteMs);
}

void CMainWnd::FinishLightWrite() {
    CQuorinUSBDevice* device = std::exchange(m_lightWriteDevice, nullptr);
    if (device) device->ApplyLightToDevice();
}

void CMainWnd::OnSystemPageChange(ui::TNotifyUI&, int) {
    // The whole page is read and written: which option changed does not matter.
    DevicePage* page = SelectedPage();
    if (auto* keyboard = page ? dynamic_cast<CQuorinKeyboardDevice*>(page->device) : nullptr) ApplyKeyboardSystemPage(*keyboard);
    if (auto* mouse = page ? dynamic_cast<CQuorinMouseDevice*>(page->device) : nullptr) ApplyMouseSystemPage(*mouse);
}

}  // namespace kx58
