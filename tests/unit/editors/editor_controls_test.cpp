// The editors' own small controls as a user meets them in a headless window: the record
// button's mark and click, renaming a row of a list or of an open combo drop list.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "editors/combo_edit_element_ui.h"
#include "editors/redio_macro_button_ui.h"
#include "uikit/headless_backend.h"
#include "uikit/headless_input.h"
#include "uikit/list.h"
#include "uikit/paint_manager.h"
#include "uikit/resource_manager.h"
#include "uikit/window.h"
#include "unit/editors/skin_window.h"

namespace {

using namespace kx58;
using namespace kx58::ui;

using editorstest::SkinWindow;

class EditorControls : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterEditorButtons(); }

    void Open(const std::string& body) {
        CResourceManager::GetInstance()->Release();
        CPaintManagerUI::SetResourcePath(KX58_SKIN_FOLDER);
        window = std::make_unique<SkinWindow>("EditorControlsTestWnd", "<Window size=\"300,200\">" + body + "</Window>");
        input = std::make_unique<HeadlessInput>(*window);
        ASSERT_TRUE(window->Create(nullptr, "controls", UI_WNDSTYLE_FRAME & ~WS_VISIBLE, 0, 0, 0, 300, 200));
        window->ShowWindow(true);
        input->RunUntilIdle();
        window->notes.clear();
    }
    void TearDown() override {
        // Destroying a window with its drop list open reaches the freed backend window.
        if (window) window->GetPaintManager().ClosePopup();
        if (window) window->Destroy();
        CResourceManager::GetInstance()->Release();
    }
    template <typename T>
    T* Find(const std::string& name) {
        return dynamic_cast<T*>(window->GetPaintManager().FindControl(name));
    }
    CComboEditContainerElementUI* Row(const std::string& name) { return Find<CComboEditContainerElementUI>(name); }
    CControlUI* Focus() { return window->GetPaintManager().GetFocus(); }
    void Rename(const std::string& row, const std::string& typed, UINT endKey) {
        ASSERT_TRUE(input->DoubleClick(row));
        input->TypeText(typed);
        input->KeyPress(endKey);
    }

    std::unique_ptr<SkinWindow> window;
    std::unique_ptr<HeadlessInput> input;
};

DWORD Rgb(DWORD argb) { return argb & 0xFFFFFF; }

const char* const kRecordButton =
    "<VerticalLayout bkcolor=\"#FF202020\">"
    "<RedioMacroButton name=\"macro_start\" float=\"true\" pos=\"20,20,140,48\" bkcolor=\"#FF404040\""
    " redioimage=\"file='common/record.png' dest='10,7,24,21'\"/>"
    "</VerticalLayout>";

TEST_F(EditorControls, RecordButtonPaintsItsMarkOverTheButton) {
    Open(kRecordButton);
    HeadlessWindow& target = *input->Target();
    target.Flush();
    // The mark's centre is red; beside it the button keeps its own colour.
    const DWORD mark = target.PixelAt(20 + 17, 20 + 14);
    EXPECT_GT((mark >> 16) & 0xFF, 0xD0u);
    EXPECT_LT((mark >> 8) & 0xFF, 0x60u);
    EXPECT_LT(mark & 0xFF, 0x60u);
    EXPECT_EQ(Rgb(target.PixelAt(20 + 60, 20 + 14)), 0x404040u);
    EXPECT_EQ(Rgb(target.PixelAt(20 + 17, 20 + 25)), 0x404040u);
}

TEST_F(EditorControls, RecordButtonStillSendsClick) {
    Open(kRecordButton);
    auto* button = Find<CRedioMacroButtonUI>("macro_start");
    ASSERT_NE(button, nullptr);
    EXPECT_NE(button->GetInterface("RedioMacroButton"), nullptr);
    EXPECT_NE(button->GetInterface("Button"), nullptr);
    ASSERT_TRUE(input->Click("macro_start"));
    EXPECT_EQ(window->Count("click:macro_start"), 1);
}

const char* const kPresetList =
    "<VerticalLayout><List name=\"presets\" height=\"120\">"
    "<ComboEditContainerElement name=\"preset1\" text=\"Preset 1\" height=\"30\"/>"
    "<ComboEditContainerElement name=\"preset2\" text=\"Preset 2\" height=\"30\" editmaxchar=\"6\"/>"
    "</List><Button name=\"elsewhere\" height=\"30\"/></VerticalLayout>";

TEST_F(EditorControls, DoubleClickOpensTheEditWithTheTextAndTheFocus) {
    Open(kPresetList);
    ASSERT_TRUE(input->DoubleClick("preset1"));
    CComboEditContainerElementUI* row = Row("preset1");
    ASSERT_TRUE(row->IsEditing());
    ASSERT_NE(row->GetEdit(), nullptr);
    EXPECT_EQ(row->GetEdit()->GetText(), "Preset 1");
    EXPECT_EQ(Focus(), row->GetEdit());
    EXPECT_EQ(row->GetEdit()->GetPos(), row->GetPos());
}

TEST_F(EditorControls, EnterRenamesTheRowAndTellsOnce) {
    Open(kPresetList);
    Rename("preset1", "  Night  ", VK_RETURN);
    CComboEditContainerElementUI* row = Row("preset1");
    EXPECT_EQ(row->GetText(), "Night");
    EXPECT_EQ(window->Count("textchanged:preset1"), 1);
    EXPECT_EQ(Row("preset2")->GetText(), "Preset 2");
    EXPECT_FALSE(row->IsEditing());
    EXPECT_FALSE(row->GetEdit()->IsVisible());
    // The keys go back to the list.
    EXPECT_EQ(Focus(), Find<CListUI>("presets"));
}

TEST_F(EditorControls, EscapeKeepsTheOldText) {
    Open(kPresetList);
    Rename("preset2", "Loud", VK_ESCAPE);
    EXPECT_EQ(Row("preset2")->GetText(), "Preset 2");
    EXPECT_EQ(window->Count("textchanged:preset2"), 0);
    EXPECT_FALSE(Row("preset2")->GetEdit()->IsVisible());
}

TEST_F(EditorControls, BlankTextKeepsTheOldText) {
    Open(kPresetList);
    Rename("preset1", "   ", VK_RETURN);
    EXPECT_EQ(Row("preset1")->GetText(), "Preset 1");
    EXPECT_EQ(window->Count("textchanged:preset1"), 0);
}

TEST_F(EditorControls, EditMaxCharLimitsTheNewName) {
    Open(kPresetList);
    Rename("preset2", "Cinema hall", VK_RETURN);
    EXPECT_EQ(Row("preset2")->GetText(), "Cinema");
}

TEST_F(EditorControls, ClickingElsewhereTakesTheTypedText) {
    Open(kPresetList);
    ASSERT_TRUE(input->DoubleClick("preset2"));
    input->TypeText("Bass");
    ASSERT_TRUE(input->Click("elsewhere"));
    EXPECT_EQ(Row("preset2")->GetText(), "Bass");
    EXPECT_EQ(window->Count("textchanged:preset2"), 1);
    EXPECT_EQ(window->Count("click:elsewhere"), 1);
}

TEST_F(EditorControls, ClickInsideTheEditDoesNotSelectTheRow) {
    Open(kPresetList);
    ASSERT_TRUE(input->DoubleClick("preset1"));
    auto* list = Find<CListUI>("presets");
    list->SelectItem(1, false, false);
    window->notes.clear();
    ASSERT_TRUE(input->Click("preset1"));
    EXPECT_TRUE(Row("preset1")->IsEditing());
    EXPECT_EQ(list->GetCurSel(), 1);
    EXPECT_EQ(window->Count("itemclick:preset1"), 0);
}

const char* const kPresetCombo =
    "<VerticalLayout><Combo name=\"custom_eq_name_combo\" height=\"30\" dropboxsize=\"0,100\">"
    "<ComboEditContainerElement name=\"eq1\" text=\"Preset 1\" height=\"30\"/>"
    "<ComboEditContainerElement name=\"eq2\" text=\"Preset 2\" height=\"30\"/>"
    "</Combo><Control/></VerticalLayout>";

TEST_F(EditorControls, RenamingInsideAnOpenDropListKeepsItOpen) {
    Open(kPresetCombo);
    auto* combo = Find<CComboUI>("custom_eq_name_combo");
    ASSERT_TRUE(input->Click("custom_eq_name_combo"));
    ASSERT_TRUE(combo->IsDropped());
    CComboEditContainerElementUI* row = Row("eq2");
    ASSERT_TRUE(row->BeginEdit());
    input->TypeText("Movie");
    // A click on the edit neither chooses the row nor closes the list.
    ASSERT_TRUE(input->Click("eq2"));
    EXPECT_TRUE(combo->IsDropped());
    EXPECT_EQ(combo->GetCurSel(), -1);
    input->KeyPress(VK_RETURN);
    EXPECT_EQ(row->GetText(), "Movie");
    EXPECT_EQ(window->Count("textchanged:eq2"), 1);
    EXPECT_TRUE(combo->IsDropped());
    EXPECT_EQ(window->Count("itemselect:custom_eq_name_combo"), 0);
}

TEST_F(EditorControls, EscapeInsideAnOpenDropListOnlyEndsTheEditing) {
    Open(kPresetCombo);
    auto* combo = Find<CComboUI>("custom_eq_name_combo");
    ASSERT_TRUE(input->Click("custom_eq_name_combo"));
    ASSERT_TRUE(Row("eq1")->BeginEdit());
    input->TypeText("Movie");
    input->KeyPress(VK_ESCAPE);
    EXPECT_EQ(Row("eq1")->GetText(), "Preset 1");
    EXPECT_TRUE(combo->IsDropped());
    // The next Escape closes the list as usual.
    input->KeyPress(VK_ESCAPE);
    EXPECT_FALSE(combo->IsDropped());
}

TEST_F(EditorControls, ClosingTheDropListTakesTheTypedText) {
    Open(kPresetCombo);
    auto* combo = Find<CComboUI>("custom_eq_name_combo");
    ASSERT_TRUE(input->Click("custom_eq_name_combo"));
    ASSERT_TRUE(Row("eq1")->BeginEdit());
    input->TypeText("Voice");
    input->Click(POINT{150, 190});  // below the list
    EXPECT_FALSE(combo->IsDropped());
    EXPECT_FALSE(Row("eq1")->IsEditing());
    EXPECT_EQ(Row("eq1")->GetText(), "Voice");
    EXPECT_EQ(window->Count("textchanged:eq1"), 1);
}

}  // namespace
