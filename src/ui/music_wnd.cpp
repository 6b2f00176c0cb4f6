#include "ui/music_wnd.h"

#include <algorithm>

#include "platform/debug_trace.h"
#include "platform/folders.h"
#include "profile/json_file.h"
#include "ui/auxiliary_window.h"
#include "uikit/button.h"
#include "uikit/slider.h"

namespace kx58 {
namespace {

constexpr const char* kStylesFileName = "AudioFile.json";
constexpr const char* kChannels[] = {"R", "G", "B"};
constexpr const char* kSliders[] = {"audio_r_slider", "audio_g_slider", "audio_b_slider"};

bool ReadStylesFrom(const std::string& path, AudioStyles& styles) {
    const Json::Value document = ReadJsonDocument(path);
    const Json::Value* info = nullptr;
    if (document.isObject() && document["Device"].isObject()) info = &document["Device"]["AudioLightInfo"];
    if (!info || !info->isObject()) return false;
    const auto number = [&](const std::string& key, int highest) {
        const Json::Value& value = (*info)[key];
        return value.isInt() ? std::clamp(value.asInt(), 0, highest) : 0;
    };
    styles.selected = number("nAudioStyle", static_cast<int>(kAudioStyleCount) - 1);
    for (std::size_t i = 0; i < kAudioStyleCount; ++i) {
        const Json::Value& name = (*info)["nStyleName" + std::to_string(i + 1)];
        styles.names[i] = name.isString() ? name.asString() : std::string();
        for (std::size_t c = 0; c < 3; ++c)
            styles.colours[i][c] = static_cast<std::uint8_t>(number(std::string("nStyle") + kChannels[c] + std::to_string(i), 255));
    }
    return true;
}

Json::Value StylesDocument(const AudioStyles& styles) {
    Json::Value info(Json::objectValue);
    info["nAudioStyle"] = styles.selected;
    for (std::size_t i = 0; i < kAudioStyleCount; ++i) {
        info["nStyleName" + std::to_string(i + 1)] = styles.names[i];
        for (std::size_t c = 0; c < 3; ++c) info[std::string("nStyle") + kChannels[c] + std::to_string(i)] = styles.colours[i][c];
    }
    Json::Value document(Json::objectValue);
    document["Device"]["AudioLightInfo"] = info;
    return document;
}

}  // namespace

std::string AudioStylesPath() { return Folders::UserData() + kStylesFileName; }

AudioStyles ReadAudioStyles() {
    AudioStyles styles;
    if (ReadStylesFrom(AudioStylesPath(), styles)) return styles;
    styles = {};
    if (!ReadStylesFrom(Folders::Defaults() + kStylesFileName, styles)) {
        DebugTrace("audio styles: no usable file");
        return styles;
    }
    if (!WriteAudioStyles(styles)) DebugTrace("audio styles: the per-user copy cannot be written");
    return styles;
}

bool WriteAudioStyles(const AudioStyles& styles) { return WriteJsonDocument(AudioStylesPath(), StylesDocument(styles)); }

bool CMusicWnd::Edit(ui::CWindowWnd& owner, AudioStyles& styles, int dpi) {
    // Deleted by its final message, also when the owner goes while it is open.
    auto* window = new CMusicWnd(styles);
    AudioStyles result = styles;
    window->m_result = &result;
    if (!CreateAuxiliaryWindow(*window, owner, "MusicWnd", ui::WS_POPUP, dpi, "SET_WND DPI SET ERROR")) {
        delete window;
        return false;
    }
    if (window->ShowModal() != ui::IDOK) return false;
    styles = result;
    return true;
}

void CMusicWnd::InitWindow() {
    for (std::size_t i = 0; i < kAudioStyleCount; ++i) {
        if (ui::CControlUI* edit = m_pm.FindControl("audio_edit_name" + std::to_string(i + 1))) edit->SetText(m_styles.names[i]);
        else DebugTrace("GetAudioLightInfo control is NULL");
    }
    if (auto* tab = dynamic_cast<ui::COptionUI*>(m_pm.FindControl("audio_select_tab" + std::to_string(m_styles.selected + 1))))
        tab->Selected(true, false);
    ShowStyle(m_styles.selected);
}

void CMusicWnd::ShowStyle(int index) {
    m_styles.selected = std::clamp(index, 0, static_cast<int>(kAudioStyleCount) - 1);
    const auto& colour = m_styles.colours[static_cast<std::size_t>(m_styles.selected)];
    for (std::size_t c = 0; c < 3; ++c) {
        auto* slider = dynamic_cast<ui::CProgressUI*>(m_pm.FindControl(kSliders[c]));
        if (!slider) {
            DebugTrace("GetAudioLightInfo control is NULL");
            continue;
        }
        slider->SetValue(colour[c]);
    }
    if (ui::CControlUI* show = m_pm.FindControl("audio_color_show"))
        show->SetBkColor(0xFF000000u | DWORD{colour[0]} << 16 | DWORD{colour[1]} << 8 | colour[2]);
}

void CMusicWnd::TakeSliders() {
    auto& colour = m_styles.colours[static_cast<std::size_t>(m_styles.selected)];
    for (std::size_t c = 0; c < 3; ++c)
        if (auto* slider = dynamic_cast<ui::CProgressUI*>(m_pm.FindControl(kSliders[c])))
            colour[c] = static_cast<std::uint8_t>(std::clamp(slider->GetValue(), 0, 255));
    ShowStyle(m_styles.selected);
}

void CMusicWnd::Notify(ui::TNotifyUI& msg) {
    if (!msg.pSender) return WindowImplBase::Notify(msg);
    const std::string& name = msg.pSender->GetName();
    constexpr std::string_view kTab = "audio_select_tab", kName = "audio_edit_name";
    if (msg.sType == ui::DUI_MSGTYPE_SELECTCHANGED && name.starts_with(kTab) && msg.wParam != 0) {
        ShowStyle(std::atoi(name.c_str() + kTab.size()) - 1);
    } else if (msg.sType == ui::DUI_MSGTYPE_KILLFOCUS && name.starts_with(kName)) {
        const int index = std::atoi(name.c_str() + kName.size()) - 1;
        if (index >= 0 && index < static_cast<int>(kAudioStyleCount)) m_styles.names[static_cast<std::size_t>(index)] = msg.pSender->GetText();
    } else if ((msg.sType == ui::DUI_MSGTYPE_VALUECHANGED || msg.sType == ui::DUI_MSGTYPE_MOVEVALUECHANGED) &&
               name.starts_with("audio_") && name.ends_with("_slider")) {
        TakeSliders();
    } else if (msg.sType == ui::DUI_MSGTYPE_CLICK && name == "okbtn") {
        // An edit still being typed in has not lost its focus yet.
        for (std::size_t i = 0; i < kAudioStyleCount; ++i)
            if (ui::CControlUI* edit = m_pm.FindControl(std::string(kName) + std::to_string(i + 1))) m_styles.names[i] = edit->GetText();
        if (m_result) *m_result = m_styles;
        return Close(ui::IDOK);
    } else if (msg.sType == ui::DUI_MSGTYPE_CLICK && (name == "closebtn" || name == "cancelbtn")) {
        return Close(ui::IDCANCEL);
    }
    WindowImplBase::Notify(msg);
}

void CMusicWnd::OnFinalMessage(HWND hwnd) {
    WindowImplBase::OnFinalMessage(hwnd);
    delete this;
}

}  // namespace kx58
