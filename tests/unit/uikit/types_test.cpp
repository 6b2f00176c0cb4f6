// Value parsing, UTF-8 caret helpers, colour conversion, and the index bookkeeping of lists,
// combos and option groups when rows and options come and go.
#include <gtest/gtest.h>

#include "uikit/button.h"
#include "uikit/color_palette.h"
#include "uikit/edit.h"
#include "uikit/list.h"
#include "uikit_test_support.h"

namespace uikittest {
namespace {

TEST(UikitTypes, ValuesParseLeniently) {
    EXPECT_EQ(ParseRect("1, 2,3 ,4"), (RECT{1, 2, 3, 4}));
    EXPECT_EQ(ParseRect("5,6"), (RECT{5, 6, 0, 0}));
    EXPECT_EQ(ParseRect("a,b,c,d"), (RECT{}));
    EXPECT_EQ(ParseSize("-3,+7").cx, -3);
    EXPECT_EQ(ParseSize("-3,+7").cy, 7);
    EXPECT_EQ(ParseColor("0x80FF0000"), 0x80FF0000u);
    EXPECT_EQ(ParseColor("#00000000"), 0u);  // a transparent colour stays transparent
    EXPECT_EQ(ParseColor(""), 0u);
    EXPECT_TRUE(ParseBool("TRUE"));
    EXPECT_FALSE(ParseBool("false"));
    EXPECT_FALSE(ParseBool("maybe"));
    EXPECT_EQ(ScaleForDpi(5, 144), 8);
    EXPECT_EQ(ScaleForDpi(-5, 144), -8);
    EXPECT_EQ(ScaleForDpi(800, 120), 1000);
    EXPECT_EQ(IntersectRects(RECT{0, 0, 10, 10}, RECT{10, 0, 20, 10}), (RECT{}));
    EXPECT_EQ(UnionRects(RECT{}, RECT{1, 1, 2, 2}), (RECT{1, 1, 2, 2}));
}

TEST(UikitTypes, Utf8BoundariesNeverSplitCharacters) {
    const std::string text = "aé中😀";  // 1, 2, 3 and 4 bytes
    EXPECT_EQ(Utf8CharCount(text), 4u);
    EXPECT_EQ(Utf8NextBoundary(text, 0), 1u);
    EXPECT_EQ(Utf8NextBoundary(text, 1), 3u);
    EXPECT_EQ(Utf8NextBoundary(text, 3), 6u);
    EXPECT_EQ(Utf8NextBoundary(text, 6), 10u);
    EXPECT_EQ(Utf8NextBoundary(text, 10), 10u);
    EXPECT_EQ(Utf8PrevBoundary(text, 10), 6u);
    EXPECT_EQ(Utf8PrevBoundary(text, 6), 3u);
    EXPECT_EQ(Utf8PrevBoundary(text, 0), 0u);
    EXPECT_EQ(Utf8FromCodePoint(0x1F600), "😀");
    EXPECT_EQ(Utf8FromCodePoint(0xD800), "");  // a lone surrogate is no character
    EXPECT_EQ(Utf8FromCodePoint(0x110000), "");
}

TEST(UikitTypes, HsvConversionRoundTrips) {
    for (DWORD color : {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFF336699u, 0xFFFFFFFFu, 0xFF000000u, 0xFF7F7F7Fu}) {
        double h = 0, s = 0, v = 0;
        HsvFromColor(color, h, s, v);
        EXPECT_EQ(ColorFromHsv(h, s, v), color) << std::hex << color;
    }
}

TEST(UikitTypes, RowAndOptionBookkeepingFollowsChanges) {
    SkinFolder skins;
    TestWindow window("<Window size=\"200,200\"><VerticalLayout name=\"root\">"
                      "<List name=\"list\"/><Combo name=\"combo\" height=\"20\"/>"
                      "<HorizontalLayout name=\"opts\" height=\"20\"/></VerticalLayout></Window>");
    ASSERT_TRUE(window.Open());
    auto* list = window.Find<CListUI>("list");
    for (int i = 0; i < 3; ++i) list->Add(new CListLabelElementUI());
    ASSERT_TRUE(list->SelectItem(1, false, false));
    // A row inserted before the selection moves the selection with its row.
    list->AddAt(new CListLabelElementUI(), 0);
    EXPECT_EQ(list->GetCurSel(), 2);
    auto* selected = static_cast<IListItemUI*>(list->GetItemAt(2)->GetInterface("ListItem"));
    EXPECT_TRUE(selected->IsSelected());
    EXPECT_EQ(selected->GetIndex(), 2);
    EXPECT_FALSE(list->SelectItem(9));
    EXPECT_TRUE(list->SelectItem(-1));
    EXPECT_FALSE(selected->IsSelected());

    auto* combo = window.Find<CComboUI>("combo");
    for (const char* text : {"a", "b", "c"}) {
        auto* row = new CListLabelElementUI();
        row->SetText(text);
        combo->Add(row);
    }
    combo->SelectItem(2);
    combo->RemoveAt(0);
    EXPECT_EQ(combo->GetCurSel(), 1);
    EXPECT_EQ(combo->GetText(), "c");
    combo->RemoveAt(1);
    EXPECT_EQ(combo->GetCurSel(), -1);
    EXPECT_EQ(combo->GetText(), "");

    auto* opts = static_cast<CContainerUI*>(window.Find("opts")->GetInterface("Container"));
    auto* first = new COptionUI();
    auto* second = new COptionUI();
    first->SetGroup("g");
    second->SetGroup("g");
    opts->Add(first);
    opts->Add(second);
    first->Selected(true);
    second->Selected(true);
    EXPECT_FALSE(first->IsSelected());
    // A removed option leaves the group; the rest keep working.
    opts->Remove(second);
    Backend().RunUntilIdle();
    EXPECT_EQ(window.GetPaintManager().GetOptionGroup("g").size(), 1u);
    first->Selected(true);
    EXPECT_TRUE(first->IsSelected());
    // Moving an option to another group frees the first group.
    first->SetGroup("h");
    EXPECT_TRUE(window.GetPaintManager().GetOptionGroup("g").empty());
    EXPECT_TRUE(first->IsSelected());
    window.Destroy();
}

TEST(UikitTypes, PasswordEditsShowStarsAndKeepTheirText) {
    SkinFolder skins;
    TestWindow window("<Window size=\"200,50\"><HorizontalLayout name=\"root\">"
                      "<Edit name=\"pw\" password=\"true\"/></HorizontalLayout></Window>");
    ASSERT_TRUE(window.Open());
    HeadlessInput input(window);
    ASSERT_TRUE(input.Click("pw"));
    input.TypeText("sécret");
    auto* edit = window.Find<CEditUI>("pw");
    EXPECT_EQ(edit->GetText(), "sécret");
    Backend().SetClipboardText("before");
    input.KeyPress('A', MODIFIER_CONTROL);
    input.KeyPress('C', MODIFIER_CONTROL);
    EXPECT_EQ(Backend().GetClipboardText(), "before");
    input.KeyPress(VK_LEFT);
    input.KeyPress(VK_BACK);
    EXPECT_EQ(edit->GetText(), "sécret");  // the selection collapsed to its start: nothing before it
    input.KeyPress(VK_END);
    input.KeyPress(VK_BACK);
    EXPECT_EQ(edit->GetText(), "sécre");
    window.Destroy();
}

}  // namespace
}  // namespace uikittest
