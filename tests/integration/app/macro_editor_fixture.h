#pragma once
// The keyboard page's macro tab opened as a user opens it, with the helpers the macro tests
// share: the library written as another session left it, rows chosen and clicked, the action
// menu, and the files read back.
#include <filesystem>
#include <fstream>

#include "device/quorin_products.h"
#include "editors/macro_control_ui.h"
#include "integration/app/main_window_fixture.h"
#include "profile/device_profile_ui.h"
#include "profile/json_file.h"
#include "uikit/headless_input.h"
#include "uikit/list.h"
#include "uikit/menu_wnd.h"
#include "uikit/paint_manager.h"

namespace kx58test {

inline std::uint32_t MacroKey(int number) { return ('q' << 16) | (number << 8); }

class MacroEditorTest : public MainWindowTest {
protected:
    void OpenMacroTab() {
        keyboard = ShowKeyboardPage();
        ASSERT_NE(keyboard, nullptr);
        folder = keyboard->GetDataFolder();
        editor = dynamic_cast<kx58::CMacroControlUI*>(Find("MacroControlItem"));
        ASSERT_NE(editor, nullptr);
        Click("macro_Op_tab");
        ASSERT_TRUE(RunUntil([&] { return Find("macro_btn_name_add")->IsVisible(); }));
    }
    // A library as another session left it; the page reads it as at its creation.
    void WriteLibrary(const std::vector<std::string>& names) {
        Json::Value library(Json::objectValue);
        library["MacroInfo"] = Json::Value(Json::arrayValue);
        for (std::size_t i = 0; i < names.size(); ++i) {
            Json::Value entry(Json::objectValue);
            entry["MacroName"] = names[i];
            entry["Guid"] = "2024_01_01_00_00_00_00" + std::to_string(i + 1);
            library["MacroInfo"].append(entry);
        }
        ASSERT_TRUE(kx58::WriteJsonDocument(folder + "macro.config", library));
        editor->LoadLibrary();
    }
    std::vector<std::string> LibraryNames() {
        std::vector<std::string> names;
        for (const kx58::MacroEntry& entry : kx58::ReadMacroLibrary(folder)) names.push_back(entry.name);
        return names;
    }
    std::vector<kx58::MacroEventRecord> SavedEvents(int number) {
        const std::vector<kx58::MacroEntry> library = kx58::ReadMacroLibrary(folder);
        return kx58::ReadMacroEvents(folder, library.at(static_cast<std::size_t>(number)).guid);
    }
    kx58::ui::CListUI* List(const char* name) { return dynamic_cast<kx58::ui::CListUI*>(Find(name)); }
    void ChooseMacro(int number) { ASSERT_TRUE(List("macro_name_list")->SelectItem(number)); }
    void ChooseEvent(int index) { ASSERT_TRUE(List("macro_action_list")->SelectItem(index)); }
    void Type(const char* edit, const std::string& text) { Find(edit)->SetText(text); }
    // The row's control laid out on the window, clicked where the user would.
    void ClickControl(kx58::ui::CControlUI* control, bool right = false) {
        ASSERT_TRUE(RunUntil([&] { return control->GetPos().right > control->GetPos().left; }));
        const kx58::ui::RECT pos = control->GetPos();
        const kx58::ui::POINT centre{(pos.left + pos.right) / 2, (pos.top + pos.bottom) / 2};
        kx58::ui::HeadlessInput input(*window);
        if (right) input.RightClick(centre);
        else input.Click(centre);
    }
    kx58::ui::CContainerUI* ActionRow(int index) {
        return dynamic_cast<kx58::ui::CContainerUI*>(List("macro_action_list")->GetItemAt(index));
    }
    // The action menu opened on a row, and one of its items chosen.
    void ChooseFromActionMenu(int row, const std::string& item) {
        ClickControl(ActionRow(row), true);
        kx58::ui::CControlUI* entry = nullptr;
        ASSERT_TRUE(RunUntil([&] {
            for (kx58::ui::CPaintManagerUI* manager : kx58::ui::CPaintManagerUI::AllManagers())
                if (manager != &window->GetPaintManager() && (entry = manager->FindControl(item))) return true;
            return false;
        }));
        entry->Activate();
        ASSERT_TRUE(RunUntil([&] { return kx58::ui::CMenuWnd::Current() == nullptr; }));
    }
    std::string Bytes(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    void SetKeys(int profile, const std::vector<std::pair<int, std::uint32_t>>& keys) {
        const std::string path = keyboard->ProfileControl()->GetProfilePathAt(profile);
        Json::Value document = kx58::ReadJsonDocument(path);
        for (const auto& [key, code] : keys) document["Device"][0]["KeyList"][key]["Assignment"] = code;
        ASSERT_TRUE(kx58::WriteJsonDocument(path, document));
    }
    std::uint32_t KeyIn(int profile, int key) {
        const Json::Value document = kx58::ReadJsonDocument(keyboard->ProfileControl()->GetProfilePathAt(profile));
        return document["Device"][0]["KeyList"][key]["Assignment"].asUInt();
    }
    std::uint32_t DefaultOf(int profile, int key) {
        const Json::Value document = kx58::ReadJsonDocument(keyboard->ProfileControl()->GetProfilePathAt(profile));
        return document["Device"][0]["KeyList"][key]["DefaultAssignment"].asUInt();
    }

    kx58::CQuorinKeyboardDevice* keyboard = nullptr;
    kx58::CMacroControlUI* editor = nullptr;
    std::string folder;
};

}  // namespace kx58test
