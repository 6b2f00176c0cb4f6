#include "ui/language.h"

#include <gtest/gtest.h>

#include "platform/folders.h"
#include "platform/registry.h"
#include "support/temp_dir.h"
#include "uikit/paint_manager.h"
#include "uikit/resource_manager.h"

using namespace kx58;

namespace {

class LanguageTest : public ::testing::Test {
protected:
    void SetUp() override {
        CreateFolders(skin / "lang");
        const char* const names[] = {"English", "Chinese", "Thai", "German", "French"};
        std::string list = "{ \"Language\": [";
        for (int i = 0; i < 5; ++i) {
            const std::string file = "lan_" + std::to_string(i) + ".xml";
            kx58test::WriteWholeFile(skin / ("lang/" + file), "<Language name=\"" + std::string(names[i]) +
                                         "\"><Text id=\"hello\" value=\"hello " + std::to_string(i) + "\"/></Language>");
            list += std::string(i ? "," : "") + "{\"Language_ID\": " + std::to_string(100 + i) +
                    ", \"Language_name\": \"" + names[i] + "\", \"Language_file\": \"" + file +
                    "\", \"Language_text\": \"" + names[i] + "\"}";
        }
        kx58test::WriteWholeFile(defaults / kLanguageConfigFile, list + "]}");
        ui::CResourceManager::GetInstance()->SetResourcePath(skin.Path() + "/");
    }
    void TearDown() override {
        ui::CResourceManager::GetInstance()->Release();
        ui::CPaintManagerUI::RemoveAllSharedFonts();
    }
    std::string Text(const std::string& id) {
        std::string out;
        ui::CResourceManager::GetInstance()->FindText(id, out);
        return out;
    }
    std::optional<std::uint32_t> Stored() {
        auto key = RegistryKey::Open(kLanguageRegistryKey);
        return key ? key->QueryDword(kLanguageRegistryValue) : std::nullopt;
    }

    kx58test::IsolatedSession session;
    kx58test::TempDir defaults;
    kx58test::TempDir skin;
    std::string defaultsFolder = defaults.Path() + "/";
};

}  // namespace

TEST_F(LanguageTest, TheStoredIdentifierPicksTheIndexAndAnythingMissingOrUnknownGivesTheFirst) {
    EXPECT_EQ(ReadStoredLanguageIndex(defaultsFolder), 0);  // no key at all
    ASSERT_TRUE(RegistryKey::Create(kLanguageRegistryKey)->SetDword(kLanguageRegistryValue, 103));
    EXPECT_EQ(ReadStoredLanguageIndex(defaultsFolder), 3);
    RegistryKey::Open(kLanguageRegistryKey)->SetDword(kLanguageRegistryValue, 999);
    EXPECT_EQ(ReadStoredLanguageIndex(defaultsFolder), 0);
    RegistryKey::Open(kLanguageRegistryKey)->SetDword(kLanguageRegistryValue, 101);
    kx58test::WriteWholeFile(defaults / kLanguageConfigFile, "{ \"Language\": [ {\"Language_ID\": 1");  // cut short
    EXPECT_EQ(ReadStoredLanguageIndex(defaultsFolder), 0);
    EXPECT_TRUE(ReadLanguageList(defaultsFolder).empty());
}

TEST_F(LanguageTest, ApplyingSwitchesTextsStoresTheChoiceAndRebuildsFontsOnlyWhenTheRuleSaysSo) {
    ui::CPaintManagerUI manager;
    CLanguageState language(defaultsFolder);
    EXPECT_EQ(language.Current(), -1);

    // First start: fonts built from the table, texts of element 0, its identifier stored.
    ASSERT_TRUE(language.Apply(0, manager));
    EXPECT_EQ(Text("hello"), "hello 0");
    EXPECT_EQ(Stored(), 100u);
    EXPECT_EQ(manager.GetFont(50).size, 18);
    EXPECT_TRUE(manager.GetFont(50).bold);
    EXPECT_TRUE(manager.GetFont(1).underline);
    EXPECT_EQ(manager.GetFont(11).face, kMainFontFace);

    // The language in use again: nothing happens, not even a registry write.
    RegistryKey::Open(kLanguageRegistryKey)->DeleteValue(kLanguageRegistryValue);
    EXPECT_FALSE(language.Apply(0, manager));
    EXPECT_FALSE(Stored().has_value());

    // 0 -> 3 rebuilds (the current index is 0); 3 -> 4 keeps what is there.
    manager.AddFont(3, "Marker", 30, false, false, false, true);
    ASSERT_TRUE(language.Apply(3, manager));
    EXPECT_EQ(manager.GetFont(3).face, kMainFontFace);
    EXPECT_EQ(Text("hello"), "hello 3");
    manager.AddFont(3, "Marker", 30, false, false, false, true);
    ASSERT_TRUE(language.Apply(4, manager));
    EXPECT_EQ(manager.GetFont(3).face, "Marker");
    EXPECT_EQ(Text("hello"), "hello 4");
    EXPECT_EQ(Stored(), 104u);

    // Beyond the list: the texts and the stored choice stay.
    ASSERT_TRUE(language.Apply(9, manager));
    EXPECT_EQ(language.Current(), 9);
    EXPECT_EQ(Text("hello"), "hello 4");
    EXPECT_EQ(Stored(), 104u);
}

TEST(LanguageRule, FontsAreRebuiltForTheListedIndexes) {
    EXPECT_TRUE(LanguageSwitchRebuildsFonts(1, -1));
    EXPECT_TRUE(LanguageSwitchRebuildsFonts(15, 4));
    EXPECT_TRUE(LanguageSwitchRebuildsFonts(5, 2));
    EXPECT_FALSE(LanguageSwitchRebuildsFonts(4, 3));
    EXPECT_FALSE(LanguageSwitchRebuildsFonts(1, 14));
}
