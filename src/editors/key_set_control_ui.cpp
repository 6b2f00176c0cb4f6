#include "editors/key_set_control_ui.h"

#include <cstdlib>
#include <span>

#include "editors/key_assignment_tables.h"
#include "uikit/button.h"
#include "uikit/control_factory.h"
#include "uikit/list.h"
#include "uikit/paint_manager.h"

namespace kx58 {
namespace {

constexpr std::uint8_t kCategoryMouseButton = 0x10;
constexpr std::uint8_t kCategorySwing = 0x11;
constexpr std::uint8_t kCategoryWheel = 0x12;
constexpr std::uint8_t kCategoryFire = 0x14;
constexpr std::uint8_t kCategoryKeyboard = 0x20;
constexpr std::uint8_t kCategoryMacroMode = 0x70;
constexpr std::uint8_t kCategoryMacroRepeat = 0x71;
constexpr std::uint8_t kCategoryGun = 0x72;
constexpr std::uint8_t kShortcutMarker = 0x10;  // first parameter of the shortcut keys
constexpr int kModifierOptionCount = 5;
constexpr int kMacroRowHeight = 30;
constexpr const char* kModifierOption = "key_ComBox_check_";
constexpr const char* kKeyEdit = "keyset_keyboard_text_edit";
constexpr const char* kKeyNamePrefix = "keyboard_key_";

constexpr std::pair<std::uint8_t, int> kTypeOfCategory[] = {
    {kCategoryMouseButton, kFunctionMouseButton}, {kCategorySwing, kFunctionSwing}, {kCategoryWheel, kFunctionWheel},
    {0x13, kFunctionDpi}, {kCategoryFire, kFunctionFire}, {kCategoryKeyboard, kFunctionKeyboard},
    {0x30, kFunctionMedia}, {0x40, kFunctionSystem}, {kCategoryMacroMode, kFunctionMacro},
    {kCategoryMacroRepeat, kFunctionMacro}, {kCategoryGun, kFunctionGun}, {0xB0, kFunctionShortcut}};

// The combo box of each table function and its rows.
struct TableFunction {
    int type;
    const char* combo;
    std::span<const AssignmentRow> (*rows)();
};
constexpr TableFunction kTableFunctions[] = {{kFunctionMouseButton, "keyset_mousekey_combo", MouseButtonRows},
                                             {kFunctionDpi, "keyset_mousedpi_combo", DpiFunctionRows},
                                             {kFunctionMedia, "keyset_media_combo", MediaKeyRows},
                                             {kFunctionSystem, "keyset_system_combo", SystemKeyRows},
                                             {kFunctionShortcut, "keyset_combokey_combo", ShortcutRows}};

const TableFunction* TableOf(int type) {
    for (const TableFunction& table : kTableFunctions)
        if (table.type == type) return &table;
    return nullptr;
}

int TypeOfCategory(std::uint8_t category) {
    for (const auto& [known, type] : kTypeOfCategory)
        if (known == category) return type;
    return kFunctionNone;
}

// The function a code belongs to, before the editor's reference code is considered.
int TypeOfCode(const std::array<std::uint8_t, 3>& code) {
    const int type = TypeOfCategory(code[0]);
    const bool shortcut = type == kFunctionKeyboard && (code[1] == kShortcutMarker || code[1] > 128);
    return shortcut ? kFunctionShortcut : type;
}

constexpr const char* kFunctionNames[] = {"key_function_none", "key_function_mouse", "key_function_swing",
                                          "key_function_wheel", "key_function_dpi", "key_function_fire",
                                          "key_function_keyboard", "key_function_media", "key_function_system",
                                          "key_function_macro", "key_function_gun", "key_function_shortcut"};
constexpr std::pair<std::uint8_t, const char*> kModifierWords[] = {{0x11, "Ctrl+"}, {0x22, "Shift+"}, {0x44, "Alt+"}, {0x88, "Win+"}};

std::uint32_t Packed(const std::array<std::uint8_t, 3>& code) {
    return std::uint32_t{code[0]} << 16 | std::uint32_t{code[1]} << 8 | code[2];
}

// The first row of the key table in [from, to) with these parameters; -1 when none.
int FindKeyRow(int from, int to, std::uint8_t first, std::uint8_t second, bool matchSecond) {
    const auto rows = KeyboardKeyRows();
    for (int row = from; row < to; ++row) {
        const KeyboardKeyRow& key = rows[static_cast<std::size_t>(row)];
        if (key.category == kCategoryKeyboard && key.first == first && (!matchSecond || key.second == second)) return row;
    }
    return -1;
}

}  // namespace

void* CKeySetControlUI::GetInterface(std::string_view name) {
    if (name == "KeySetControl") return this;
    return CHorizontalLayoutUI::GetInterface(name);
}

int CKeySetControlUI::EditNumber(const std::string& name) {
    ui::CControlUI* edit = Find(name);
    return edit ? std::atoi(edit->GetText().c_str()) : 0;  // not a number reads as 0
}

void CKeySetControlUI::SetEditNumber(const std::string& name, int value) {
    if (ui::CControlUI* edit = Find(name)) edit->SetText(std::to_string(value));
}

int CKeySetControlUI::ComboIndex(const std::string& name) {
    auto* combo = FindAs<ui::CComboUI>(name);
    return combo ? combo->GetCurSel() : -1;
}

void CKeySetControlUI::SelectCombo(const std::string& name, int index) {
    if (auto* combo = FindAs<ui::CComboUI>(name)) combo->SelectItem(index, false, false);
}

// --- Operations of the page --------------------------------------------------------------------

std::uint32_t CKeySetControlUI::GetAssignment() const { return Packed(code_); }

void CKeySetControlUI::SetMacroNames(const std::vector<std::string>& names) {
    macroCount_ = static_cast<int>(names.size());
    macroNames_ = names;
    auto* combo = FindAs<ui::CComboUI>("keyset_macro_combo");
    if (!combo) return;
    combo->SelectItem(-1, false, false);
    combo->RemoveAll();
    for (const std::string& name : names) {
        auto* row = new ui::CListLabelElementUI;
        row->SetText(name);
        row->SetFixedHeight(kMacroRowHeight);
        combo->Add(row);
    }
}

void CKeySetControlUI::SetDeviceMode(int mode) {
    deviceMode_ = mode;
    auto* functions = FindAs<ui::CComboUI>("keyset_function_combo");
    if (!functions) return;
    for (int i = 0; i < functions->GetCount(); ++i) {
        const int type = std::atoi(functions->GetItemAt(i)->GetUserData().c_str());
        functions->GetItemAt(i)->SetVisible(mode != 1 || (type != kFunctionDpi && type != kFunctionGun));
    }
}

void CKeySetControlUI::SetButtonsEnabled(bool on) {
    for (const char* name : {"key_butt_keysave", "key_butt_keycancel", "key_butt_prosave"})
        if (ui::CControlUI* button = Find(name)) button->SetEnabled(on);
}

void CKeySetControlUI::SetModifierOption(int index) {
    for (int i = 0; i < kModifierOptionCount; ++i)
        if (auto* option = FindAs<ui::COptionUI>(kModifierOption + std::to_string(i))) option->Selected(i == index, false);
}

int CKeySetControlUI::GetModifierOption() {
    for (int i = 0; i < kModifierOptionCount; ++i) {
        auto* option = FindAs<ui::COptionUI>(kModifierOption + std::to_string(i));
        if (option && option->IsSelected()) return i;
    }
    return -1;
}

int CKeySetControlUI::FindFunctionEntry(int type) {
    auto* functions = FindAs<ui::CComboUI>("keyset_function_combo");
    if (!functions) return -1;
    for (int i = 0; i < functions->GetCount(); ++i)
        if (std::atoi(functions->GetItemAt(i)->GetUserData().c_str()) == type) return i;
    return -1;
}

int CKeySetControlUI::GetFunctionType() {
    auto* functions = FindAs<ui::CComboUI>("keyset_function_combo");
    const int selected = functions ? functions->GetCurSel() : -1;
    if (selected < 0) return kFunctionNone;
    return std::atoi(functions->GetItemAt(selected)->GetUserData().c_str());
}

std::string CKeySetControlUI::DisplayName(const std::string& nameKey) {
    ui::CControlUI* probe = Find("text_test");
    std::string shown = nameKey;
    if (probe) {
        probe->SetText(nameKey);
        shown = probe->GetText();
    }
    if (shown == nameKey && shown.starts_with(kKeyNamePrefix)) shown.erase(0, std::string_view(kKeyNamePrefix).size());
    return shown;
}

void CKeySetControlUI::TakePressedKey(int row) {
    if (row < 0 || row >= kKeyboardCategoryRowEnd) return;  // only keys of the keyboard category
    const KeyboardKeyRow& key = KeyboardKeyRows()[static_cast<std::size_t>(row)];
    if (row < kModifierRowCount) {
        // A modifier alone: its option, and no key.
        SetModifierOption(row % 4 + 1);
        keyUsage_ = 0;
    } else {
        keyUsage_ = key.second;
        if (GetModifierOption() < 0) SetModifierOption(0);
    }
    if (ui::CControlUI* edit = Find(kKeyEdit)) edit->SetText(DisplayName(key.name));
}

void CKeySetControlUI::TakeUserEdit(const ui::TNotifyUI& msg) {
    const std::string& name = msg.pSender->GetName();
    if (msg.sType == ui::DUI_MSGTYPE_KILLFOCUS && name != kKeyEdit) {
        SetEditNumber(name, EditNumber(name));  // shown as the number it counts as
    } else if (name == "keyset_function_combo") {
        ShowFunctionPage(GetFunctionType());
        SelectFirstRowsOf(GetFunctionType());
    } else if (name == "keyset_macro_over_combo") {
        if (ui::CControlUI* cycle = Find("keyset_macro_cycle_layout"))
            cycle->SetVisible(ComboIndex("keyset_macro_over_combo") == kMacroRepeatCountMode);
    }
}

void CKeySetControlUI::SelectFirstRowsOf(int type) {
    // A function just chosen starts from its first choices rather than from nothing.
    const TableFunction* table = TableOf(type);
    const char* combo = table ? table->combo
                        : type == kFunctionSwing ? "keyset_mouseswing_combo"
                        : type == kFunctionWheel ? "keyset_mousewheel_combo"
                        : type == kFunctionGun   ? "keyset_gunkey_combo"
                                                 : nullptr;
    if (combo && ComboIndex(combo) < 0) SelectCombo(combo, 0);
}

void CKeySetControlUI::ShowFunctionPage(int type) {
    if (auto* pages = FindAs<ui::CTabLayoutUI>("function_switch_tablayout")) pages->SelectItem(type, false);
    // Swing and fire share the count edit, so it sits below the panels.
    if (ui::CControlUI* count = Find("keyset_count_layout")) count->SetVisible(type == kFunctionSwing || type == kFunctionFire);
}

// --- Showing a code ------------------------------------------------------------------------------

void CKeySetControlUI::ShowAssignment(std::uint32_t packed) {
    const Code code = Bytes(packed);
    code_ = code;
    const int type = code == reference_ ? kFunctionNone : TypeOfCode(code);
    switch (type) {
        case kFunctionSwing: ShowSwingOrWheel(code, false); break;
        case kFunctionWheel: ShowSwingOrWheel(code, true); break;
        case kFunctionFire:
            SetEditNumber("keyset_mousefire_interval_edit", code[1]);
            SetEditNumber("keyset_mousefire_num_edit", code[2]);
            break;
        case kFunctionKeyboard: ShowKeyboardKey(code); break;
        case kFunctionMacro: ShowMacro(code); break;
        case kFunctionGun: SelectCombo("keyset_gunkey_combo", code[1]); break;
        default: ShowTableRow(type, code); break;
    }
    const int entry = FindFunctionEntry(type);
    ui::CControlUI* functions = Find("keyset_function_combo");
    if (functions) functions->SetVisible(entry >= 0);
    if (entry < 0) return;
    SelectCombo("keyset_function_combo", entry);
    ShowFunctionPage(type);
}

std::string CKeySetControlUI::DescribeAssignment(std::uint32_t packed) {
    const Code code = Bytes(packed);
    const int type = code == reference_ ? kFunctionNone : TypeOfCode(code);
    const std::string function = DisplayName(kFunctionNames[type]);
    if (const TableFunction* table = TableOf(type)) {
        for (const AssignmentRow& row : table->rows())
            if (row.first == code[1] && row.second == code[2]) return DisplayName(row.name);
        return function;
    }
    if (type == kFunctionMacro && code[1] < macroNames_.size()) return function + ": " + macroNames_[code[1]];
    if (type != kFunctionKeyboard) return function;
    std::string words;
    for (const auto& [bits, word] : kModifierWords)
        if (code[1] & bits) words += word;
    const int key = FindKeyRow(kModifierRowCount, kKeyboardCategoryRowEnd, 0, code[2], true);
    if (key >= 0) return words + DisplayName(KeyboardKeyRows()[static_cast<std::size_t>(key)].name);
    return words.empty() ? function : words.substr(0, words.size() - 1);
}

void CKeySetControlUI::ShowTableRow(int type, const Code& code) {
    const TableFunction* table = TableOf(type);
    if (!table) return;
    const auto rows = table->rows();
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (rows[i].first == code[1] && rows[i].second == code[2]) return SelectCombo(table->combo, static_cast<int>(i));
    // no match: the combo keeps its row
}

void CKeySetControlUI::ShowSwingOrWheel(const Code& code, bool wheel) {
    const std::string prefix = wheel ? "keyset_mousewheel_" : "keyset_mouseswing_";
    SetEditNumber(prefix + "delay_edit", code[1] >> 4);
    SetEditNumber(prefix + "speed_edit", code[1] & 0x0F);
    const bool second = (code[2] & 0x80) != 0;
    const int count = code[2] & 0x7F;
    // The wheel's second direction counts down from 128.
    SetEditNumber(wheel ? "keyset_mousewheel_num_edit" : "keyset_mousefire_num_edit", wheel && second ? 128 - count : count);
    SelectCombo(prefix + "combo", second ? 1 : 0);
}

void CKeySetControlUI::ShowKeyName(int row) {
    ui::CControlUI* edit = Find(kKeyEdit);
    keyUsage_ = row < 0 ? 0 : KeyboardKeyRows()[static_cast<std::size_t>(row)].second;
    if (edit) edit->SetText(row < 0 ? std::string() : DisplayName(KeyboardKeyRows()[static_cast<std::size_t>(row)].name));
}

void CKeySetControlUI::ShowKeyboardKey(const Code& code) {
    if (code[1] == 0) {
        const int row = FindKeyRow(0, kKeyboardCategoryRowEnd, 0, code[2], true);
        SetModifierOption(row < 0 ? -1 : 0);
        if (row < 0) code_ = {kCategoryKeyboard, 0, 0};
        return ShowKeyName(row);
    }
    // Left and right modifiers share the options 1-4; more than one modifier shows none.
    const int modifier = FindKeyRow(0, kModifierRowCount, code[1], 0, false);
    SetModifierOption(modifier < 0 ? 0 : (modifier + 1) % 5 + (modifier + 1) / 5);
    ShowKeyName(FindKeyRow(kModifierRowCount, kKeyboardCategoryRowEnd, 0, code[2], true));
}

void CKeySetControlUI::ShowMacro(const Code& code) {
    ui::CControlUI* cycle = Find("keyset_macro_cycle_layout");
    const bool valid = code[1] < macroCount_;
    if (!valid) {
        SelectCombo("keyset_macro_combo", -1);
        SelectCombo("keyset_macro_over_combo", -1);
        if (cycle) cycle->SetVisible(false);
        return;
    }
    SelectCombo("keyset_macro_combo", code[1]);
    const bool repeat = code[0] == kCategoryMacroRepeat;
    SelectCombo("keyset_macro_over_combo", repeat ? kMacroRepeatCountMode : code[2]);
    if (cycle) cycle->SetVisible(repeat);
    if (repeat) SetEditNumber("keyset_macro_cycle_edit", code[2]);
}

// --- Building a code -------------------------------------------------------------------------------

std::uint32_t CKeySetControlUI::BuildAssignment() {
    const int type = GetFunctionType();
    Code built = reference_;
    switch (type) {
        case kFunctionSwing: built = BuildSwingOrWheel(false); break;
        case kFunctionWheel: built = BuildSwingOrWheel(true); break;
        case kFunctionFire:
            built = {kCategoryFire, static_cast<std::uint8_t>(EditNumber("keyset_mousefire_interval_edit")),
                     static_cast<std::uint8_t>(EditNumber("keyset_mousefire_num_edit"))};
            break;
        case kFunctionKeyboard: {
            const int option = GetModifierOption();
            const bool empty = !Find(kKeyEdit) || Find(kKeyEdit)->GetText().empty();
            built = {kCategoryKeyboard, static_cast<std::uint8_t>(option >= 1 && option <= 4 ? 1 << (option - 1) : 0),
                     empty ? std::uint8_t{0} : keyUsage_};
            break;
        }
        case kFunctionMacro:
            if (!BuildMacro(built)) built = code_;  // no macro chosen: the code stays
            break;
        case kFunctionGun:
            built = {kCategoryGun, static_cast<std::uint8_t>(ComboIndex("keyset_gunkey_combo")), 0};
            break;
        default:
            if (TableOf(type) && !BuildFromTable(type, built)) built = code_;
            break;
    }
    code_ = built;
    return Packed(code_);
}

bool CKeySetControlUI::BuildFromTable(int type, Code& built) {
    const TableFunction* table = TableOf(type);
    const int row = ComboIndex(table->combo);
    const auto rows = table->rows();
    if (row < 0 || static_cast<std::size_t>(row) >= rows.size()) return false;
    const AssignmentRow& chosen = rows[static_cast<std::size_t>(row)];
    built = {chosen.category, chosen.first, chosen.second};
    return true;
}

CKeySetControlUI::Code CKeySetControlUI::BuildSwingOrWheel(bool wheel) {
    const std::string prefix = wheel ? "keyset_mousewheel_" : "keyset_mouseswing_";
    const int delay = EditNumber(prefix + "delay_edit") & 0x0F;
    const int speed = EditNumber(prefix + "speed_edit") & 0x0F;
    const int count = EditNumber(wheel ? "keyset_mousewheel_num_edit" : "keyset_mousefire_num_edit");
    const bool second = ComboIndex(prefix + "combo") == 1;
    int low = count & 0x7F;
    if (second) low = wheel ? ((128 - count) | 0x80) : (count | 0x80);
    return {wheel ? kCategoryWheel : kCategorySwing, static_cast<std::uint8_t>(delay * 16 + speed),
            static_cast<std::uint8_t>(low)};
}

bool CKeySetControlUI::BuildMacro(Code& built) {
    const int macro = ComboIndex("keyset_macro_combo");
    if (macro < 0 || macro >= macroCount_) return false;
    const int mode = ComboIndex("keyset_macro_over_combo");
    if (mode == kMacroRepeatCountMode) {
        built = {kCategoryMacroRepeat, static_cast<std::uint8_t>(macro),
                 static_cast<std::uint8_t>(EditNumber("keyset_macro_cycle_edit"))};
    } else {
        built = {kCategoryMacroMode, static_cast<std::uint8_t>(macro), static_cast<std::uint8_t>(mode < 0 ? 0 : mode)};
    }
    return true;
}

// --- The key edit ------------------------------------------------------------------------------------

void* CKeyCaptureEditUI::GetInterface(std::string_view name) {
    if (name == "KeyCaptureEdit") return this;
    return CEditUI::GetInterface(name);
}

void CKeyCaptureEditUI::DoEvent(ui::TEventUI& event) {
    if (event.Type == ui::UIEVENT_CHAR) return;  // the key, not its character, is taken
    if (event.Type != ui::UIEVENT_KEYDOWN || !IsEnabled()) return CEditUI::DoEvent(event);
    const int row = KeyboardRowOfVirtualKey(event.chKey);
    if (row < 0) return;  // a key the table does not know is ignored
    for (ui::CControlUI* parent = GetParent(); parent; parent = parent->GetParent())
        if (auto* editor = static_cast<CKeySetControlUI*>(parent->GetInterface("KeySetControl")))
            return editor->TakePressedKey(row);
}

void RegisterKeySetControls() {
    ui::CControlFactory* factory = ui::CControlFactory::GetInstance();
    factory->RegistControl("KeySetControl", [] { return new CKeySetControlUI; });
    factory->RegistControl("KeyCaptureEdit", [] { return new CKeyCaptureEditUI; });
}

}  // namespace kx58
