// Control rectangles of a nested skin at 96 and 144 DPI, and when the DPI changes at run time.
#include <gtest/gtest.h>

#include "uikit/container.h"
#include "uikit/list.h"
#include "uikit/scrollbar.h"
#include "uikit_test_support.h"

namespace uikittest {
namespace {

struct Expected {
    const char* name;
    RECT rc;
};

void ExpectRects(TestWindow& window, const std::vector<Expected>& expected) {
    for (const Expected& e : expected) {
        CControlUI* control = window.Find(e.name);
        ASSERT_NE(control, nullptr) << e.name;
        const RECT& rc = control->GetPos();
        EXPECT_EQ(rc, e.rc) << e.name << " is " << rc.left << "," << rc.top << "," << rc.right << ","
                            << rc.bottom;
    }
}

const std::vector<Expected> kAt96 = {
    {"root", {0, 0, 400, 300}},     {"top", {10, 10, 390, 50}},      {"b1", {10, 10, 110, 50}},
    {"stretch", {114, 10, 336, 50}}, {"b2", {340, 15, 390, 45}},     {"mid", {10, 55, 390, 265}},
    {"fill", {10, 55, 390, 265}},   {"floater", {30, 85, 70, 105}}, {"bottom", {10, 270, 110, 290}},
};

const std::vector<Expected> kAt144 = {
    {"root", {0, 0, 600, 450}},      {"top", {15, 15, 585, 75}},       {"b1", {15, 15, 165, 75}},
    {"stretch", {171, 15, 504, 75}}, {"b2", {510, 23, 585, 67}},       {"mid", {15, 83, 585, 397}},
    {"fill", {15, 83, 585, 397}},    {"floater", {45, 128, 105, 158}}, {"bottom", {15, 405, 165, 435}},
};

TEST(UikitLayout, NestedLayoutsGiveExpectedRectanglesAt96And144Dpi) {
    SkinFolder skins;
    {
        TestWindow window("XML_LAYOUT");
        CResourceManager::GetInstance()->LoadResource("res.xml");
        ASSERT_TRUE(window.Open());
        EXPECT_EQ(window.GetBackendWindow()->GetClientSize().cx, 400);
        ExpectRects(window, kAt96);
        // The hidden control takes no room and keeps no rectangle in the flow.
        EXPECT_FALSE(window.Find("hidden")->IsVisible());

        // Switching at run time rescales the window and every rectangle.
        window.GetPaintManager().SetDPI(144);
        Backend().RunUntilIdle();
        EXPECT_EQ(window.GetBackendWindow()->GetClientSize().cx, 600);
        ExpectRects(window, kAt144);
        window.GetPaintManager().SetDPI(96);
        Backend().RunUntilIdle();
        ExpectRects(window, kAt96);
        window.Destroy();
    }
    {
        Backend().SetMonitor(RECT{0, 0, 1920, 1080}, 144);
        TestWindow window("layout.xml");
        ASSERT_TRUE(window.Open());
        EXPECT_EQ(window.GetPaintManager().GetDPI(), 144);
        ExpectRects(window, kAt144);
        window.Destroy();
        Backend().SetMonitor(RECT{0, 0, 1920, 1080}, 96);
    }
}

TEST(UikitLayout, MinMaxSizesAndVisibilityChangesRelayout) {
    SkinFolder skins;
    TestWindow window("<Window size=\"300,100\"><HorizontalLayout name=\"root\">"
                      "<Control name=\"a\" maxwidth=\"20\"/><Control name=\"b\" minwidth=\"200\"/>"
                      "<Control name=\"c\" width=\"30\"/></HorizontalLayout></Window>");
    ASSERT_TRUE(window.Open());
    // The stretching pair shares the room; what a maximum refuses goes to the other.
    EXPECT_EQ(window.Find("a")->GetPos(), (RECT{0, 0, 20, 100}));
    EXPECT_EQ(window.Find("b")->GetPos(), (RECT{20, 0, 270, 100}));
    EXPECT_EQ(window.Find("c")->GetPos(), (RECT{270, 0, 300, 100}));

    window.Find("c")->SetVisible(false);
    Backend().RunUntilIdle();
    EXPECT_EQ(window.Find("b")->GetPos().right, 300);
    window.Destroy();
}

TEST(UikitLayout, ChildrenAlignInSpareRoom) {
    SkinFolder skins;
    TestWindow window("<Window size=\"200,100\"><VerticalLayout name=\"root\">"
                      "<HorizontalLayout name=\"row\" height=\"30\" childvalign=\"vcenter\" childalign=\"right\">"
                      "<Control name=\"a\" width=\"20\" height=\"10\"/><Control name=\"b\" width=\"30\"/>"
                      "</HorizontalLayout>"
                      "<VerticalLayout name=\"col\" height=\"70\" childalign=\"center\" childvalign=\"bottom\">"
                      "<Control name=\"c\" width=\"40\" height=\"20\"/></VerticalLayout>"
                      "</VerticalLayout></Window>");
    ASSERT_TRUE(window.Open());
    EXPECT_EQ(window.Find("a")->GetPos(), (RECT{150, 10, 170, 20}));
    EXPECT_EQ(window.Find("b")->GetPos(), (RECT{170, 0, 200, 30}));
    EXPECT_EQ(window.Find("c")->GetPos(), (RECT{80, 80, 120, 100}));
    window.Destroy();
}

TEST(UikitLayout, ScrolledRowsCarryTheirChildrenAlong) {
    SkinFolder skins;
    TestWindow window("XML_CONTROLS");
    CResourceManager::GetInstance()->LoadResource("res.xml");
    ASSERT_TRUE(window.Open());
    auto* list = window.Find<CListUI>("list");
    ASSERT_NE(list, nullptr);
    for (int i = 0; i < 30; ++i) {
        auto* row = new CListContainerElementUI();
        row->SetFixedHeight(20);
        auto* label = new CLabelUI();
        label->SetText("Row " + std::to_string(i));
        row->Add(label);
        list->Add(row);
    }
    Backend().RunUntilIdle();
    list->EnsureVisible(25);
    ASSERT_GT(list->GetScrollPos().cy, 0);
    for (int i : {0, 25, 29}) {
        auto* row = static_cast<CContainerUI*>(list->GetItemAt(i));
        EXPECT_EQ(row->GetItemAt(0)->GetPos(), row->GetPos()) << "row " << i;
    }
    window.Destroy();
}

TEST(UikitLayout, ListScrollsSelectedRowIntoView) {
    SkinFolder skins;
    TestWindow window("XML_CONTROLS");
    CResourceManager::GetInstance()->LoadResource("res.xml");
    ASSERT_TRUE(window.Open());
    auto* list = window.Find<CListUI>("list");
    ASSERT_NE(list, nullptr);
    for (int i = 0; i < 30; ++i) {
        auto* row = new CListLabelElementUI();
        row->SetName("row_" + std::to_string(i));
        row->SetText("Row " + std::to_string(i));
        row->SetFixedHeight(20);
        list->Add(row);
    }
    Backend().RunUntilIdle();
    ASSERT_TRUE(list->GetVerticalScrollBar()->IsVisible());
    EXPECT_EQ(list->GetScrollPos().cy, 0);

    ASSERT_TRUE(list->SelectItem(25));
    const RECT inner = list->GetInnerRect();
    const RECT row = list->GetItemAt(25)->GetPos();
    EXPECT_GE(row.top, inner.top);
    EXPECT_LE(row.bottom, inner.bottom);
    EXPECT_GT(list->GetScrollPos().cy, 0);

    // The wheel scrolls back to the top; rows follow.
    HeadlessInput input(window);
    for (int i = 0; i < 20; ++i) input.Wheel(Center(list), WHEEL_DELTA);
    EXPECT_EQ(list->GetScrollPos().cy, 0);
    EXPECT_EQ(list->GetItemAt(0)->GetPos().top, inner.top);

    // Rows removed at run time renumber; the selection follows its row.
    list->RemoveAt(0);
    EXPECT_EQ(list->GetCurSel(), 24);
    EXPECT_EQ(list->GetItemAt(24)->GetName(), "row_25");
    window.Destroy();
}

}  // namespace
}  // namespace uikittest
