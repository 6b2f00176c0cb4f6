// The recording side of the macro editor: the recording look, the delays between recorded
// events and where each recorded key or button goes in the action list.
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <optional>

#include "editors/key_assignment_tables.h"
#include "editors/macro_control_ui.h"
#include "editors/macro_event_names.h"
#include "profile/json_file.h"
#include "uikit/edit.h"
#include "uikit/list.h"
#include "uikit/paint_manager.h"

namespace kx58 {
namespace {

constexpr int kModifierKeyType = 9;
constexpr int kUsageKeyType = 10;
constexpr int kMouseButtonType = 1;

// Mouse messages and the event each records: the button's mask and whether it is a press.
struct MouseButtonEvent {
    UINT message;
    std::uint32_t xButton;  // 0 for the three main buttons
    std::uint8_t mask;
    bool down;
};
constexpr MouseButtonEvent kMouseButtons[] = {
    {WM_LBUTTONDOWN, 0, 1, true},         {WM_LBUTTONUP, 0, 1, false},          {WM_RBUTTONDOWN, 0, 2, true},
    {WM_RBUTTONUP, 0, 2, false},          {WM_MBUTTONDOWN, 0, 4, true},         {WM_MBUTTONUP, 0, 4, false},
    {WM_XBUTTONDOWN, XBUTTON2, 16, true}, {WM_XBUTTONUP, XBUTTON2, 16, false},  {WM_XBUTTONDOWN, XBUTTON1, 8, true},
    {WM_XBUTTONUP, XBUTTON1, 8, false}};

const MouseButtonEvent* FindMouseButton(UINT message, std::uint32_t mouseData) {
    const std::uint32_t xButton = mouseData >> 16;
    for (const MouseButtonEvent& button : kMouseButtons)
        if (button.message == message && (button.xButton == 0 || button.xButton == xButton)) return &button;
    return nullptr;
}

// The key row of a hook event, after the repeat filter; nothing for a repeat or an unknown key.
std::optional<MacroEventRecord> KeyEvent(UINT message, const KBDLLHOOKSTRUCT& key, PressedKeyMemory& memory) {
    const bool down = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
    const PressedKeyMemory pressed{key.scanCode, (key.flags & LLKHF_EXTENDED) != 0};
    const bool same = memory.scanCode == pressed.scanCode && memory.extended == pressed.extended;
    if (down && same) return std::nullopt;  // the key is held: its repeats are not events
    if (down) memory = pressed;
    else if (same) memory = {};
    const int row = KeyboardRowOfScanCode(pressed.scanCode, pressed.extended);
    if (row < 0) return std::nullopt;
    const KeyboardKeyRow& entry = KeyboardKeyRows()[static_cast<std::size_t>(row)];
    const bool modifier = row < kModifierRowCount;
    return MacroEventRecord{down, modifier ? entry.first : entry.second,
                            static_cast<std::uint8_t>(modifier ? kModifierKeyType : kUsageKeyType), 0};
}

bool ContainsPoint(const ui::RECT& rect, std::int32_t x, std::int32_t y) {
    return x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom;
}

}  // namespace

void CMacroControlUI::ReadFixedDelay() {
    ui::CControlUI* edit = Find("macro_fixed_time_edit");
    if (!edit) return;
    const std::string text = edit->GetText();
    errno = 0;
    char* end = nullptr;
    const unsigned long long typed = std::strtoull(text.c_str(), &end, 10);
    const std::uint16_t value = end == text.c_str() ? 0
                                : (errno == ERANGE || typed > kMaxMacroDelay) ? kMaxMacroDelay
                                                                               : static_cast<std::uint16_t>(typed);
    if (value == fixedDelay_ && text == std::to_string(value)) return;
    fixedDelay_ = value;
    edit->SetText(std::to_string(value));
    if (auto* field = dynamic_cast<ui::CEditUI*>(edit)) field->SetCaretToEnd();
}

void CMacroControlUI::SetRecordingLook(bool recording) {
    for (const char* name : {"macro_name_tab", "macro_action_list"}) {
        if (auto* container = dynamic_cast<ui::CContainerUI*>(Find(name))) {
            container->SetMouseEnabled(!recording);
            container->SetMouseChildEnabled(!recording);
        }
    }
    SetUsable("macro_tab_macroaction_edit", !recording);
    SetUsable("macro_tab_macrodelay_edit", !recording);
    if (ui::CControlUI* start = Find("macro_btn_starredio")) start->SetVisible(!recording);
    if (ui::CControlUI* stop = Find("macro_btn_stopredio")) stop->SetVisible(recording);
    if (ui::CControlUI* source = Find("macro_record_source_text")) source->SetVisible(recording);
}

void CMacroControlUI::BeginRecording(int delayMode, std::uint32_t startTick) {
    delayMode_ = delayMode;
    lastEventTime_ = startTick;
    if (delayMode == kDelayFixed) ReadFixedDelay();
    recording_ = true;
    SetRecordingLook(true);
}

void CMacroControlUI::EndRecording() {
    recording_ = false;
    SetRecordingLook(false);
    SetMacroCommandsUsable(SelectedMacro() >= 0);  // the layouts were enabled with their group
}

void CMacroControlUI::ShowRecordingSource(const std::string& textId) {
    ui::CControlUI* source = Find("macro_record_source_text");
    if (!source) return;
    source->SetText(textId);
    source->SetToolTip(textId + "_tip");
}

std::uint16_t CMacroControlUI::TakeGap(std::uint32_t eventTime) {
    if (delayMode_ == kDelayFixed) return fixedDelay_;
    if (delayMode_ != kDelayRecorded) return 0;
    const auto elapsed = static_cast<std::int32_t>(eventTime - lastEventTime_);
    lastEventTime_ = eventTime;
    // An event stamped before the previous one (clocks of two sources) counts as no gap.
    return StoredDelay(static_cast<std::uint64_t>(std::max(elapsed, 0)));
}

void CMacroControlUI::SetRowDelay(int index, std::uint16_t delay) {
    auto* row = dynamic_cast<ui::CContainerUI*>(ActionList()->GetItemAt(index));
    if (!row) return;
    MacroEventRecord event = EventFromRow(*row);
    event.delay = delay;
    row->SetUserData(StyledJsonText(MacroEventJson(event)));
    if (ui::CControlUI* field = row->GetItemAt(2)) field->SetText(std::to_string(delay));
}

bool CMacroControlUI::PlaceRecordedEvent(RecordPlacement placement, const MacroEventRecord& recorded,
                                         std::uint32_t eventTime) {
    ui::CListUI* actions = ActionList();
    if (!actions || actions->GetCount() >= static_cast<int>(kMaxMacroEvents)) return false;
    const int selected = actions->GetCurSel();
    if (placement != RecordPlacement::Append && selected < 0) return false;
    const int count = actions->GetCount();
    const int at = placement == RecordPlacement::Append ? count
                   : placement == RecordPlacement::Before ? selected
                                                          : selected + 1;
    const std::uint16_t gap = TakeGap(eventTime);
    const bool first = count == 0 || at == 0;
    MacroEventRecord event = recorded;
    event.delay = first || delayMode_ != kDelayFixed ? 0 : fixedDelay_;
    actions->AddAt(MakeActionRow(event), at);
    if (!first && previousEvent_) SetRowDelay(at - 1, gap);
    previousEvent_ = true;
    // Before: the originally selected row stays selected, so the next event goes before it too.
    const int select = placement == RecordPlacement::Before ? at + 1 : at;
    actions->SelectItem(select, false, false);
    SetTimer(kRecordScrollTimer, kRecordScrollTimerMs);
    return true;
}

void CMacroControlUI::ReplaceSelectedEvent(const MacroEventRecord& recorded) {
    ui::CListUI* actions = ActionList();
    const int selected = actions ? actions->GetCurSel() : -1;
    auto* row = selected >= 0 ? dynamic_cast<ui::CContainerUI*>(actions->GetItemAt(selected)) : nullptr;
    if (!row) return;
    MacroEventRecord event = EventFromRow(*row);
    event.button = recorded.button;
    event.type = recorded.type;
    row->SetUserData(StyledJsonText(MacroEventJson(event)));
    if (ui::CControlUI* name = row->GetItemAt(0)) {
        name->ApplyAttributeList(GetManager() ? GetManager()->GetStyle(MacroEventNameStyle(event)) : std::string());
        name->SetText(MacroEventName(event));
    }
    if (ui::CControlUI* state = row->GetItemAt(1)) {
        state->SetText({});
        state->ApplyAttributeList(GetManager() ? GetManager()->GetStyle(event.down ? "macro_label_down_style" : "macro_label_up_style")
                                               : std::string());
    }
}

bool CMacroControlUI::RecordKey(RecordPlacement placement, UINT message, const KBDLLHOOKSTRUCT& key,
                                PressedKeyMemory& memory) {
    if (!recording_) return false;
    const std::optional<MacroEventRecord> event = KeyEvent(message, key, memory);
    if (!event) return false;
    if (placement != RecordPlacement::Replace) return PlaceRecordedEvent(placement, *event, key.time);
    if (SelectedEventIndex() < 0) return false;
    ReplaceSelectedEvent(*event);
    return true;
}

bool CMacroControlUI::IsOnStopButton(const MouseHookRecord& mouse) {
    ui::CControlUI* stop = Find("macro_btn_stopredio");
    return stop && stop->IsVisible() && ContainsPoint(stop->GetPos(), mouse.x, mouse.y);
}

bool CMacroControlUI::RecordMouseButton(RecordPlacement placement, UINT message, const MouseHookRecord& mouse,
                                        UINT& lastMessage) {
    if (!recording_) return false;
    const MouseButtonEvent* button = FindMouseButton(message, mouse.mouseData);
    if (!button || message == lastMessage) return false;
    lastMessage = message;
    // The click that ends the recording is not part of it.
    if ((message == WM_LBUTTONDOWN || message == WM_LBUTTONUP) && IsOnStopButton(mouse)) return false;
    const MacroEventRecord event{button->down, button->mask, kMouseButtonType, 0};
    if (placement != RecordPlacement::Replace) return PlaceRecordedEvent(placement, event, mouse.time);
    if (SelectedEventIndex() < 0) return false;
    ReplaceSelectedEvent(event);
    return true;
}

void CMacroControlUI::DoEvent(ui::TEventUI& event) {
    if (event.Type == ui::UIEVENT_TIMER && event.wParam == kRecordScrollTimer) {
        KillTimer(kRecordScrollTimer);
        if (ui::CListUI* actions = ActionList(); actions && actions->GetCurSel() >= 0)
            actions->EnsureVisible(actions->GetCurSel());
        return;
    }
    CHorizontalLayoutUI::DoEvent(event);
}

}  // namespace kx58
