// Finer behaviours: keyboard focus order, scroll bars, asynchronous notifications, message
// filters, per-control handlers, drop lists near the edge, disabled and mouse-transparent
// controls, edit selections, slider keys and wheel.
#include <gtest/gtest.h>

#include "uikit/button.h"
#include "uikit/edit.h"
#include "uikit/list.h"
#include "uikit/scrollbar.h"
#include "uikit/slider.h"
#include "uikit_test_support.h"

namespace uikittest {
namespace {

class UikitBehaviour : public ::testing::Test {
protected:
    bool Open(const std::string& skin) {
        window = std::make_unique<TestWindow>(skin);
        input = std::make_unique<HeadlessInput>(*window);
        const bool opened = window->Open();
        window->notes.clear();
        return opened;
    }
    void TearDown() override {
        if (window) window->Destroy();
    }
    std::vector<std::string> Types() const {
        std::vector<std::string> types;
        for (const Recorded& note : window->notes) types.push_back(note.type + ":" + note.sender);
        return types;
    }

    SkinFolder skins;
    std::unique_ptr<TestWindow> window;
    std::unique_ptr<HeadlessInput> input;
};

const char* const kForm =
    "<Window size=\"300,300\"><VerticalLayout name=\"root\">"
    "<Edit name=\"e1\" height=\"30\"/><Button name=\"btn\" height=\"30\"/><Edit name=\"e2\" height=\"30\"/>"
    "<Edit name=\"e3\" height=\"30\" visible=\"false\"/><Edit name=\"e4\" height=\"30\" enabled=\"false\"/>"
    "<HorizontalLayout name=\"box\" height=\"40\" enabled=\"false\"><Button name=\"inner\"/></HorizontalLayout>"
    "<Container height=\"30\"><Button name=\"under\"/><Label name=\"glass\" mouse=\"false\"/></Container>"
    "<HorizontalLayout name=\"catcher\" height=\"30\" mousechild=\"false\"><Button name=\"caught\"/></HorizontalLayout>"
    "</VerticalLayout></Window>";

TEST_F(UikitBehaviour, TabMovesFocusThroughUsableEditsInOrder) {
    ASSERT_TRUE(Open(kForm));
    ASSERT_TRUE(input->Click("e1"));
    window->notes.clear();
    input->KeyPress(VK_TAB);
    EXPECT_EQ(Types(), (std::vector<std::string>{"killfocus:e1", "setfocus:e2"}));
    // Hidden and disabled edits are skipped; the order wraps round.
    input->KeyPress(VK_TAB);
    EXPECT_EQ(window->GetPaintManager().GetFocus()->GetName(), "e1");
    input->KeyPress(VK_TAB, MODIFIER_SHIFT);
    EXPECT_EQ(window->GetPaintManager().GetFocus()->GetName(), "e2");
}

TEST_F(UikitBehaviour, DisabledContainersAndMouseTransparentControls) {
    ASSERT_TRUE(Open(kForm));
    ASSERT_FALSE(window->Find("inner")->IsEnabled());  // disabled with its layout
    ASSERT_TRUE(input->Click("inner"));
    EXPECT_TRUE(window->Taken("click").empty());
    window->Find("box")->SetEnabled(true);
    ASSERT_TRUE(input->Click("inner"));
    EXPECT_EQ(window->Taken("click").size(), 1u);

    // A label with mouse="false" over a button lets the click reach the button.
    window->notes.clear();
    ASSERT_TRUE(input->Click("glass"));
    const auto clicks = window->Taken("click");
    ASSERT_EQ(clicks.size(), 1u);
    EXPECT_EQ(clicks[0].sender, "under");

    // A container that keeps the mouse from its children gets it itself.
    window->notes.clear();
    CControlUI* hit = window->GetPaintManager().FindControl(Center(window->Find("caught")));
    ASSERT_NE(hit, nullptr);
    EXPECT_EQ(hit->GetName(), "catcher");
    ASSERT_TRUE(input->Click("caught"));
    EXPECT_TRUE(window->Taken("click").empty());
}

TEST_F(UikitBehaviour, AsyncNotificationsArriveFromTheLoopAndSkipRemovedSenders) {
    ASSERT_TRUE(Open(kForm));
    CPaintManagerUI& pm = window->GetPaintManager();
    pm.SendNotify(window->Find("btn"), "later", 5, 6, true);
    EXPECT_TRUE(window->Taken("later").empty());
    Backend().RunUntilIdle();
    const auto later = window->Taken("later");
    ASSERT_EQ(later.size(), 1u);
    EXPECT_EQ(later[0].sender, "btn");
    EXPECT_EQ(later[0].wParam, 5u);

    auto* box = static_cast<CContainerUI*>(window->Find("box")->GetInterface("Container"));
    pm.SendNotify(window->Find("inner"), "later", 0, 0, true);
    box->RemoveAll();
    Backend().RunUntilIdle();
    EXPECT_EQ(window->Taken("later").size(), 1u);
}

class SwallowClicks : public IMessageFilterUI {
public:
    LRESULT MessageHandler(UINT message, WPARAM, LPARAM, bool& handled) override {
        if (message == kx58::WM_LBUTTONDOWN && active) {
            ++swallowed;
            handled = true;
        }
        return 0;
    }
    bool active = true;
    int swallowed = 0;
};

TEST_F(UikitBehaviour, MessageFiltersSeeInputFirstAndHandlersBindByName) {
    ASSERT_TRUE(Open(kForm));
    SwallowClicks filter;
    window->GetPaintManager().AddMessageFilter(&filter);
    ASSERT_TRUE(input->Click("btn"));
    EXPECT_EQ(filter.swallowed, 1);
    EXPECT_TRUE(window->Taken("click").empty());
    window->GetPaintManager().RemoveMessageFilter(&filter);

    int byName = 0;
    int byType = 0;
    window->BindNotify("click", "under", [&](TNotifyUI&) { ++byName; });
    window->BindNotify("click", "", [&](TNotifyUI&) { ++byType; });
    ASSERT_TRUE(input->Click("btn"));
    ASSERT_TRUE(input->Click("under"));
    EXPECT_EQ(byName, 1);
    EXPECT_EQ(byType, 2);
    window->UnbindNotify("click", "");
    ASSERT_TRUE(input->Click("btn"));
    EXPECT_EQ(byType, 2);
}

TEST_F(UikitBehaviour, EditSelectionsReplaceAndCaretFollowsTheClick) {
    ASSERT_TRUE(Open(kForm));
    auto* edit = window->Find<CEditUI>("e1");
    edit->SetText("hello world");
    ASSERT_TRUE(input->Click("e1"));
    // Clicking far right puts the caret at the end.
    const RECT rc = edit->GetPos();
    input->Click(POINT{rc.right - 3, (rc.top + rc.bottom) / 2});
    input->TypeText("!");
    EXPECT_EQ(edit->GetText(), "hello world!");
    // Shift+Home selects back to the start; typing replaces the selection.
    input->KeyPress(VK_HOME, MODIFIER_SHIFT);
    EXPECT_EQ(edit->GetSelectedText(), "hello world!");
    input->TypeText("X");
    EXPECT_EQ(edit->GetText(), "X");
    // Ctrl+A then Delete empties it; one "textchanged" per change.
    window->notes.clear();
    input->KeyPress('A', MODIFIER_CONTROL);
    input->KeyPress(VK_DELETE);
    EXPECT_EQ(edit->GetText(), "");
    EXPECT_EQ(window->Taken("textchanged").size(), 1u);
    // Control characters are not text.
    input->TypeText("\t\x7f");
    EXPECT_EQ(edit->GetText(), "");
    // Copy and paste go through the clipboard; pasting obeys the field's limits.
    edit->SetText("12ab34");
    input->KeyPress('A', MODIFIER_CONTROL);
    input->KeyPress('C', MODIFIER_CONTROL);
    EXPECT_EQ(Backend().GetClipboardText(), "12ab34");
    auto* digits = window->Find<CEditUI>("e2");
    digits->SetNumberOnly(true);
    digits->SetMaxChar(3);
    ASSERT_TRUE(input->Click("e2"));
    input->KeyPress('V', MODIFIER_CONTROL);
    EXPECT_EQ(digits->GetText(), "123");
    ASSERT_TRUE(input->Click("e1"));
    input->KeyPress('A', MODIFIER_CONTROL);
    input->KeyPress('X', MODIFIER_CONTROL);
    EXPECT_EQ(edit->GetText(), "");
    // SetSel counts characters, not bytes.
    edit->SetText("äbc");
    edit->SetSel(1, 2);
    EXPECT_EQ(edit->GetSelectedText(), "b");
}

TEST_F(UikitBehaviour, SliderFollowsWheelAndArrowKeysWithinItsRange) {
    ASSERT_TRUE(Open("<Window size=\"300,100\"><VerticalLayout name=\"root\">"
                     "<Slider name=\"s\" height=\"20\" min=\"10\" max=\"20\" value=\"15\" step=\"2\"/>"
                     "<Slider name=\"v\" height=\"60\" hor=\"false\" min=\"0\" max=\"10\" value=\"0\"/>"
                     "</VerticalLayout></Window>"));
    auto* slider = window->Find<CSliderUI>("s");
    input->Wheel(Center(slider), WHEEL_DELTA);
    EXPECT_EQ(slider->GetValue(), 17);
    input->Wheel(Center(slider), WHEEL_DELTA);
    input->Wheel(Center(slider), WHEEL_DELTA);
    EXPECT_EQ(slider->GetValue(), 20);
    input->Wheel(Center(slider), WHEEL_DELTA);
    EXPECT_EQ(window->Taken("valuechanged").size(), 3u);  // the turn at the end changed nothing
    slider->SetValue(99);
    EXPECT_EQ(slider->GetValue(), 20);
    // A vertical slider: the top end is the maximum.
    auto* vertical = window->Find<CSliderUI>("v");
    const RECT rc = vertical->GetPos();
    input->Click(POINT{(rc.left + rc.right) / 2, rc.top + 1});
    EXPECT_EQ(vertical->GetValue(), 10);
    window->notes.clear();
    input->KeyPress(VK_DOWN);
    EXPECT_EQ(vertical->GetValue(), 9);
    EXPECT_EQ(window->Taken("valuechanged").size(), 1u);
}

TEST_F(UikitBehaviour, ScrollBarThumbDragsAndTrackPages) {
    ASSERT_TRUE(Open("<Window size=\"200,100\"><VerticalLayout name=\"root\">"
                     "<List name=\"list\" itemheight=\"20\"/></VerticalLayout></Window>"));
    auto* list = window->Find<CListUI>("list");
    for (int i = 0; i < 20; ++i) {
        auto* row = new CListLabelElementUI();
        row->SetText("Row " + std::to_string(i));
        list->Add(row);
    }
    Backend().RunUntilIdle();
    CScrollBarUI* bar = list->GetVerticalScrollBar();
    ASSERT_TRUE(bar->IsVisible());
    EXPECT_EQ(bar->GetScrollRange(), 20 * 20 - 100);
    const RECT thumb = bar->GetThumbRect();
    const POINT grab{(thumb.left + thumb.right) / 2, (thumb.top + thumb.bottom) / 2};
    input->Drag(grab, POINT{grab.x, grab.y + 40}, 4);
    const int dragged = list->GetScrollPos().cy;
    EXPECT_GT(dragged, 0);
    EXPECT_EQ(list->GetItemAt(0)->GetPos().top, list->GetInnerRect().top - dragged);
    // A click on the track below the thumb pages down, to the end at most.
    const RECT moved = bar->GetThumbRect();
    input->Click(POINT{grab.x, std::min(bar->GetPos().bottom - 1, moved.bottom + 2)});
    EXPECT_GT(list->GetScrollPos().cy, dragged);
    input->Click(POINT{grab.x, bar->GetPos().bottom - 1});
    input->Click(POINT{grab.x, bar->GetPos().bottom - 1});
    EXPECT_EQ(list->GetScrollPos().cy, bar->GetScrollRange());
    // Fewer rows than room: the bar goes away and the rows return to the top.
    list->RemoveAll();
    Backend().RunUntilIdle();
    EXPECT_FALSE(bar->IsVisible());
    EXPECT_EQ(list->GetScrollPos().cy, 0);

    // Removing the list while the pointer rests on its scroll bar leaves nothing dangling.
    for (int i = 0; i < 20; ++i) list->Add(new CListLabelElementUI());
    Backend().RunUntilIdle();
    input->MouseMove(Center(bar));
    ASSERT_EQ(window->GetPaintManager().GetHot(), bar);
    input->MouseDown(Center(bar));
    auto* root = static_cast<CContainerUI*>(window->Find("root")->GetInterface("Container"));
    root->Remove(list);
    input->MouseMove(POINT{5, 5}, MK_LBUTTON);
    input->MouseUp(POINT{5, 5});
    EXPECT_EQ(window->Find("list"), nullptr);
}

TEST_F(UikitBehaviour, DropListOpensUpwardsNearTheBottomAndKeepsInsideTheWindow) {
    ASSERT_TRUE(Open("<Window size=\"200,200\"><VerticalLayout name=\"root\"><Control/>"
                     "<Combo name=\"combo\" height=\"24\" dropboxsize=\"0,120\">"
                     "<ListLabelElement text=\"a\" height=\"30\"/><ListLabelElement text=\"b\" height=\"30\"/>"
                     "<ListLabelElement text=\"c\" height=\"30\"/><ListLabelElement text=\"d\" height=\"30\"/>"
                     "<ListLabelElement text=\"e\" height=\"30\"/><ListLabelElement text=\"f\" height=\"30\"/>"
                     "</Combo></VerticalLayout></Window>"));
    auto* combo = window->Find<CComboUI>("combo");
    ASSERT_TRUE(input->Click("combo"));
    ASSERT_TRUE(combo->IsDropped());
    CControlUI* drop = window->GetPaintManager().GetPopup();
    ASSERT_NE(drop, nullptr);
    EXPECT_EQ(drop->GetPos().bottom, combo->GetPos().top);
    EXPECT_EQ(drop->GetPos().Height(), 120);
    // Rows beyond the box scroll with the wheel; the last one can be chosen.
    for (int i = 0; i < 5; ++i) input->Wheel(Center(drop), -WHEEL_DELTA);
    CControlUI* last = combo->GetItemAt(5);
    ASSERT_TRUE(RectsIntersect(last->GetPos(), drop->GetPos()));
    input->Click(POINT{Center(last).x, std::max(last->GetPos().top, drop->GetPos().top) + 2});
    EXPECT_EQ(combo->GetCurSel(), 5);
    EXPECT_EQ(combo->GetText(), "f");
    // Escape closes an open list without a choice.
    ASSERT_TRUE(input->Click("combo"));
    input->KeyPress(VK_ESCAPE);
    EXPECT_FALSE(combo->IsDropped());
    EXPECT_EQ(combo->GetCurSel(), 5);
    // A window that goes with its list open closes the list while it can still repaint.
    ASSERT_TRUE(input->Click("combo"));
    window->Destroy();
    EXPECT_EQ(window->GetPaintManager().GetPopup(), nullptr);
}

class CountingUI : public CControlUI {
public:
    int fired = 0;
    void DoEvent(TEventUI& event) override {
        if (event.Type == UIEVENT_TIMER) ++fired;
        CControlUI::DoEvent(event);
    }
};

TEST_F(UikitBehaviour, TimersOfATakenOutControlStop) {
    ASSERT_TRUE(Open(kForm));
    auto* box = static_cast<CContainerUI*>(window->Find("box")->GetInterface("Container"));
    auto* counting = new CountingUI();
    box->Add(counting);
    ASSERT_TRUE(counting->SetTimer(3, 1));
    ASSERT_TRUE(Backend().RunUntil([&] { return counting->fired >= 2; }, 10000));  // periodic until killed
    std::unique_ptr<CControlUI> taken(box->Detach(counting));
    const int before = counting->fired;
    Backend().RunUntil([] { return false; }, 50);
    EXPECT_EQ(counting->fired, before);
    EXPECT_FALSE(counting->SetTimer(3, 1));  // no manager any more
}

}  // namespace
}  // namespace uikittest
