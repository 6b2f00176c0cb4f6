#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "uikit/file_dialog.h"
#include "uikit/headless_backend.h"

namespace {

using namespace kx58::ui;

std::vector<std::string> Patterns(const FileFilter& filter) { return filter.patterns; }

TEST(FileFilterParsing, ReadsNulSeparatedAndBarSeparatedFilters) {
    const std::string profile("Profile Files(*.json)\0*.json;\0\0", 31);
    auto filters = ParseFileFilter(profile);
    ASSERT_EQ(filters.size(), 1u);
    EXPECT_EQ(filters[0].description, "Profile Files(*.json)");
    EXPECT_EQ(Patterns(filters[0]), std::vector<std::string>{"*.json"});

    filters = ParseFileFilter("(*.png) | *.png |(*.*)|*.*||");
    ASSERT_EQ(filters.size(), 2u);
    EXPECT_EQ(filters[0].description, "(*.png)");
    EXPECT_EQ(Patterns(filters[0]), std::vector<std::string>{"*.png"});
    EXPECT_EQ(Patterns(filters[1]), std::vector<std::string>{"*"});  // every file, dot or not

    const std::string several("Images\0*.png; *.JPG;;*.bmp\0Macros\0*.mac;\0\0", 41);
    filters = ParseFileFilter(several);
    ASSERT_EQ(filters.size(), 2u);
    EXPECT_EQ(Patterns(filters[0]), (std::vector<std::string>{"*.png", "*.JPG", "*.bmp"}));
    EXPECT_EQ(filters[1].description, "Macros");

    // Broken filters give what can be read and never more.
    EXPECT_TRUE(ParseFileFilter("").empty());
    EXPECT_TRUE(ParseFileFilter("only a text").empty());
    EXPECT_EQ(ParseFileFilter("Text|*.txt|Dangling").size(), 1u);
    EXPECT_TRUE(ParseFileFilter("Empty||").empty());
}

TEST(FileFilterParsing, MatchesNamesAndFindsTheDefaultExtension) {
    const auto filters = ParseFileFilter("Shoot Files(*.shoot)|*.shoot;|All|*.*||");
    EXPECT_TRUE(MatchesFileFilter(filters[0], "aim.shoot"));
    EXPECT_TRUE(MatchesFileFilter(filters[0], "AIM.SHOOT"));
    EXPECT_FALSE(MatchesFileFilter(filters[0], "aim.shoot.bak"));
    EXPECT_TRUE(MatchesFileFilter(filters[1], "README"));
    EXPECT_EQ(DefaultExtensionFor(filters), ".shoot");
    EXPECT_EQ(DefaultExtensionFor(ParseFileFilter("All|*.*||")), "");
    EXPECT_EQ(DefaultExtensionFor(ParseFileFilter("Two|*.a;*.b||")), "");
    EXPECT_EQ(DefaultExtensionFor({}), "");
}

class FileDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HeadlessBackend::Get()) InstallBackend(std::make_unique<HeadlessBackend>());
    }
    void TearDown() override { SetFileDialogHook({}); }
    kx58test::TempDir dir;
};

TEST_F(FileDialogTest, TheHookAnswersWithTheCallersFiltersAndOpenOnlyReturnsExistingFiles) {
    kx58test::WriteWholeFile(dir / "macro.mac", "x");
    FileDialogRequest seen;
    std::optional<std::string> answer = dir / "macro.mac";
    SetFileDialogHook([&](const FileDialogRequest& request) {
        seen = request;
        return answer;
    });
    const std::string filter("Macro Files(*.mac)\0*.mac;\0\0", 27);
    EXPECT_EQ(OpenFileDialog(reinterpret_cast<kx58::HWND>(0x1234), filter), dir / "macro.mac");
    EXPECT_EQ(seen.kind, FileDialogKind::Open);
    EXPECT_EQ(seen.owner, reinterpret_cast<kx58::HWND>(0x1234));
    ASSERT_EQ(seen.filters.size(), 1u);
    EXPECT_EQ(seen.filters[0].description, "Macro Files(*.mac)");

    answer = dir / "missing.mac";
    EXPECT_EQ(OpenFileDialog(nullptr, filter), std::nullopt);
    answer = dir.Path();  // a folder is no file
    EXPECT_EQ(OpenFileDialog(nullptr, filter), std::nullopt);
    answer = std::nullopt;  // cancelled
    EXPECT_EQ(OpenFileDialog(nullptr, filter), std::nullopt);
}

TEST_F(FileDialogTest, SaveAddsTheFiltersExtensionToABareName) {
    std::optional<std::string> answer = dir / "profile";
    SetFileDialogHook([&](const FileDialogRequest& request) {
        EXPECT_EQ(request.kind, FileDialogKind::Save);
        EXPECT_EQ(request.initialName, "Profile 1.json");
        return answer;
    });
    const std::string filter("Profile Files(*.json)\0*.json;\0\0", 31);
    EXPECT_EQ(SaveFileDialog(nullptr, filter, "Profile 1.json"), dir / "profile.json");
    answer = dir / "profile.backup";
    EXPECT_EQ(SaveFileDialog(nullptr, filter, "Profile 1.json"), dir / "profile.backup");
    answer = std::string();
    EXPECT_EQ(SaveFileDialog(nullptr, filter, "Profile 1.json"), std::nullopt);
}

TEST_F(FileDialogTest, WithoutAHookTheDialogAnswersNothing) {
    EXPECT_EQ(OpenFileDialog(nullptr, "All|*.*||"), std::nullopt);
}

}  // namespace
