#include "editors/macro_control_ui.h"

#include <algorithm>

#include "editors/macro_event_names.h"
#include "profile/json_file.h"
#include "uikit/control_factory.h"
#include "uikit/edit.h"
#include "uikit/label.h"
#include "uikit/list.h"
#include "uikit/paint_manager.h"

namespace kx58 {
namespace {

constexpr int kRowHeight = 30;
constexpr int kDelayEditHeight = 25;
constexpr int kDelayEditWidth = 56;
constexpr DWORD kDelayEditColour = 0xFF444444;
constexpr const char* kMacroCommands[] = {"macro_action_layout", "mouse_move_layout", "macro_btn_export",
                                          "macro_btn_name_sub", "macro_btn_name_edit"};

struct MouseButtonItem {
    const char* prefix;  // the item names are prefix + "_down", "_up" or "_click"
    std::uint8_t mask;
};
constexpr MouseButtonItem kMouseButtonItems[] = {
    {"left", 1}, {"right", 2}, {"middle", 4}, {"back", 8}, {"forward", 16}};

MacroEventRecord EventFromJson(const Json::Value& element) {
    MacroEventRecord event;
    if (!element.isObject()) return event;
    event.down = element["Action"].isString() && element["Action"].asString() == "down";
    event.button = static_cast<std::uint8_t>(element["Button"].isIntegral() ? element["Button"].asInt() : 0);
    event.type = static_cast<std::uint8_t>(element["Type"].isIntegral() ? element["Type"].asInt() & 0x7F : 0);
    const Json::Value& delay = element["Delay"];
    event.delay = delay.isString() ? DelayFromText(delay.asString())
                  : delay.isIntegral() ? static_cast<std::uint16_t>(std::clamp(delay.asInt64(), Json::Int64{0}, Json::Int64{kMaxMacroDelay}))
                                       : 0;
    return event;
}

// Rows are built before they join the window, so their styles come from the editor's manager.
void ApplyNamedStyle(ui::CControlUI& control, ui::CPaintManagerUI* manager, const std::string& style) {
    if (manager) control.ApplyAttributeList(manager->GetStyle(style));
}

ui::CLabelUI* MakeLabel(ui::CPaintManagerUI* manager, const std::string& style, const std::string& text) {
    auto* label = new ui::CLabelUI;
    ApplyNamedStyle(*label, manager, style);
    if (!text.empty()) label->SetText(text);
    return label;
}

}  // namespace

void* CMacroControlUI::GetInterface(std::string_view name) {
    if (name == "MacroControl") return this;
    return CHorizontalLayoutUI::GetInterface(name);
}

void CMacroControlUI::SetAttribute(const std::string& name, const std::string& value) {
    if (name == "macrofolder") return SetFolder(value);
    CHorizontalLayoutUI::SetAttribute(name, value);
}

// --- Controls ----------------------------------------------------------------------------------

ui::CListUI* CMacroControlUI::MacroList() { return dynamic_cast<ui::CListUI*>(Find("macro_name_list")); }
ui::CListUI* CMacroControlUI::ActionList() { return dynamic_cast<ui::CListUI*>(Find("macro_action_list")); }

void CMacroControlUI::SetUsable(const std::string& name, bool usable) {
    if (ui::CControlUI* control = Find(name)) control->SetEnabled(usable);
}

void CMacroControlUI::SetMacroCommandsUsable(bool usable) {
    for (const char* name : kMacroCommands) SetUsable(name, usable);
}

// --- Library -----------------------------------------------------------------------------------

void CMacroControlUI::SetFolder(const std::string& folder) {
    library_.emplace(folder);
    LoadLibrary();
}

void CMacroControlUI::AddMacroRow(const MacroEntry& entry) {
    auto* row = new ui::CListLabelElementUI;
    row->SetFixedHeight(kRowHeight);
    row->SetText(entry.name);
    row->SetToolTip(entry.name);
    row->SetUserData(entry.guid);
    if (ui::CListUI* list = MacroList()) list->Add(row);
    else delete row;
}

void CMacroControlUI::LoadLibrary() {
    names_.clear();
    if (ui::CListUI* list = MacroList()) list->RemoveAll();
    if (ui::CListUI* actions = ActionList()) actions->RemoveAll();
    if (!library_) return;
    for (const MacroEntry& entry : library_->Load()) {
        AddMacroRow(entry);
        names_.push_back(entry.name);
    }
    SetMacroCommandsUsable(false);
}

int CMacroControlUI::SelectedMacro() {
    ui::CListUI* list = MacroList();
    return list && library_ ? list->GetCurSel() : -1;
}

std::string CMacroControlUI::SelectedMacroName() {
    const int number = SelectedMacro();
    return number >= 0 && static_cast<std::size_t>(number) < names_.size() ? names_[static_cast<std::size_t>(number)]
                                                                            : std::string();
}

void CMacroControlUI::ShowSelectedMacro() {
    const int number = SelectedMacro();
    if (number < 0) {
        if (ui::CListUI* actions = ActionList()) actions->RemoveAll();
        return;
    }
    if (MacroList()->GetItemAt(number)->GetUserData().empty()) return;
    SetMacroCommandsUsable(true);
    ShowEvents(library_->ReadEvents(number), -1);
}

MacroCreated CMacroControlUI::TakeCreated(const MacroCreated& created) {
    if (created.result != MacroResult::Ok) return created;
    const std::size_t count = library_->Load().size();
    AddMacroRow(library_->Entries().back());
    names_.push_back(created.name);
    if (ui::CListUI* list = MacroList()) list->SelectItem(static_cast<int>(count) - 1, false, false);
    ShowSelectedMacro();
    return created;
}

MacroCreated CMacroControlUI::AddMacro() {
    if (!library_) return {MacroResult::NoSuchMacro, {}};
    return TakeCreated(library_->Add());
}

MacroCreated CMacroControlUI::ImportMacro(const std::string& path) {
    if (!library_) return {MacroResult::NoSuchMacro, {}};
    return TakeCreated(library_->Import(path));
}

MacroResult CMacroControlUI::RenameMacro() {
    const int number = SelectedMacro();
    ui::CControlUI* edit = Find("macro_edit_macroname");
    if (number < 0 || !edit) return MacroResult::NoSuchMacro;
    const std::string name = edit->GetText();
    const MacroResult result = library_->Rename(number, name);
    if (result != MacroResult::Ok) return result;
    const std::string stored = library_->Load()[static_cast<std::size_t>(number)].name;
    names_[static_cast<std::size_t>(number)] = stored;
    ui::CControlUI* row = MacroList()->GetItemAt(number);
    row->SetText(stored);
    row->SetToolTip(stored);
    return result;
}

MacroResult CMacroControlUI::DeleteSelectedMacro() {
    const int number = SelectedMacro();
    if (number < 0) return MacroResult::NoSuchMacro;
    const MacroResult result = library_->Delete(number);
    if (result != MacroResult::Ok) return result;
    ui::CListUI* list = MacroList();
    list->RemoveAt(number);
    names_.erase(names_.begin() + number);
    if (ui::CListUI* actions = ActionList()) actions->RemoveAll();
    if (list->GetCount() > 0) {
        list->SelectItem(0, false, false);
        ShowSelectedMacro();
    } else {
        SetMacroCommandsUsable(false);
    }
    return result;
}

MacroResult CMacroControlUI::ExportSelectedMacro(const std::string& path) {
    const int number = SelectedMacro();
    return number < 0 ? MacroResult::NoSuchMacro : library_->Export(number, path);
}

// --- Action rows -------------------------------------------------------------------------------

ui::CControlUI* CMacroControlUI::MakeActionRow(const MacroEventRecord& event) {
    auto* row = new ui::CListContainerElementUI;
    row->SetName("macro_action");
    row->SetFixedHeight(kRowHeight);
    row->SetAttribute("childvalign", "vcenter");
    row->SetContextMenuUsed(true);
    row->SetUserData(StyledJsonText(MacroEventJson(event)));
    row->Add(MakeLabel(GetManager(), MacroEventNameStyle(event), MacroEventName(event)));
    const bool movement = event.type == 4 || event.type == 5;
    const bool otherMouse = event.type == 2 || event.type == 3;
    if (movement || otherMouse) {
        row->Add(MakeLabel(GetManager(), "macro_label_text_style", movement ? std::to_string(event.button) : std::string()));
    } else {
        row->Add(MakeLabel(GetManager(), event.down ? "macro_label_down_style" : "macro_label_up_style", {}));
    }
    auto* delay = new ui::CEditUI;
    delay->SetName("macro_delay");
    ApplyNamedStyle(*delay, GetManager(), "macro_label_text_style");
    delay->SetBkColor(kDelayEditColour);
    delay->SetFixedHeight(kDelayEditHeight);
    delay->SetFixedWidth(kDelayEditWidth);
    delay->SetAttribute("textpadding", "10,0,4,0");
    delay->SetMaxChar(6);
    delay->SetNumberOnly(true);
    delay->SetText(std::to_string(event.delay));
    row->Add(delay);
    return row;
}

MacroEventRecord CMacroControlUI::EventFromRow(ui::CControlUI& row) { return EventFromJson(ParseJsonText(row.GetUserData())); }

std::vector<MacroEventRecord> CMacroControlUI::RowEvents(bool withTypedDelays) {
    std::vector<MacroEventRecord> events;
    ui::CListUI* actions = ActionList();
    if (!actions) return events;
    for (int i = 0; i < actions->GetCount(); ++i) {
        auto* row = dynamic_cast<ui::CContainerUI*>(actions->GetItemAt(i));
        if (!row) continue;
        MacroEventRecord event = EventFromRow(*row);
        if (ui::CControlUI* delay = withTypedDelays ? row->GetItemAt(2) : nullptr) event.delay = DelayFromText(delay->GetText());
        events.push_back(event);
    }
    return events;
}

std::vector<MacroEventRecord> CMacroControlUI::ActionEvents() { return RowEvents(true); }

int CMacroControlUI::SelectedEventIndex() {
    ui::CListUI* actions = ActionList();
    return actions ? actions->GetCurSel() : -1;
}

void CMacroControlUI::ShowEvents(const std::vector<MacroEventRecord>& events, int selected) {
    ui::CListUI* actions = ActionList();
    if (!actions) return;
    actions->RemoveAll();
    for (const MacroEventRecord& event : events) actions->Add(MakeActionRow(event));
    if (selected >= 0 && selected < actions->GetCount()) {
        actions->SelectItem(selected, false, false);
        actions->EnsureVisible(selected);
    }
}

MacroResult CMacroControlUI::Save() {
    const int number = SelectedMacro();
    if (number < 0 || MacroList()->GetItemAt(number)->GetUserData().empty()) return MacroResult::NoSuchMacro;
    const std::vector<MacroEventRecord> events = RowEvents(true);
    const MacroResult result = library_->SaveEvents(number, events);
    if (result != MacroResult::Ok) return result;
    ui::CListUI* actions = ActionList();
    for (int i = 0; i < actions->GetCount(); ++i) {
        const MacroEventRecord& event = events[static_cast<std::size_t>(i)];
        auto* row = dynamic_cast<ui::CContainerUI*>(actions->GetItemAt(i));
        row->SetUserData(StyledJsonText(MacroEventJson(event)));
        if (ui::CControlUI* delay = row->GetItemAt(2)) delay->SetText(std::to_string(event.delay));
    }
    return result;
}

bool CMacroControlUI::MoveSelectedEvent(MacroMove move) {
    std::vector<MacroEventRecord> events = RowEvents(true);
    const int from = SelectedEventIndex();
    const int last = static_cast<int>(events.size()) - 1;
    if (SelectedMacro() < 0 || from < 0) return false;
    const bool towardsStart = move == MacroMove::Up || move == MacroMove::Top;
    if (towardsStart ? from == 0 : from >= last) return false;
    const int to = move == MacroMove::Up ? from - 1 : move == MacroMove::Down ? from + 1 : move == MacroMove::Top ? 0 : last;
    const MacroEventRecord moved = events[static_cast<std::size_t>(from)];
    events.erase(events.begin() + from);
    events.insert(events.begin() + to, moved);
    ShowEvents(events, to);
    Save();
    return true;
}

bool CMacroControlUI::DeleteSelectedEvent() {
    ui::CListUI* actions = ActionList();
    const int selected = SelectedEventIndex();
    if (SelectedMacro() < 0 || selected < 0) return false;
    actions->RemoveAt(selected);
    Save();
    return true;
}

bool CMacroControlUI::DeleteAllEvents() {
    ui::CListUI* actions = ActionList();
    if (SelectedMacro() < 0 || !actions) return false;
    actions->RemoveAll();
    Save();
    return true;
}

bool CMacroControlUI::InsertEvent(const MacroEventRecord& event) {
    std::vector<MacroEventRecord> events = RowEvents(true);
    if (SelectedMacro() < 0 || events.size() >= kMaxMacroEvents) return false;
    // After the selected row; with none, after the first one.
    const int at = events.empty() ? 0 : std::max(SelectedEventIndex(), 0) + 1;
    events.insert(events.begin() + at, event);
    ShowEvents(events, events.size() == 1 ? -1 : at);
    return true;
}

bool CMacroControlUI::InsertMouseButton(const std::string& item) {
    for (const MouseButtonItem& button : kMouseButtonItems) {
        const std::string prefix = std::string(button.prefix) + "_";
        if (!item.starts_with(prefix)) continue;
        const std::string kind = item.substr(prefix.size());
        if (kind != "down" && kind != "up" && kind != "click") return false;
        MacroEventRecord event{true, button.mask, 1, fixedDelay_};
        bool inserted = true;
        if (kind != "up") inserted = InsertEvent(event);
        event.down = false;
        if (kind != "down") inserted = inserted && InsertEvent(event);
        Save();
        return inserted;
    }
    return false;
}

bool CMacroControlUI::InsertMouseMove(MouseMove direction) {
    static constexpr const char* kDistanceEdits[] = {"mouse_x_left_edit", "mouse_x_right_edit", "mouse_y_up_edit",
                                                     "mouse_y_down_edit"};
    ui::CControlUI* edit = Find(kDistanceEdits[static_cast<int>(direction)]);
    const std::uint8_t distance = MoveDistanceFromText(edit ? edit->GetText() : std::string());
    if (!InsertEvent(MouseMoveEvent(direction, distance, fixedDelay_))) return false;
    Save();
    return true;
}

void CMacroControlUI::TakeDelayEdit(ui::CControlUI* edit) {
    if (!edit) return;
    edit->SetText(std::to_string(DelayFromText(edit->GetText())));
    Save();
}

void RegisterMacroEditorControls() {
    ui::CControlFactory::GetInstance()->RegistControl("MacroControl", [] { return new CMacroControlUI; });
}

}  // namespace kx58
