#include "ui/color_select_wnd.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "platform/debug_trace.h"
#include "platform/folders.h"
#include "profile/json_file.h"
#include "ui/auxiliary_window.h"
#include "uikit/color_palette.h"
#include "uikit/paint_manager.h"

namespace kx58 {
namespace {

constexpr const char* kOptionsFileName = "color_option_info.config";
constexpr const char* kPresetPrefix = "color_option_";
constexpr const char* kCollectedPrefix = "collect_color_option_";

DWORD ColourFromText(const std::string& text) {
    return static_cast<DWORD>(std::strtoul(text.c_str(), nullptr, 16)) | 0xFF000000u;
}

std::string TextOfColour(DWORD argb) {
    char text[16];
    std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(argb));
    return text;
}

bool ReadOptionsFrom(const std::string& path, ColourOptions& options) {
    const Json::Value document = ReadJsonDocument(path);
    const Json::Value& info = document.isObject() ? document["coloroptioninfo"] : Json::Value::nullSingleton();
    if (!info.isObject() || !info["palletDialogcoloroption"].isArray()) return false;
    const Json::Value& presets = info["palletDialogcoloroption"];
    for (Json::ArrayIndex i = 0; i < presets.size() && i < kPresetColourCount; ++i)
        if (presets[i].isObject() && presets[i]["color"].isString()) options.presets[i] = ColourFromText(presets[i]["color"].asString());
    const Json::Value& collected = info["palletDialogcollectcoloroption"];
    for (Json::ArrayIndex i = 0; collected.isArray() && i < collected.size() && i < kCollectedColourCount; ++i)
        if (collected[i].isObject() && collected[i]["color"].isString())
            options.collected.push_back(ColourFromText(collected[i]["color"].asString()));
    const auto index = [&](const char* key, std::size_t count) {
        const Json::Value& value = info[key];
        return value.isInt() && value.asInt() >= 0 && static_cast<std::size_t>(value.asInt()) < count ? value.asInt() : 0;
    };
    options.presetSelected = index("palletDialogcoloroption_selectitem", kPresetColourCount);
    options.collectedSelected = index("palletDialogcollectcoloroption_selectitem", kCollectedColourCount);
    return true;
}

}  // namespace

std::string ColourOptionsPath() { return Folders::UserData() + kOptionsFileName; }

ColourOptions ReadColourOptions() {
    ColourOptions options;
    if (ReadOptionsFrom(ColourOptionsPath(), options)) return options;
    options = {};
    if (!ReadOptionsFrom(Folders::Defaults() + kOptionsFileName, options)) DebugTrace("colour options: no usable file");
    return options;
}

bool WriteColourOptions(const ColourOptions& options) {
    Json::Value info(Json::objectValue);
    Json::Value& presets = info["palletDialogcoloroption"] = Json::Value(Json::arrayValue);
    for (DWORD colour : options.presets) presets.append(Json::Value(Json::objectValue))["color"] = TextOfColour(colour);
    Json::Value& collected = info["palletDialogcollectcoloroption"] = Json::Value(Json::arrayValue);
    for (DWORD colour : options.collected) collected.append(Json::Value(Json::objectValue))["color"] = TextOfColour(colour);
    info["palletDialogcoloroption_selectitem"] = options.presetSelected;
    info["palletDialogcollectcoloroption_selectitem"] = options.collectedSelected;
    Json::Value document(Json::objectValue);
    document["coloroptioninfo"] = info;
    return WriteJsonDocument(ColourOptionsPath(), document);
}

CColorSelectWnd::CColorSelectWnd(DWORD initial) : m_colour(initial | 0xFF000000u), m_options(ReadColourOptions()) {}

ColourChoice CColorSelectWnd::Choose(ui::CWindowWnd& owner, DWORD initial, int dpi) {
    ColourChoice result;
    // Deleted by its final message, also when the owner goes while it is open.
    auto* picker = new CColorSelectWnd(initial);
    picker->m_result = &result;
    if (!CreateAuxiliaryWindow(*picker, owner, "ColorSelectWnd", ui::WS_POPUP, dpi, "SET_WND DPI SET ERROR")) {
        delete picker;
        return result;
    }
    picker->ShowModal();
    return result;
}

void CColorSelectWnd::InitWindow() {
    FillSwatches();
    ShowColour(m_colour, nullptr);
}

void CColorSelectWnd::FillSwatches() {
    char name[48];
    for (std::size_t i = 0; i < kPresetColourCount; ++i) {
        std::snprintf(name, sizeof name, "%s%zu", kPresetPrefix, i);
        if (ui::CControlUI* swatch = m_pm.FindControl(name)) swatch->SetBkColor(m_options.presets[i]);
    }
    for (std::size_t i = 0; i < kCollectedColourCount; ++i) {
        std::snprintf(name, sizeof name, "%s%zu", kCollectedPrefix, i);
        ui::CControlUI* swatch = m_pm.FindControl(name);
        if (!swatch) continue;
        const bool filled = i < m_options.collected.size();
        swatch->SetBkColor(filled ? m_options.collected[i] : 0);
        swatch->SetEnabled(filled);
    }
}

void CColorSelectWnd::ShowColour(DWORD argb, const ui::CControlUI* from) {
    m_colour = argb | 0xFF000000u;
    m_sevenColour = false;
    if (ui::CControlUI* show = m_pm.FindControl("color_show_btn")) {
        show->SetBkColor(m_colour);
        show->SetBkImage({});
    }
    const auto setEdit = [&](const char* name, unsigned value) {
        ui::CControlUI* edit = m_pm.FindControl(name);
        if (edit && edit != from) edit->SetText(std::to_string(value));
    };
    setEdit("color_edit_r", (m_colour >> 16) & 0xFF);
    setEdit("color_edit_g", (m_colour >> 8) & 0xFF);
    setEdit("color_edit_b", m_colour & 0xFF);
    auto* field = dynamic_cast<ui::CColorPaletteUI*>(m_pm.FindControl("Pallet"));
    if (field && field != from) field->SetSelectColor(m_colour);
}

void CColorSelectWnd::TakeOk() {
    if (!m_sevenColour) {
        // The chosen colour is collected, most recent first, once.
        std::erase(m_options.collected, m_colour);
        m_options.collected.insert(m_options.collected.begin(), m_colour);
        if (m_options.collected.size() > kCollectedColourCount) m_options.collected.resize(kCollectedColourCount);
        m_options.collectedSelected = 0;
    }
    if (!WriteColourOptions(m_options)) DebugTrace("colour options: the file cannot be written");
    if (m_result) *m_result = {true, m_sevenColour, m_colour};
    Close(ui::IDOK);
}

void CColorSelectWnd::Notify(ui::TNotifyUI& msg) {
    if (!msg.pSender) return WindowImplBase::Notify(msg);
    const std::string& name = msg.pSender->GetName();
    if (msg.sType == ui::DUI_MSGTYPE_COLORCHANGED && name == "Pallet") {
        ShowColour(static_cast<DWORD>(msg.wParam), msg.pSender);
    } else if (msg.sType == ui::DUI_MSGTYPE_TEXTCHANGED && name.starts_with("color_edit_")) {
        const auto value = [&](const char* edit) {
            ui::CControlUI* control = m_pm.FindControl(edit);
            return control ? static_cast<DWORD>(std::clamp(std::atoi(control->GetText().c_str()), 0, 255)) : 0u;
        };
        ShowColour(value("color_edit_r") << 16 | value("color_edit_g") << 8 | value("color_edit_b"), msg.pSender);
    } else if (msg.sType == ui::DUI_MSGTYPE_CLICK) {
        if (name.starts_with(kPresetPrefix)) {
            m_options.presetSelected = std::atoi(name.c_str() + std::char_traits<char>::length(kPresetPrefix));
            return ShowColour(msg.pSender->GetBkColor(), nullptr);
        }
        if (name.starts_with(kCollectedPrefix)) {
            m_options.collectedSelected = std::atoi(name.c_str() + std::char_traits<char>::length(kCollectedPrefix));
            return ShowColour(msg.pSender->GetBkColor(), nullptr);
        }
        if (name == "7color" || name == "7color_collect") {
            m_sevenColour = true;
            if (ui::CControlUI* show = m_pm.FindControl("color_show_btn")) show->SetBkImage("common/base1.png");
            return;
        }
        if (name == "okbtn") return TakeOk();
        if (name == "closebtn" || name == "cancelbtn") return Close(ui::IDCANCEL);
        if (name == "minbtn") return static_cast<void>(SendMessage(WM_SYSCOMMAND, ui::SC_MINIMIZE));
        if (name == "maxbtn") return static_cast<void>(SendMessage(WM_SYSCOMMAND, ui::SC_MAXIMIZE));
        if (name == "restorebtn") return static_cast<void>(SendMessage(WM_SYSCOMMAND, ui::SC_RESTORE));
    }
    WindowImplBase::Notify(msg);
}

void CColorSelectWnd::OnFinalMessage(HWND hwnd) {
    WindowImplBase::OnFinalMessage(hwnd);
    delete this;
}

}  // namespace kx58
