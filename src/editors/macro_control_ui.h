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
#include "uikit/container.h"

namespace kx58 {

namespace ui {
class CListUI;
}

enum class MacroMove { Up, Down, Top, Bottom };

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
    // Inserts at the editor's insertion point and selects the new row; false when full.
    bool InsertEvent(const MacroEventRecord& event);
    std::vector<MacroEventRecord> RowEvents(bool withTypedDelays);
    void ShowEvents(const std::vector<MacroEventRecord>& events, int selected);
    MacroCreated TakeCreated(const MacroCreated& created);

    std::optional<MacroLibrary> library_;
    std::vector<std::string> names_;
    std::uint16_t fixedDelay_ = 50;
    NamedControls controls_{*this};
};

void RegisterMacroEditorControls();

}  // namespace kx58
