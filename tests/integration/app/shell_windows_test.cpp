// The skin window, the language choice of the settings window and the about window, used as a
// user would from the main window.
#include <fstream>
#include <sstream>

#include "integration/app/shell_windows_fixture.h"
#include "platform/folders.h"
#include "platform/message_queue.h"
#include "platform/registry.h"
#include "ui/app_messages.h"
#include "ui/language.h"
#include "ui/skin_wnd.h"
#include "uikit/file_dialog.h"
#include "uikit/list.h"

namespace kx58test {
namespace {

using namespace kx58;

std::optional<std::uint32_t> StoredLanguageId() {
    const std::optional<RegistryKey> key = RegistryKey::Open(kLanguageRegistryKey);
    return key ? key->QueryDword(kLanguageRegistryValue) : std::nullopt;
}

// Chooses row `index` of the settings window's language list, as the list does for a click.
void ChooseLanguage(ui::WindowImplBase& settings, int index) {
    auto* combo = dynamic_cast<ui::CComboUI*>(settings.GetPaintManager().FindControl("Language_combox_info"));
    ASSERT_NE(combo, nullptr);
    combo->SelectItem(index, false, true);
    ui::HeadlessBackend::Get()->RunUntilIdle();
}

TEST_F(ShellWindowsTest, TheSkinWindowChangesTheMainWindowsBackgroundAndNotesTheImage) {
    OpenWindow();
    Click("skinbtn");
    ui::WindowImplBase* skin = OpenWindowOfClass("CSkinFrame");
    ASSERT_NE(skin, nullptr);
    Click("skinbtn");  // a second click keeps the one window
    EXPECT_EQ(ui::HeadlessBackend::Get()->FindWindowByClass("CSkinFrame"), skin->GetBackendWindow());
    ui::CControlUI* root = window->GetPaintManager().FindControl("root");
    ASSERT_NE(root, nullptr);

    ClickIn(*skin, "skin_image_btn");  // the first picture
    EXPECT_EQ(root->GetBkImage(), "skin/bg_night.png");
    EXPECT_EQ(root->GetBkColor(), 0u);
    EXPECT_EQ(ReadWholeFile(SkinChoiceFilePath()), "[SKINIMAGE]\nFLAGS=1\nIMAGE=skin/bg_night.png\n");

    ClickIn(*skin, "skin_color");
    ClickIn(*skin, "skin_color_btn");  // the first colour
    EXPECT_EQ(root->GetBkColor(), 0xFF15161Au);
    EXPECT_EQ(root->GetBkImage(), "");

    const std::string picture = session.Root() + "/mine.png";
    { std::ofstream(picture) << "not looked at until painted"; }
    ui::SetFileDialogHook([&](const ui::FileDialogRequest& request) {
        EXPECT_EQ(request.filters.front().patterns, std::vector<std::string>{"*.png"});
        return std::optional<std::string>(picture);
    });
    ClickIn(*skin, "skin_Custom");
    EXPECT_EQ(root->GetBkImage(), picture);
    EXPECT_EQ(root->GetBkColor(), 0u);

    ClickIn(*skin, "skin_reset");
    EXPECT_EQ(root->GetBkImage(), kDefaultBackgroundImage);
    EXPECT_EQ(ReadWholeFile(SkinChoiceFilePath()), "[SKINIMAGE]\nFLAGS=0\nIMAGE=common/background.png\n");

    ClickIn(*skin, "closebtn");
    EXPECT_TRUE(RunUntil([] { return OpenWindowOfClass("CSkinFrame") == nullptr; }));
}

TEST_F(ShellWindowsTest, ALanguageChosenInTheSettingsSwitchesEveryWindowAtOnceAndIsRemembered) {
    ASSERT_FALSE(StoredLanguageId());  // first start: nothing stored
    OpenWindow();
    EXPECT_EQ(window->Language().Current(), 0);
    EXPECT_EQ(StoredLanguageId(), 1033u);
    Click("skinbtn");
    ui::WindowImplBase* skin = OpenWindowOfClass("CSkinFrame");
    ASSERT_NE(skin, nullptr);
    EXPECT_EQ(ShownText(*skin, "skin_reset"), "Reset");
    // The settings come from the tray menu: the skin window may lie over the caption's button.
    const auto OpenSettingsFromMenu = [this] {
        ui::MenuCmd command{};
        command.name = "setwnd_menu";
        kx58::SendMessage(window->GetHWND(), WM_MENU_COMMAND, 0, reinterpret_cast<LPARAM>(&command));
    };
    // A font the language switch must replace (the switch from index 0 rebuilds them all).
    window->GetPaintManager().AddFont(3, "Marker", 30, false, false, false, true);

    WhenOpen("SetWnd", [&](ui::WindowImplBase& settings) {
        EXPECT_EQ(ShownText(settings, "Language_combox_info"), "English");
        ChooseLanguage(settings, 1);
        // Every window at once: the settings, the skin window and the main window.
        EXPECT_EQ(ShownText(settings, "set_language_btn"), "语言");
        EXPECT_EQ(ShownText(*skin, "skin_reset"), "恢复");
        EXPECT_EQ(Find("app_title")->GetText(), "KX58 设备中心");
        ClickIn(settings, "closebtn");
    });
    OpenSettingsFromMenu();
    EXPECT_EQ(window->Language().Current(), 1);
    EXPECT_EQ(window->GetPaintManager().GetFont(3).face, kMainFontFace);
    EXPECT_EQ(StoredLanguageId(), 2052u);

    // The same language again: nothing is done, no font rebuilt, nothing written.
    window->GetPaintManager().AddFont(3, "Marker", 30, false, false, false, true);
    const std::size_t writes = TraceCount("写成功！");
    WhenOpen("SetWnd", [&](ui::WindowImplBase& settings) {
        EXPECT_EQ(ShownText(settings, "Language_combox_info"), "简体中文");
        ChooseLanguage(settings, 1);
        ClickIn(settings, "closebtn");
    });
    OpenSettingsFromMenu();
    EXPECT_EQ(window->GetPaintManager().GetFont(3).face, "Marker");
    EXPECT_EQ(TraceCount("写成功！"), writes);

    // A new start of the window takes the remembered choice.
    CloseWindow();
    window.reset();
    OpenWindow();
    EXPECT_EQ(window->Language().Current(), 1);
    EXPECT_EQ(Find("app_title")->GetText(), "KX58 设备中心");
}

TEST_F(ShellWindowsTest, TheAboutWindowOpensTheHomePageInTheBrowser) {
    // The browser is a stand-in that notes what it was asked to open.
    const std::string bin = session.Root() + "/bin";
    const std::string opened = session.Root() + "/opened";
    ASSERT_TRUE(CreateFolders(bin));
    { std::ofstream(bin + "/xdg-open") << "#!/bin/sh\necho \"$1\" > '" << opened << "'\n"; }
    ASSERT_EQ(chmod((bin + "/xdg-open").c_str(), 0755), 0);
    ScopedEnv path("PATH", bin + ":" + (std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin"));
    OpenWindow();

    WhenOpen("AboutWnd", [&](ui::WindowImplBase& about) {
        EXPECT_EQ(ShownText(about, "about_version_text").rfind("V", 0), 0u);
        ClickIn(about, "homepage_btn");
        EXPECT_TRUE(RunUntil([&] { return !ReadWholeFile(opened).empty(); }));
        ClickIn(about, "closebtn");
    });
    ui::MenuCmd command{};
    command.name = "about_menu";
    kx58::SendMessage(window->GetHWND(), WM_MENU_COMMAND, 0, reinterpret_cast<LPARAM>(&command));
    EXPECT_EQ(ReadWholeFile(opened), "https://www.example.com/kx58\n");
    EXPECT_EQ(OpenWindowOfClass("AboutWnd"), nullptr);
}

TEST_F(ShellWindowsTest, HidingTheMainWindowToTheTrayClosesTheWindowOpenOverIt) {
    OpenWindow();
    WhenOpen("AboutWnd", [&](ui::WindowImplBase&) {
        ui::CControlUI* close = Find("closebtn");
        ASSERT_NE(close, nullptr);
        close->GetManager()->SendNotify(close, ui::DUI_MSGTYPE_CLICK);
    });
    ui::MenuCmd command{};
    command.name = "about_menu";
    // Returns once the about window's modal loop has ended.
    kx58::SendMessage(window->GetHWND(), WM_MENU_COMMAND, 0, reinterpret_cast<LPARAM>(&command));
    EXPECT_TRUE(RunUntil([] { return OpenWindowOfClass("AboutWnd") == nullptr; }));
    EXPECT_FALSE(window->IsWindowVisible());
}

}  // namespace
}  // namespace kx58test
