// Skin files as a damaged or hostile skin folder holds them: nesting far beyond any real skin,
// lengths at the ends of the int range, and skin paths that are no regular file. Nothing may
// crash or hang; the sanitizer build stops on any int overflow.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "support/temp_dir.h"
#include "uikit/container.h"
#include "uikit/menu_wnd.h"
#include "uikit_test_support.h"

namespace uikittest {
namespace {

constexpr const char* kMax = "2147483647";
constexpr const char* kMin = "-2147483648";

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// Moves, clicks, turns the wheel and repaints at spread-out points of the window.
void Exercise(TestWindow& window) {
    HeadlessInput input(window);
    const SIZE size = input.Target()->GetClientSize();
    for (int i = 1; i < 4; ++i) {
        const POINT pt{size.cx * i / 4, size.cy * i / 4};
        input.MouseMove(pt);
        input.Click(pt);
        input.Wheel(pt, -120);
    }
    input.Target()->Flush();
}

TEST(UikitSkinLimits, A100000LevelSkinBuildsItsShallowPartAndRefusesTheRest) {
    SkinFolder skins;
    TraceRecorder traces;
    std::string deep = "<Window size=\"400,300\"><VerticalLayout name=\"root\">";
    for (int i = 0; i < 100000; ++i) deep += "<Container name=\"n" + std::to_string(i) + "\">";
    for (int i = 0; i < 100000; ++i) deep += "</Container>";
    deep += "<Label name=\"after\" text=\"after\"/></VerticalLayout></Window>";
    kx58test::WriteWholeFile(skins.Path() + "deep.xml", deep);

    TestWindow window("deep.xml");
    ASSERT_TRUE(window.Open());
    EXPECT_NE(window.Find("n10"), nullptr);
    EXPECT_EQ(window.Find("n500"), nullptr);
    EXPECT_NE(window.Find("after"), nullptr);  // what follows the deep branch is built
    EXPECT_EQ(traces.Count("nested deeper than"), 1u);
    Exercise(window);
    window.Destroy();

    // Includes count their depth on: a file that includes itself ends at the same limit.
    kx58test::WriteWholeFile(skins.Path() + "self.xml", "<VerticalLayout><Include source=\"self.xml\"/></VerticalLayout>");
    CPaintManagerUI manager;
    CDialogBuilder builder;
    CControlUI* root = builder.Create("self.xml", {}, nullptr, &manager);
    ASSERT_NE(root, nullptr);
    manager.AttachDialog(root);
}

TEST(UikitSkinLimits, LengthsAtTheEndsOfTheIntRangeLayOutPaintAndTakeInput) {
    SkinFolder skins;
    std::string siblings;
    for (int i = 0; i < 3000; ++i) siblings += "<Control width=\"MAX\" padding=\"MAX,0,MAX,0\" bkcolor=\"#FF0000FF\"/>";
    const std::string skin = Replace(R"(<Window size="MAX,MAX" caption="MIN,0,MAX,MAX" mininfo="MAX,MAX"
        maxinfo="MAX,MAX" sizebox="MAX,MAX,MAX,MAX">
      <Font id="0" name="DejaVu Sans" size="MAX" default="true"/>
      <Font id="1" name="DejaVu Sans" size="MIN"/>
      <VerticalLayout name="root" inset="MAX,MIN,MAX,MAX" childpadding="MAX" vscrollbar="true" hscrollbar="true">
        <HorizontalLayout height="MAX" minheight="MAX" maxheight="MIN" childpadding="MAX" childalign="center"
            hscrollbar="true">SIBLINGS</HorizontalLayout>
        <HorizontalLayout height="MIN" childvalign="bottom" childalign="right">
          <Button name="big" width="MAX" minwidth="MAX" maxwidth="MAX" text="big" font="0" bordersize="MAX"
              bordercolor="#FFFFFFFF" borderround="MAX,MAX" textpadding="MAX,MIN,MAX,MIN" tooltip="tip"
              bkimage="file='img/frame.png' source='MIN,MIN,MAX,MAX' corner='MAX,MAX,MAX,MAX' dest='MIN,MIN,MAX,MAX'"/>
          <Label name="auto" autocalcwidth="true" text="wide label" font="0" textpadding="MAX,0,MAX,0"/>
          <Control float="true" pos="MIN,MIN,MAX,MAX" bkcolor="#FF00FF00"/>
          <Control float="true" pos="MAX,MAX,MIN,MIN" bkcolor="#FF00FF00"/>
          <Edit name="edit" width="MAX" text="typed" font="1" maxchar="MAX"/>
        </HorizontalLayout>
        <List name="list" itemheight="MAX" itemtextpadding="MAX,MAX,MAX,MAX" padding="MIN,MIN,MIN,MIN">
          <ListLabelElement text="a"/><ListLabelElement text="b"/><ListLabelElement text="c"/>
        </List>
        <Slider name="slider" min="MIN" max="MAX" value="MAX" step="MAX" thumbsize="MAX,MAX"/>
        <Progress min="MIN" max="MAX" value="0" hor="false"/>
        <Combo name="combo" dropboxsize="MAX,MAX" itemheight="MAX" textpadding="MAX,MAX,MAX,MAX">
          <ListLabelElement text="one"/><ListLabelElement text="two"/>
        </Combo>
        <ColorPalette barheight="MAX"/>
        <Include source="layout.xml" count="MAX"/>
      </VerticalLayout>
    </Window>)", "SIBLINGS", siblings);
    kx58test::WriteWholeFile(skins.Path() + "huge.xml",
                             Replace(Replace(skin, "MAX", kMax), "MIN", kMin));
    for (int dpi : {96, 480}) {
        Backend().SetMonitor(RECT{0, 0, 1920, 1080}, dpi);
        TestWindow window("huge.xml");
        ASSERT_TRUE(window.Open());
        const SIZE size = window.GetBackendWindow()->GetClientSize();
        EXPECT_GT(size.cx, 0);
        EXPECT_LE(size.cx, 8192);
        Exercise(window);
        HeadlessInput input(window);
        input.KeyPress(VK_END);
        input.Click("combo");
        input.Wheel(Center(window.Find("combo")), -120);
        window.GetPaintManager().SetDPI(dpi == 96 ? 480 : 96);
        Exercise(window);
        window.Destroy();
    }
    Backend().SetMonitor(RECT{0, 0, 1920, 1080}, 96);
}

TEST(UikitSkinLimits, SkinPathsThatAreNoRegularFileAreDamagedSkinsRefusedAtOnce) {
    SkinFolder skins;
    TraceRecorder traces;
    const std::string dir = skins.Path();
    std::filesystem::create_directory(dir + "folder.xml");
    ASSERT_EQ(mkfifo((dir + "fifo.xml").c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", dir + "zero.xml");
    kx58test::WriteWholeFile(dir + "oversized.xml", "<Control/><!--" + std::string(9u << 20, ' ') + "-->");
    for (const char* name : {"folder.xml", "fifo.xml", "zero.xml", "oversized.xml"}) {
        SCOPED_TRACE(name);
        CPaintManagerUI manager;
        CDialogBuilder builder;
        EXPECT_EQ(builder.Create(name, {}, nullptr, &manager), nullptr);
        EXPECT_NE(builder.GetLastError().find(name), std::string::npos) << builder.GetLastError();
        // A window of that skin opens without controls; a menu of it does not open.
        TestWindow window(name);
        ASSERT_TRUE(window.Open());
        EXPECT_EQ(window.GetPaintManager().FindControl(POINT{1, 1}), window.GetPaintManager().GetRoot());
        EXPECT_EQ(CMenuWnd::CreateMenu(window.GetHWND(), name, POINT{10, 10}), nullptr);
        window.Destroy();
        // An include of it is skipped; the rest of the file is built.
        CControlUI* root = builder.Create("<VerticalLayout><Include source=\"" + std::string(name) +
                                          "\"/><Label name=\"after\"/></VerticalLayout>", {}, nullptr, &manager);
        ASSERT_NE(root, nullptr);
        manager.AttachDialog(root);
        EXPECT_NE(manager.FindControl("after"), nullptr);
        // The resource index and language files are read the same way.
        auto* resources = CResourceManager::GetInstance();
        resources->AddText("app_title", "kept");
        EXPECT_FALSE(resources->LoadResource(name));
        EXPECT_FALSE(resources->LoadLanguage(name));
        std::string text;
        EXPECT_TRUE(resources->FindText("app_title", text));
        EXPECT_EQ(text, "kept");
    }
    EXPECT_TRUE(traces.Contains("not a regular file"));
    EXPECT_TRUE(traces.Contains("too large"));

    // Images are read the same way: a FIFO or /dev/zero as a background paints nothing.
    kx58test::WriteWholeFile(dir + "images.xml", R"(<Window size="100,100"><VerticalLayout>
        <Control bkimage="fifo.xml"/><Control bkimage="zero.xml"/></VerticalLayout></Window>)");
    TestWindow window("images.xml");
    ASSERT_TRUE(window.Open());
    HeadlessInput(window).Target()->Flush();
    EXPECT_EQ(traces.Count("image not found or not a PNG"), 2u);
    window.Destroy();
}

}  // namespace
}  // namespace uikittest
