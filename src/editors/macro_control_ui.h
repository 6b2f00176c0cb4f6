#pragma once
// CMacroControlUI: the macro editor of a device page. The macro list shows the device's
// library, the action list the events of the chosen macro. Every change of the library goes
// through MacroLibrary (files are replaced atomically); the action rows carry their event as
// JSON text, and the delay fields hold what the user typed until the next save.
// The main window asks the user's confirmations and fixes the key lists in memory.
#include <optional>
#include <string>
#include <vector>

#include "editors/named_controls.h"
#include "macro/macro_events.h"
#include "macro/macro_library.h"
#include "platform/input_hook.h"
#include "uikit/container.h"

namespace kx58 {

namespace ui {
class CListUI;
}

enum class MacroMove { Up, Down, Top, Bottom };

// Where a recorded event goes: after the last row, before or after the selected row, or
// into the selected row (its key or button replaced).
enum class RecordPlacement { Append, Before, After, Replace };
// Recording delays: measured between events, the fixed delay, or none.
inline constexpr int kDelayRecorded = 1;
inline constexpr int kDelayFixed = 2;
inline constexpr int kDelayNone = 3;
inline constexpr UINT kRecordScrollTimer = 4101;
inline constexpr UINT kRecordScrollTimerMs = 50;

// The key a key handler last saw pressed, so a held key is recorded once; scan code 0 with
// no extended flag means none.
struct PressedKeyMemory {
    DWORD scanCode = 0;
    bool extended = false;
};

class CMacroControlUI : public ui::CHorizontalLayoutUI {
public:
    std::string GetClass() const override { return "MacroControlUI"; }
    void* GetInterface(std::string_view name) override;
    // "macrofolder": the device's profile folder, set by the page; the library is loaded.
    void SetAttribute(const std::string& name, const std::string& value) override;

    void SetFolder(const std::string& folder);
    void LoadLibrary();
    const std::vector<std::string>& MacroNames() const { return names_; }
    // The selected macro's number; -1 without one.
    int SelectedMacro();
    std::string SelectedMacroName();
    // Shows the selected macro's events again (unsaved delays are dropped).
    void ShowSelectedMacro();

    MacroCreated AddMacro();
    // Renames the selected macro to the text of "macro_edit_macroname"; a blank text is NameBlank.
    MacroResult RenameMacro();
    // Removes the selected macro (file, list entry and key renumbering of every profile file).
    MacroResult DeleteSelectedMacro();
    MacroCreated ImportMacro(const std::string& path);
    MacroResult ExportSelectedMacro(const std::string& path);
    // Writes the action rows, with the delays typed into them, as the selected macro's file.
    MacroResult Save();

    // Each of these changes the action list and saves; false when there was nothing to do.
    bool MoveSelectedEvent(MacroMove move);
    bool DeleteSelectedEvent();
    bool DeleteAllEvents();
    // A menu item of the action menu ("left_click", "back_down", ...); false for another item.
    bool InsertMouseButton(const std::string& item);
    bool InsertMouseMove(MouseMove direction);
    // A delay field lost the focus: its text is shown as the stored value and saved.
    void TakeDelayEdit(ui::CControlUI* edit);

    // Recording. The page installs the input hook and hands each event on; the editor only
    // shows the recording look and places the rows. `startTick` is the hook's clock now.
    void BeginRecording(int delayMode, std::uint32_t startTick);
    void EndRecording();
    bool IsRecording() const { return recording_; }
    int DelayMode() const { return delayMode_; }
    std::uint16_t FixedDelay() const { return fixedDelay_; }
    // True when the event became or changed a row. `memory` and `lastMessage` are the
    // handler's own: one per message kind, kept by the page across recordings.
    bool RecordKey(RecordPlacement placement, UINT message, const KBDLLHOOKSTRUCT& key, PressedKeyMemory& memory);
    bool RecordMouseButton(RecordPlacement placement, UINT message, const MouseHookRecord& mouse, UINT& lastMessage);
    // Tells while recording where the events come from (a text id of the language files; its
    // "_tip" text explains).
    void ShowRecordingSource(const std::string& textId);
    void DoEvent(ui::TEventUI& event) override;

    // The events of the action rows, delays as typed (for the page and the tests).
    std::vector<MacroEventRecord> ActionEvents();
    int SelectedEventIndex();

private:
    ui::CControlUI* Find(const std::string& name) { return controls_.Find(name); }
    ui::CListUI* MacroList();
    ui::CListUI* ActionList();
    void SetUsable(const std::string& name, bool usable);
    void SetMacroCommandsUsable(bool usable);
    void AddMacroRow(const MacroEntry& entry);
    ui::CControlUI* MakeActionRow(const MacroEventRecord& event);
    static MacroEventRecord EventFromRow(ui::CControlUI& row);
    // Inserts at the editor's insertion point and selects the new row; false when full.
    bool InsertEvent(const MacroEventRecord& event);
    std::vector<MacroEventRecord> RowEvents(bool withTypedDelays);
    void ShowEvents(const std::vector<MacroEventRecord>& events, int selected);
    MacroCreated TakeCreated(const MacroCreated& created);
    // Recording (macro_recording.cpp).
    void ReadFixedDelay();
    void SetRecordingLook(bool recording);
    std::uint16_t TakeGap(std::uint32_t eventTime);
    bool PlaceRecordedEvent(RecordPlacement placement, const MacroEventRecord& event, std::uint32_t eventTime);
    void ReplaceSelectedEvent(const MacroEventRecord& event);
    void SetRowDelay(int index, std::uint16_t delay);
    bool IsOnStopButton(const MouseHookRecord& mouse);

    std::optional<MacroLibrary> library_;
    std::vector<std::string> names_;
    std::uint16_t fixedDelay_ = 50;
    bool recording_ = false;
    int delayMode_ = kDelayRecorded;
    std::uint32_t lastEventTime_ = 0;
    // Set by the first recorded event: from then on each event gives the row before it its gap.
    bool previousEvent_ = false;
    NamedControls controls_{*this};
};

void RegisterMacroEditorControls();

}  // namespace kx58
