// Acting as a user on the headless backend: clicks, options, slider drags, edits, combos,
// lists, double clicks, context menus and hover.
#include <gtest/gtest.h>

#include "uikit/button.h"
#include "uikit/color_palette.h"
#include "uikit/edit.h"
#include "uikit/list.h"
#include "uikit/slider.h"
#include "uikit_test_support.h"

namespace uikittest {
namespace {

class UikitInput : public ::testing::Test {
protected:
    void SetUp() override {
        CResourceManager::GetInstance()->LoadResource("res.xml");
        ASSERT_TRUE(window.Open());
        window.notes.clear();
    }
    void TearDown() override { window.Destroy(); }

    SkinFolder skins;
    TestWindow window{"XML_CONTROLS"};
    HeadlessInput input{window};
};

TEST_F(UikitInput, ButtonClickDeliversExactlyOneClickWithItsSender) {
    ASSERT_TRUE(input.Click("okbtn"));
    const auto clicks = window.Taken("click");
    ASSERT_EQ(clicks.size(), 1u);
    EXPECT_EQ(clicks[0].sender, "okbtn");
    EXPECT_EQ(window.Find("okbtn")->GetUserData(), "payload");

    // Pressing on the button and releasing elsewhere is no click; a disabled button is none.
    window.notes.clear();
    input.MouseDown(Center(window.Find("okbtn")));
    input.MouseMove(Center(window.Find("slider")), MK_LBUTTON);
    input.MouseUp(Center(window.Find("slider")));
    ASSERT_TRUE(input.Click("disabled_btn"));
    EXPECT_TRUE(window.Taken("click").empty());
}

TEST_F(UikitInput, OptionsOfOneGroupStayExclusive) {
    auto* opt0 = window.Find<COptionUI>("opt_0");
    auto* opt1 = window.Find<COptionUI>("opt_1");
    auto* opt2 = window.Find<COptionUI>("opt_2");
    ASSERT_TRUE(opt0->IsSelected());
    ASSERT_TRUE(input.Click("opt_2"));
    EXPECT_FALSE(opt0->IsSelected());
    EXPECT_FALSE(opt1->IsSelected());
    EXPECT_TRUE(opt2->IsSelected());
    auto changes = window.Taken("selectchanged");
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].sender, "opt_2");
    EXPECT_EQ(changes[0].wParam, 1u);

    // Clicking the selected member again keeps it selected and says nothing new.
    window.notes.clear();
    ASSERT_TRUE(input.Click("opt_2"));
    EXPECT_TRUE(opt2->IsSelected());
    EXPECT_TRUE(window.Taken("selectchanged").empty());

    // Selecting from code keeps the group exclusive too.
    opt1->Selected(true);
    EXPECT_TRUE(opt1->IsSelected());
    EXPECT_FALSE(opt2->IsSelected());

    // A check box without a group toggles.
    auto* check = window.Find<COptionUI>("check");
    ASSERT_TRUE(input.Click("check"));
    EXPECT_TRUE(check->IsSelected());
    ASSERT_TRUE(input.Click("check"));
    EXPECT_FALSE(check->IsSelected());
}

TEST_F(UikitInput, SliderDragSendsMovesThenOneValueChange) {
    auto* slider = window.Find<CSliderUI>("slider");
    const RECT rc = slider->GetPos();
    const POINT thumb = Center(slider);
    const POINT start{rc.left + 5, thumb.y};
    input.Drag(start, POINT{rc.right - 5, thumb.y}, 8);
    const auto moves = window.Taken("movevaluechanged");
    const auto changes = window.Taken("valuechanged");
    EXPECT_GE(moves.size(), 3u);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].sender, "slider");
    EXPECT_EQ(slider->GetValue(), 100);
    // The final change comes after every move.
    EXPECT_EQ(window.notes.back().type, "valuechanged");

    // Values stay inside the range whatever the pointer does.
    window.notes.clear();
    input.Drag(POINT{rc.right - 5, thumb.y}, POINT{rc.left - 100, thumb.y}, 4);
    EXPECT_EQ(slider->GetValue(), 0);
}

TEST_F(UikitInput, NumberOnlyEditWithMaxcharAndFocusChanges) {
    auto* edit = window.Find<CEditUI>("num_edit");
    ASSERT_TRUE(edit->IsNumberOnly());  // from the style
    ASSERT_TRUE(input.Click("num_edit"));
    EXPECT_EQ(window.Taken("setfocus").size(), 1u);
    input.TypeText("1a2b3c45678");
    EXPECT_EQ(edit->GetText(), "1234");
    EXPECT_EQ(window.Taken("textchanged").size(), 4u);

    input.KeyPress(VK_BACK);
    EXPECT_EQ(edit->GetText(), "123");
    input.KeyPress(VK_HOME);
    input.KeyPress(VK_DELETE);
    EXPECT_EQ(edit->GetText(), "23");
    input.KeyPress(VK_END);
    input.KeyPress(VK_LEFT, MODIFIER_SHIFT);
    input.TypeText("9");
    EXPECT_EQ(edit->GetText(), "29");
    input.KeyPress(VK_RETURN);
    EXPECT_EQ(window.Taken("return").size(), 1u);

    // Moving the focus to another edit tells the first one it lost it.
    ASSERT_TRUE(input.Click("text_edit"));
    const auto lost = window.Taken("killfocus");
    ASSERT_EQ(lost.size(), 1u);
    EXPECT_EQ(lost[0].sender, "num_edit");
    input.TypeText("héllo ✓");
    EXPECT_EQ(window.Find("text_edit")->GetText(), "héllo ✓");
    input.KeyPress(VK_BACK);
    EXPECT_EQ(window.Find("text_edit")->GetText(), "héllo ");

    // A click on a button takes the focus away as well.
    window.notes.clear();
    ASSERT_TRUE(input.Click("okbtn"));
    EXPECT_EQ(window.Taken("killfocus").size(), 1u);

    // Read-only edits take no typing.
    edit->SetReadOnly(true);
    ASSERT_TRUE(input.Click("num_edit"));
    input.TypeText("7");
    EXPECT_EQ(edit->GetText(), "29");
}

TEST_F(UikitInput, ComboSelectionSendsItemselectWithTheNewIndex) {
    auto* combo = window.Find<CComboUI>("combo");
    EXPECT_EQ(combo->GetCurSel(), -1);
    ASSERT_TRUE(input.Click("combo"));
    ASSERT_TRUE(combo->IsDropped());
    // The drop list shows the rows below the combo; pick the third.
    CControlUI* two = window.Find("ci_2");
    ASSERT_FALSE(two->GetPos().IsEmpty());
    EXPECT_GE(two->GetPos().top, combo->GetPos().bottom);
    input.Click(Center(two));
    EXPECT_FALSE(combo->IsDropped());
    const auto picks = window.Taken("itemselect");
    ASSERT_EQ(picks.size(), 1u);
    EXPECT_EQ(picks[0].sender, "combo");
    EXPECT_EQ(picks[0].wParam, 2u);
    EXPECT_EQ(picks[0].lParam, -1);
    EXPECT_EQ(combo->GetText(), "Two");

    // Keys move the selection; a click outside closes an open drop list without a choice.
    window.notes.clear();
    input.KeyPress(VK_UP);
    EXPECT_EQ(combo->GetCurSel(), 1);
    ASSERT_TRUE(input.Click("combo"));
    ASSERT_TRUE(combo->IsDropped());
    input.Click(Center(window.Find("okbtn")));
    EXPECT_FALSE(combo->IsDropped());
    EXPECT_EQ(combo->GetCurSel(), 1);
    EXPECT_EQ(window.Taken("itemselect").size(), 1u);
}

TEST_F(UikitInput, ListRowsBuiltAtRunTimeSelectAndReport) {
    auto* list = window.Find<CListUI>("list");
    for (int i = 0; i < 3; ++i) {
        auto* row = new CListContainerElementUI();
        row->SetName("macro_action");
        row->SetFixedHeight(30);
        row->SetContextMenuUsed(true);
        auto* label = new CLabelUI();
        label->SetText("Row " + std::to_string(i));
        row->Add(label);
        auto* edit = new CEditUI();
        edit->SetName("macro_delay");
        edit->SetFixedWidth(50);
        row->Add(edit);
        list->Add(row);
    }
    input.RunUntilIdle();
    // A click on the row's label selects the row.
    CControlUI* row1 = list->GetItemAt(1);
    const RECT rc = row1->GetPos();
    input.Click(POINT{rc.left + 10, (rc.top + rc.bottom) / 2});
    EXPECT_EQ(list->GetCurSel(), 1);
    auto picks = window.Taken("itemselect");
    ASSERT_EQ(picks.size(), 1u);
    EXPECT_EQ(picks[0].wParam, 1u);
    EXPECT_EQ(window.Taken("itemclick").size(), 1u);

    // A right click on the row asks for its menu, with the row as sender.
    window.notes.clear();
    input.RightClick(POINT{rc.left + 10, (rc.top + rc.bottom) / 2});
    const auto menus = window.Taken("menu");
    ASSERT_EQ(menus.size(), 1u);
    EXPECT_EQ(menus[0].sender, "macro_action");

    // Keys move the selection once the list has the focus.
    input.KeyPress(VK_DOWN);
    EXPECT_EQ(list->GetCurSel(), 2);
    // A double click on a row activates it.
    input.DoubleClick(POINT{rc.left + 10, (rc.top + rc.bottom) / 2});
    const auto activated = window.Taken("itemactivate");
    ASSERT_EQ(activated.size(), 1u);
    EXPECT_EQ(activated[0].sender, "macro_action");
    EXPECT_EQ(list->GetCurSel(), 1);
    // Removing a row from inside a notification handler is safe.
    window.BindNotify("itemclick", "", [list](TNotifyUI& msg) { list->Remove(msg.pSender); });
    const RECT rc2 = list->GetItemAt(2)->GetPos();
    input.Click(POINT{rc2.left + 10, (rc2.top + rc2.bottom) / 2});
    EXPECT_EQ(list->GetCount(), 2);
    EXPECT_EQ(list->GetCurSel(), -1);
}

TEST_F(UikitInput, DoubleClickMenuHoverAndPalette) {
    ASSERT_TRUE(input.DoubleClick("okbtn"));
    EXPECT_EQ(window.Taken("dbclick").size(), 1u);
    EXPECT_EQ(window.Taken("dbclick")[0].sender, "okbtn");

    ASSERT_TRUE(input.RightClick("menu_area"));
    EXPECT_EQ(window.Taken("menu").size(), 1u);
    // Controls without a menu say nothing on a right click.
    ASSERT_TRUE(input.RightClick("okbtn"));
    EXPECT_EQ(window.Taken("menu").size(), 1u);

    ASSERT_TRUE(input.MoveTo("menu_area"));
    window.notes.clear();
    ASSERT_TRUE(input.MoveTo("okbtn"));
    ASSERT_TRUE(input.MoveTo("minbtn"));
    const auto enters = window.Taken("msenter");
    const auto leaves = window.Taken("msleave");
    ASSERT_EQ(enters.size(), 2u);
    ASSERT_EQ(leaves.size(), 2u);
    EXPECT_EQ(leaves[0].sender, "menu_area");
    EXPECT_EQ(enters[0].sender, "okbtn");
    EXPECT_EQ(leaves[1].sender, "okbtn");
    EXPECT_EQ(enters[1].sender, "minbtn");

    auto* palette = window.Find<CColorPaletteUI>("palette");
    const RECT rc = palette->GetPos();
    input.Click(POINT{rc.left + 1, rc.top + 1});  // hue 0, full saturation: red
    const auto colors = window.Taken("colorchanged");
    ASSERT_FALSE(colors.empty());
    EXPECT_EQ(colors.back().sender, "palette");
    EXPECT_EQ(colors.back().wParam & 0xFFFFFFu, palette->GetSelectColor() & 0xFFFFFFu);
    EXPECT_EQ(palette->GetSelectColor() & 0xFF0000u, 0xFF0000u);
    palette->SetSelectColor(0xFF336699);
    EXPECT_EQ(palette->GetSelectColor(), 0xFF336699u);
}

TEST_F(UikitInput, TabLayoutShowsOnlyTheSelectedPage) {
    auto* tabs = window.Find<CTabLayoutUI>("tabs");
    EXPECT_EQ(tabs->GetCurSel(), 1);
    EXPECT_FALSE(window.Find("page_0")->IsVisible());
    EXPECT_TRUE(window.Find("page_1")->IsVisible());
    tabs->SelectItem(0);
    EXPECT_TRUE(window.Find("page_0")->IsVisible());
    EXPECT_FALSE(window.Find("page_1")->IsVisible());
    EXPECT_FALSE(tabs->SelectItem(5));
    // Hiding the whole tab layout hides its pages; showing it shows the selected one only.
    tabs->SetVisible(false);
    EXPECT_FALSE(window.Find("page_0")->IsVisible());
    tabs->SetVisible(true);
    EXPECT_TRUE(window.Find("page_0")->IsVisible());
    EXPECT_FALSE(window.Find("page_1")->IsVisible());
}

}  // namespace
}  // namespace uikittest
