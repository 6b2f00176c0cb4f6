#include <gtest/gtest.h>

#include <filesystem>

#include "desktop_test_support.h"
#include "support/temp_dir.h"
#include "support/wait_until.h"
#include "uikit/headless_backend.h"
#include "uikit/headless_input.h"
#include "uikit/paint_manager.h"
#include "uikit/render.h"
#include "uikit/resource_manager.h"

namespace desktoptest {
namespace {

HeadlessBackend& Headless() {
    if (!HeadlessBackend::Get()) InstallBackend(std::make_unique<HeadlessBackend>());
    return *HeadlessBackend::Get();
}

class MenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        Headless().SetMonitor(RECT{0, 0, 1000, 800}, 96);
        ASSERT_TRUE(owner.Open());
        Headless().RunUntilIdle();
    }
    void TearDown() override {
        if (CMenuWnd* menu = CMenuWnd::Current()) menu->Destroy();
        owner.Destroy();
    }
    CMenuWnd* Open(POINT at, int alignment = eMenuAlignment_Left | eMenuAlignment_Top) {
        CMenuWnd* menu = CMenuWnd::CreateMenu(owner.GetHWND(), MenuSkin(), at, alignment, &checks);
        Headless().RunUntilIdle();
        return menu;
    }
    void Choose(CMenuWnd* menu, const std::string& item) {
        HeadlessInput input(*menu);
        ASSERT_TRUE(input.Click(item));
    }

    RecordingWindow owner{OwnerSkin()};
    CMenuWnd::CheckMap checks;
};

TEST_F(MenuTest, BuildsFromXmlSizedToItsItemsAndDeliversTheChosenItemByName) {
    CMenuWnd* menu = Open(POINT{100, 120});
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(CMenuWnd::Current(), menu);
    const RECT rc = menu->GetBackendWindow()->GetRect();
    EXPECT_EQ(rc.left, 100);
    EXPECT_EQ(rc.top, 120);
    EXPECT_EQ(rc.Width(), 200);
    EXPECT_EQ(rc.Height(), 4 + 30 + 9 + 4 * 30 + 4);
    EXPECT_TRUE(menu->GetBackendWindow()->IsVisible());
    ASSERT_NE(menu->FindItem("opt_a"), nullptr);
    EXPECT_TRUE(menu->FindItem("opt_a")->IsChecked());
    EXPECT_FALSE(menu->FindItem("toggle")->IsChecked());

    Choose(menu, "exit");
    ASSERT_EQ(owner.menuCommands.size(), 1u);
    EXPECT_EQ(owner.menuCommands[0].name, "exit");
    EXPECT_EQ(owner.menuCommands[0].text, "Exit");
    EXPECT_EQ(owner.menuCommands[0].userData, "bye");
    EXPECT_EQ(CMenuWnd::Current(), nullptr);  // closed (and gone) after the choice
}

// A menu takes its owner's DPI, and its items' texts fit however narrow its file made it.
TEST_F(MenuTest, TakesItsOwnersDpiAndGrowsToFitItsTexts) {
    owner.GetPaintManager().SetDPI(144);
    CMenuWnd* menu = Open(POINT{10, 10});
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->GetPaintManager().GetDPI(), 144);
    EXPECT_EQ(menu->GetBackendWindow()->GetRect().Width(), 300);
    menu->Destroy();

    menu = CMenuWnd::CreateMenu(owner.GetHWND(),
                                "<Window><Menu width=\"60\" inset=\"4,4,4,4\" bordersize=\"1\">"
                                "<MenuElement name=\"long\" text=\"A text far longer than sixty units\"/></Menu></Window>",
                                POINT{10, 10});
    Headless().RunUntilIdle();
    ASSERT_NE(menu, nullptr);
    CMenuElementUI* item = menu->FindItem("long");
    CPaintManagerUI& pm = menu->GetPaintManager();
    const SIZE text = render::MeasureText(&pm, item->GetText(), item->GetFont(), DT_SINGLELINE);
    const RECT pad = item->GetTextPadding();
    EXPECT_GE(item->GetPos().Width() - pm.Scale(pad.left) - pm.Scale(pad.right), text.cx);
    EXPECT_LE(item->GetPos().right, menu->GetBackendWindow()->GetClientSize().cx);
}

TEST_F(MenuTest, CheckMarksToggleAndRadioGroupsAreKeptAcrossOpenings) {
    Choose(Open(POINT{10, 10}), "toggle");
    ASSERT_EQ(owner.menuCommands.size(), 1u);
    EXPECT_TRUE(owner.menuCommands[0].checked);
    EXPECT_TRUE(checks["toggle"]);

    Choose(Open(POINT{10, 10}), "opt_b");
    EXPECT_TRUE(checks["opt_b"]);
    EXPECT_FALSE(checks["opt_a"]);

    CMenuWnd* again = Open(POINT{10, 10});
    ASSERT_NE(again, nullptr);
    EXPECT_TRUE(again->FindItem("toggle")->IsChecked());
    EXPECT_TRUE(again->FindItem("opt_b")->IsChecked());
    EXPECT_FALSE(again->FindItem("opt_a")->IsChecked());  // the file's mark gives way to the map
    Choose(again, "toggle");
    EXPECT_FALSE(checks["toggle"]);
    EXPECT_FALSE(owner.menuCommands.back().checked);

    // Without a map the file's states hold every time.
    CMenuWnd* plain = CMenuWnd::CreateMenu(owner.GetHWND(), MenuSkin(), POINT{0, 0});
    Headless().RunUntilIdle();
    ASSERT_NE(plain, nullptr);
    EXPECT_TRUE(plain->FindItem("opt_a")->IsChecked());
    EXPECT_FALSE(plain->FindItem("toggle")->IsChecked());
}

TEST_F(MenuTest, ClosesWithoutACommandOnOutsideClickEscapeLostFocusOrADisabledItem) {
    CMenuWnd* menu = Open(POINT{50, 50});
    ASSERT_NE(menu, nullptr);
    HeadlessInput(*menu).Click("off");
    EXPECT_EQ(CMenuWnd::Current(), menu);  // a disabled item does nothing

    // The menu holds the pointer: a press outside it arrives outside its rectangle.
    HeadlessInput(*menu).MouseDown(POINT{-20, 300});
    EXPECT_EQ(CMenuWnd::Current(), nullptr);

    menu = Open(POINT{50, 50});
    ASSERT_NE(menu, nullptr);
    HeadlessInput escape(*menu);
    escape.KeyPress(VK_ESCAPE);  // the menu deletes itself on the press: the release is dropped
    EXPECT_EQ(CMenuWnd::Current(), nullptr);
    EXPECT_FALSE(escape.IsUsable());

    menu = Open(POINT{50, 50});
    ASSERT_NE(menu, nullptr);
    static_cast<HeadlessWindow*>(menu->GetBackendWindow())->Deliver(WM_KILLFOCUS);
    Headless().RunUntilIdle();
    EXPECT_EQ(CMenuWnd::Current(), nullptr);
    EXPECT_TRUE(owner.menuCommands.empty());
}

TEST_F(MenuTest, ArrowKeysWalkTheEnabledItemsAndReturnChoosesOne) {
    CMenuWnd* menu = Open(POINT{10, 10});
    ASSERT_NE(menu, nullptr);
    HeadlessInput keys(*menu);
    keys.KeyPress(VK_UP);  // from nowhere up: the last enabled item
    EXPECT_TRUE(menu->FindItem("exit")->IsKeyboardHot());
    keys.KeyPress(VK_DOWN);  // wraps to the first
    EXPECT_TRUE(menu->FindItem("toggle")->IsKeyboardHot());
    EXPECT_FALSE(menu->FindItem("exit")->IsKeyboardHot());
    keys.KeyPress(VK_DOWN);
    keys.KeyPress(VK_DOWN);
    keys.KeyPress(VK_DOWN);  // past the disabled item
    EXPECT_TRUE(menu->FindItem("exit")->IsKeyboardHot());
    keys.MoveTo("toggle");  // the pointer takes over: one hot item at a time
    EXPECT_TRUE(menu->FindItem("toggle")->IsKeyboardHot());
    EXPECT_FALSE(menu->FindItem("exit")->IsKeyboardHot());
    keys.KeyPress(VK_DOWN);
    keys.KeyPress(VK_DOWN);
    EXPECT_TRUE(menu->FindItem("opt_b")->IsKeyboardHot());
    keys.KeyDown(VK_RETURN);  // the menu is gone before the key comes up
    ASSERT_EQ(owner.menuCommands.size(), 1u);
    EXPECT_EQ(owner.menuCommands[0].name, "opt_b");
    EXPECT_EQ(CMenuWnd::Current(), nullptr);
}

TEST_F(MenuTest, OnlyOneMenuAtATimeAndBrokenMenusAreRefused) {
    CMenuWnd* first = Open(POINT{10, 10});
    ASSERT_NE(first, nullptr);
    const kx58::HWND firstHwnd = first->GetHWND();
    CMenuWnd* second = Open(POINT{20, 20});
    ASSERT_NE(second, nullptr);
    EXPECT_FALSE(kx58::IsWindow(firstHwnd));
    EXPECT_EQ(CMenuWnd::Current(), second);
    EXPECT_EQ(Headless().Windows().size(), 2u);  // the owner and the second menu

    EXPECT_EQ(CMenuWnd::CreateMenu(owner.GetHWND(), "<Menu><MenuElement", POINT{}), nullptr);
    EXPECT_EQ(CMenuWnd::CreateMenu(owner.GetHWND(), "no/such/menu.xml", POINT{}), nullptr);
    EXPECT_EQ(CMenuWnd::Current(), nullptr);
    EXPECT_EQ(Headless().Windows().size(), 1u);
}

TEST_F(MenuTest, LoadsMenuFilesNamedWithWindowsSeparators) {
    kx58test::TempDir skin;
    std::filesystem::create_directories(skin / "XML/Menus");
    kx58test::WriteWholeFile(skin / "XML/Menus/macro_action_menu.xml", MenuSkin());
    const std::string oldPath = CPaintManagerUI::GetResourcePath();
    CPaintManagerUI::SetResourcePath(skin.Path() + "/");
    CMenuWnd* menu = CMenuWnd::CreateMenu(owner.GetHWND(), "XML\\Menus\\macro_action_menu.xml", POINT{5, 5});
    CPaintManagerUI::SetResourcePath(oldPath);
    Headless().RunUntilIdle();
    ASSERT_NE(menu, nullptr);
    Choose(menu, "opt_b");
    ASSERT_EQ(owner.menuCommands.size(), 1u);
    EXPECT_EQ(owner.menuCommands[0].name, "opt_b");
}

TEST(MenuPlacement, AlignmentNamesTheSideAtThePointAndTheMenuStaysOnTheMonitor) {
    const RECT monitor{0, 0, 1000, 800};
    const SIZE size{200, 100};
    auto at = [&](POINT pt, int alignment) { return CMenuWnd::PlaceMenu(pt, size, alignment, monitor); };
    auto same = [](POINT a, POINT b) { return a.x == b.x && a.y == b.y; };
    EXPECT_TRUE(same(at({500, 500}, eMenuAlignment_Left | eMenuAlignment_Top), {500, 500}));
    EXPECT_TRUE(same(at({500, 500}, eMenuAlignment_Right | eMenuAlignment_Top), {300, 500}));
    EXPECT_TRUE(same(at({500, 500}, eMenuAlignment_Left | eMenuAlignment_Bottom), {500, 400}));
    EXPECT_TRUE(same(at({500, 500}, eMenuAlignment_Right | eMenuAlignment_Bottom), {300, 400}));
    // Near the edges the menu opens to the other side of the point.
    EXPECT_TRUE(same(at({950, 780}, eMenuAlignment_Left | eMenuAlignment_Top), {750, 680}));
    EXPECT_TRUE(same(at({50, 20}, eMenuAlignment_Right | eMenuAlignment_Bottom), {50, 20}));
    // A point off the monitor still gives a menu on it.
    EXPECT_TRUE(same(at({-300, 5000}, eMenuAlignment_Left | eMenuAlignment_Top), {0, 700}));
    const POINT tiny = CMenuWnd::PlaceMenu({10, 10}, size, eMenuAlignment_Left, RECT{0, 0, 100, 50});
    EXPECT_TRUE(same(tiny, {0, 0}));
}

}  // namespace
}  // namespace desktoptest
