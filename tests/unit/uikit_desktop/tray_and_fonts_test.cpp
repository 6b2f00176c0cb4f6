#include <gtest/gtest.h>

#include <filesystem>

#include "desktop_test_support.h"
#include "support/temp_dir.h"
#include "uikit/headless_backend.h"
#include "uikit/private_fonts.h"
#include "uikit/tray_icon.h"

namespace desktoptest {
namespace {

class TrayWindow : public RecordingWindow {
public:
    TrayWindow() : RecordingWindow(OwnerSkin()) {}
    LRESULT HandleCustomMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override {
        if (message == UIMSG_TRAYICON) {
            trayMessages.emplace_back(wParam, lParam);
            handled = true;
            return 0;
        }
        return RecordingWindow::HandleCustomMessage(message, wParam, lParam, handled);
    }
    std::vector<std::pair<WPARAM, LPARAM>> trayMessages;
};

TEST(TrayIcon, ClicksReachTheCallbacksAndTheWindowAsItsCallbackMessage) {
    if (!HeadlessBackend::Get()) InstallBackend(std::make_unique<HeadlessBackend>());
    TrayWindow window;
    ASSERT_TRUE(window.Open());
    CTrayIcon tray;
    int left = 0;
    int right = 0;
    tray.OnLeftClick([&] { ++left; });
    tray.OnRightClick([&] { ++right; });
    tray.Click(false);  // not created yet: nothing happens
    ASSERT_TRUE(tray.CreateTrayIcon(window.GetHWND(), 107, "KX58RGBVs Device"));
    EXPECT_FALSE(tray.CreateTrayIcon(window.GetHWND(), 107, "again"));
    EXPECT_EQ(tray.GetTooltipText(), "KX58RGBVs Device");
    EXPECT_TRUE(tray.IsVisible());
    EXPECT_FALSE(tray.IsEmbedded());  // no desktop tray without a display

    tray.Click(false);
    tray.Click(true);
    HeadlessBackend::Get()->RunUntilIdle();
    EXPECT_EQ(left, 1);
    EXPECT_EQ(right, 1);
    ASSERT_EQ(window.trayMessages.size(), 2u);
    EXPECT_EQ(window.trayMessages[0], (std::pair<WPARAM, LPARAM>{107, kx58::WM_LBUTTONUP}));
    EXPECT_EQ(window.trayMessages[1], (std::pair<WPARAM, LPARAM>{107, kx58::WM_RBUTTONUP}));

    tray.SetShowIcon(false);
    EXPECT_FALSE(tray.IsVisible());
    tray.DeleteTrayIcon();
    tray.Click(false);
    HeadlessBackend::Get()->RunUntilIdle();
    EXPECT_EQ(left, 1);
    EXPECT_EQ(window.trayMessages.size(), 2u);
    window.Destroy();
}

TEST(PrivateFonts, LoadsFontFilesOfAFolderAndSkipsMissingOrBrokenOnesSilently) {
    const std::string system = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
    if (!std::filesystem::exists(system)) GTEST_SKIP() << "no DejaVu font file to load";
    kx58test::TempDir dir;
    std::filesystem::create_directories(dir / "Font");
    std::filesystem::copy_file(system, dir / "Font/Ravlen-Regular.otf");
    kx58test::WriteWholeFile(dir / "Font/NotoSansThai-Regular.ttf", "not a font at all");
    kx58test::WriteWholeFile(dir / "Font/readme.txt", "fonts live here");

    PrivateFontSet fonts;
    EXPECT_EQ(fonts.LoadFiles(dir / "Font", {"Simplified_Chinese.ttf", "Ravlen-Regular.otf",
                                             "NotoSansThai-Regular.ttf", "NotoSansCJKtc-Regular.otf"}),
              1);
    EXPECT_EQ(fonts.Count(), 1);
    EXPECT_EQ(fonts.LoadFiles(dir.Path(), {"Font\\Ravlen-Regular.otf"}), 1);  // Windows separators
    fonts.UnloadAll();
    EXPECT_EQ(fonts.Count(), 0);
    EXPECT_EQ(fonts.LoadFolder(dir / "Font"), 1);
    EXPECT_EQ(fonts.LoadFolder(dir / "NoSuchFolder"), 0);
}

}  // namespace
}  // namespace desktoptest
