#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "platform/folders.h"
#include "profile/basic_profiledata.h"
#include "profile/profile_list.h"
#include "profile_test_util.h"
#include "support/temp_dir.h"

namespace {

using kx58::ProfileList;
using kx58::ReadJsonDocument;
using kx58::WriteJsonDocument;
using kx58test::ParseJson;

class ProfileListTest : public ::testing::Test {
protected:
    void SetUp() override {
        defaultPath = dir / "Default.Json";
        WriteJsonDocument(defaultPath, ParseJson(R"({"Device":[{"LightInfo":{"Red":255},
            "CustomEQNameInfo":[{"Name":"Factory"}],
            "CustomEQHzValueInfo":[[{"value":0}]]}]})"));
        list.SetPaths(dir / "profiles", defaultPath);
        list.SetDeviceType(1);
    }
    // A list file with the given names, each with a document, selection 0.
    void WriteList(const std::vector<std::string>& names) {
        kx58::CreateFolders(dir / "profiles");
        Json::Value document(Json::objectValue);
        for (size_t i = 0; i < names.size(); ++i) {
            const std::string uuid = "2024_01_01_00_00_00_" + std::to_string(100 + i);
            Json::Value entry(Json::objectValue);
            entry["profilename"] = names[i];
            entry["profileUUID"] = uuid;
            document["profilelist"].append(entry);
            Json::Value profile = ReadJsonDocument(defaultPath);
            profile["profilename"] = names[i];
            profile["profileUUID"] = uuid;
            WriteJsonDocument(dir / ("profiles/" + uuid + ".Json"), profile);
        }
        document["profileselect"] = 0;
        WriteJsonDocument(list.ListFilePath(), document);
        ASSERT_TRUE(list.InitProfileList());
    }
    Json::Value Document(int index) { return ReadJsonDocument(list.GetProfilePathAt(index)); }
    Json::Value ListFile() { return ReadJsonDocument(list.ListFilePath()); }

    kx58test::TempDir dir;
    std::string defaultPath;
    ProfileList list;
};

TEST_F(ProfileListTest, FirstStartCreatesProfileOneFromTheDefault) {
    ASSERT_TRUE(list.InitProfileList());
    EXPECT_EQ(list.GetProfileNames(), std::vector<std::string>{"profile1"});
    EXPECT_EQ(list.GetSelectedIndex(), 0);
    const Json::Value entry = ListFile()["profilelist"][0];
    EXPECT_EQ(entry["profileislink"].asInt(), 0);
    EXPECT_EQ(entry["profilelinkmame"].asString(), "");
    EXPECT_EQ(entry["profileUUID"].asString(), list.GetCurrentUUID());
    const Json::Value document = Document(0);
    EXPECT_EQ(document["profilename"].asString(), "profile1");
    EXPECT_EQ(document["profileUUID"].asString(), list.GetCurrentUUID());
    EXPECT_EQ(document["Device"][0]["LightInfo"]["Red"].asInt(), 255);
}

TEST_F(ProfileListTest, StartUpRemovesTemporaryFilesOfAnInterruptedWrite) {
    kx58::CreateFolders(dir / "profiles");
    kx58test::WriteWholeFile(dir / "profiles/ProfileList.ini.tmp-a1B2c3", "{\"profile");
    kx58test::WriteWholeFile(dir / "profiles/notes.tmp-keep", "mine");
    ASSERT_TRUE(list.InitProfileList());
    EXPECT_FALSE(kx58::PathExists(dir / "profiles/ProfileList.ini.tmp-a1B2c3"));
    EXPECT_TRUE(kx58::PathExists(dir / "profiles/notes.tmp-keep"));
}

TEST_F(ProfileListTest, BrokenOrEmptyListsAreReplaced) {
    for (const char* text : {"not json", R"({"profilelist":[]})", R"({"profilelist":7})", "[1]"}) {
        kx58::CreateFolders(dir / "profiles");
        kx58test::WriteWholeFile(list.ListFilePath(), text);
        ASSERT_TRUE(list.InitProfileList()) << text;
        EXPECT_EQ(list.GetProfileNames(), std::vector<std::string>{"profile1"}) << text;
    }
    EXPECT_EQ(kx58test::ReadWholeFile(list.ListFilePath() + ".broken"), "not json");
}

TEST_F(ProfileListTest, StoredSelectionAndUnusableIdentifiers) {
    WriteList({"a", "b", "c"});
    Json::Value file = ListFile();
    file["profileselect"] = 2;
    file["profilelist"][1]["profileUUID"] = "../../escape";
    WriteJsonDocument(list.ListFilePath(), file);
    ASSERT_TRUE(list.InitProfileList());
    EXPECT_EQ(list.GetSelectedIndex(), 2);
    EXPECT_EQ(list.GetCurrentUUID(), "2024_01_01_00_00_00_102");
    // The unusable identifier got a fresh one with a document of its own.
    const std::string repaired = ListFile()["profilelist"][1]["profileUUID"].asString();
    EXPECT_EQ(repaired.find('/'), std::string::npos);
    EXPECT_EQ(Document(1)["profilename"].asString(), "b");

    file = ListFile();
    file["profileselect"] = 9;  // out of range: the first profile
    WriteJsonDocument(list.ListFilePath(), file);
    ASSERT_TRUE(list.InitProfileList());
    EXPECT_EQ(list.GetSelectedIndex(), 0);
}

TEST_F(ProfileListTest, SelectRecordsTheChoice) {
    WriteList({"a", "b"});
    ASSERT_TRUE(list.SelectProfile(1));
    EXPECT_EQ(ListFile()["profileselect"].asInt(), 1);
    EXPECT_EQ(list.GetCurrentUUID(), "2024_01_01_00_00_00_101");
    EXPECT_FALSE(list.SelectProfile(2));
    EXPECT_FALSE(list.SelectProfile(-1));
    EXPECT_EQ(list.GetSelectedIndex(), 1);
}

TEST_F(ProfileListTest, AddTakesTheSmallestFreeNameAndStopsAtFifty) {
    WriteList({"profile1", "PROFILE2", "profile4"});
    ASSERT_TRUE(list.AddProfile());
    EXPECT_EQ(list.GetProfileNames().back(), "profile3");
    EXPECT_EQ(ListFile()["profileselect"].asInt(), 3);  // chosen for the next start
    EXPECT_EQ(list.GetSelectedIndex(), 0);              // the page keeps its profile
    EXPECT_EQ(Document(3)["profilename"].asString(), "profile3");
    EXPECT_EQ(Document(3)["Device"][0]["LightInfo"]["Red"].asInt(), 255);

    while (list.GetProfileCount() < ProfileList::kAddLimit) ASSERT_TRUE(list.AddProfile());
    EXPECT_FALSE(list.AddProfile());
    EXPECT_EQ(list.GetProfileCount(), 50);
    // Copy and import are not limited.
    ASSERT_TRUE(list.CopyProfile());
    WriteJsonDocument(dir / "Game.json", Document(0));
    ASSERT_TRUE(list.ImportProfile(dir / "Game.json"));
    EXPECT_EQ(list.GetProfileCount(), 52);
}

TEST_F(ProfileListTest, CopyAppendsCopyUntilTheNameIsFree) {
    WriteList({"Game", "game copy"});
    Json::Value source = Document(0);
    source["Device"][0]["LightInfo"]["Red"] = 17;
    WriteJsonDocument(list.GetProfilePathAt(0), source);
    ASSERT_TRUE(list.CopyProfile());
    EXPECT_EQ(list.GetProfileNames().back(), "Game copy copy");
    const Json::Value copy = Document(2);
    EXPECT_EQ(copy["profilename"].asString(), "Game copy copy");
    EXPECT_EQ(copy["profileUUID"].asString(), ListFile()["profilelist"][2]["profileUUID"].asString());
    EXPECT_NE(copy["profileUUID"].asString(), source["profileUUID"].asString());
    EXPECT_EQ(copy["Device"][0]["LightInfo"]["Red"].asInt(), 17);
    EXPECT_EQ(ListFile()["profileselect"].asInt(), 0);
}

TEST_F(ProfileListTest, DeleteNeverRemovesTheLastAndSelectsTheNeighbour) {
    WriteList({"a", "b", "c"});
    const std::string firstPath = list.GetProfilePathAt(0);
    ASSERT_TRUE(list.DeleteProfile());  // entry 0 of three
    EXPECT_EQ(list.GetProfileNames(), (std::vector<std::string>{"b", "c"}));
    EXPECT_EQ(list.GetSelectedIndex(), 0);
    EXPECT_EQ(list.GetCurrentUUID(), "2024_01_01_00_00_00_101");
    EXPECT_FALSE(kx58::PathExists(firstPath));

    WriteList({"a", "b", "c"});
    ASSERT_TRUE(list.SelectProfile(2));
    ASSERT_TRUE(list.DeleteProfile());
    EXPECT_EQ(list.GetSelectedIndex(), 1);
    EXPECT_EQ(ListFile()["profileselect"].asInt(), 1);
    ASSERT_TRUE(list.DeleteProfile());
    EXPECT_EQ(list.GetProfileNames(), std::vector<std::string>{"a"});
    EXPECT_FALSE(list.DeleteProfile());  // the last one stays
    EXPECT_EQ(list.GetProfileCount(), 1);
    EXPECT_TRUE(kx58::PathExists(list.GetProfilePathAt(0)));
}

// The list file breaks, vanishes or loses its entries while the program runs: the next change
// keeps every profile, and a damaged list is kept beside it. A list that cannot be read at
// all is never replaced.
TEST_F(ProfileListTest, AListThatBreaksDuringASessionLosesNoProfile) {
    WriteList({"a", "b", "c"});
    const std::vector<std::string> kept = {"a", "b", "c"};
    kx58test::WriteWholeFile(list.ListFilePath(), "{\"profilelist\": [");
    ASSERT_TRUE(list.AddProfile());
    EXPECT_EQ(list.GetProfileNames(), (std::vector<std::string>{"a", "b", "c", "profile1"}));
    EXPECT_EQ(kx58test::ReadWholeFile(list.ListFilePath() + ".broken"), "{\"profilelist\": [");

    // Gone or emptied: the documents in the folder name the profiles again.
    for (const char* text : {"", R"({"profilelist":[]})"}) {
        kx58test::WriteWholeFile(list.ListFilePath(), text);
        kx58test::WriteWholeFile(dir / "profiles/2024_01_01_00_00_00_777.Json.tmp-x", "{");  // no document
        ASSERT_TRUE(list.CopyProfile()) << text;
        EXPECT_EQ(list.GetProfileCount(), 5 + (text[0] != 0)) << text;
        EXPECT_EQ(list.GetProfileNames()[0], "a") << text;
    }
    std::filesystem::remove(list.ListFilePath());
    EXPECT_EQ(list.GetProfileCount(), 6);

    // A FIFO in its place is not read, not replaced, and changes nothing.
    ASSERT_TRUE(list.InitProfileList());
    std::filesystem::remove(list.ListFilePath());
    ASSERT_EQ(mkfifo(list.ListFilePath().c_str(), 0600), 0);
    EXPECT_FALSE(list.AddProfile());
    EXPECT_FALSE(list.SelectProfile(1));
    EXPECT_EQ(list.RenameProfile("new"), ProfileList::kNotWritten);
    EXPECT_EQ(list.GetProfileCount(), 6);  // the last good list is still shown
    EXPECT_TRUE(std::filesystem::is_fifo(list.ListFilePath()));
}

// A device page still holding a deleted profile saves: the document does not come back.
TEST_F(ProfileListTest, ADeletedProfileIsNotWrittenBackByItsHolder) {
    WriteList({"a", "b"});
    kx58::CBasicProfiledata holder;
    holder.SetProfilePath(list.GetProfilePathAt(0));
    ASSERT_FALSE(holder.LoadProfile(list.GetProfilePathAt(0)).isNull());
    const std::string deleted = list.GetProfilePathAt(0);
    ASSERT_TRUE(list.DeleteProfile());
    EXPECT_FALSE(holder.Save());
    EXPECT_FALSE(kx58::PathExists(deleted));
    // A spelling of the same path with other separators is the same document.
    std::string windows = deleted;
    std::replace(windows.begin(), windows.end(), '/', '\\');
    EXPECT_FALSE(holder.SaveTo(holder.WorkingSection(), windows));
    EXPECT_FALSE(kx58::PathExists(deleted));
    ASSERT_TRUE(list.AddProfile());
    EXPECT_EQ(list.GetProfileNames(), (std::vector<std::string>{"b", "profile1"}));
}

TEST_F(ProfileListTest, RenameResults) {
    WriteList({"A", "Other"});
    EXPECT_EQ(list.RenameProfile("  "), ProfileList::kNameBlank);
    EXPECT_EQ(list.RenameProfile("other"), ProfileList::kNameInUse);
    EXPECT_EQ(list.RenameProfile("a"), ProfileList::kRenamed);  // itself does not count
    EXPECT_EQ(list.GetProfileNames()[0], "a");
    EXPECT_EQ(list.RenameProfile("  Night Mode "), ProfileList::kRenamed);
    EXPECT_EQ(list.GetProfileNames()[0], "Night Mode");
    EXPECT_EQ(Document(0)["profilename"].asString(), "Night Mode");
    EXPECT_EQ(Document(0)["Device"][0]["LightInfo"]["Red"].asInt(), 255);

    // Nothing selected, or the document cannot be rewritten: said so, and nothing changes.
    ProfileList unselected;
    unselected.SetPaths(dir / "profiles", defaultPath);
    EXPECT_EQ(unselected.RenameProfile("x"), ProfileList::kNoSelection);
    const std::string document = list.GetProfilePathAt(0);
    std::filesystem::rename(document, document + ".moved");
    std::filesystem::create_directory(document);
    EXPECT_EQ(list.RenameProfile("Day Mode"), ProfileList::kNotWritten);
    EXPECT_EQ(list.GetProfileNames()[0], "Night Mode");
}

TEST_F(ProfileListTest, ImportSuffixesAccumulate) {
    WriteList({"Game", "Game(1)"});
    Json::Value exported = Document(0);
    exported["Device"][0]["LightInfo"]["Red"] = 42;
    WriteJsonDocument(dir / "Game.json", exported);
    ASSERT_TRUE(list.ImportProfile(dir / "Game.json"));
    EXPECT_EQ(list.GetProfileNames().back(), "Game(1)(2)");
    const Json::Value imported = Document(2);
    EXPECT_EQ(imported["profilename"].asString(), "Game(1)(2)");
    EXPECT_EQ(imported["profileUUID"].asString(), ListFile()["profilelist"][2]["profileUUID"].asString());
    EXPECT_EQ(imported["Device"][0]["LightInfo"]["Red"].asInt(), 42);

    ASSERT_TRUE(list.ImportProfile(dir / "Game.json"));
    EXPECT_EQ(list.GetProfileNames().back(), "Game(1)(2)(3)");

    // A file name that is not UTF-8 still gives a readable name.
    WriteJsonDocument(dir / "Caf\xe9.json", exported);
    ASSERT_TRUE(list.ImportProfile(dir / "Caf\xe9.json"));
    EXPECT_EQ(list.GetProfileNames().back(), "Caf\xEF\xBF\xBD");
}

TEST_F(ProfileListTest, ImportRefusesFilesThatAreNoProfiles) {
    WriteList({"a"});
    WriteJsonDocument(dir / "x.json", ParseJson(R"({"Device":[{}],"profilename":"x"})"));
    EXPECT_FALSE(list.ImportProfile(dir / "x.json"));
    kx58test::WriteWholeFile(dir / "y.json", "garbage");
    EXPECT_FALSE(list.ImportProfile(dir / "y.json"));
    EXPECT_FALSE(list.ImportProfile(dir / "missing.json"));
    WriteJsonDocument(dir / "z.json", ParseJson(R"([{"profilename":"x","profileUUID":"y"}])"));
    EXPECT_FALSE(list.ImportProfile(dir / "z.json"));
    EXPECT_EQ(list.GetProfileCount(), 1);
}

TEST_F(ProfileListTest, ExportWritesTheSelectedDocument) {
    WriteList({"a", "b"});
    ASSERT_TRUE(list.SelectProfile(1));
    ASSERT_TRUE(list.ExportProfile(dir / "out.json"));
    EXPECT_EQ(ReadJsonDocument(dir / "out.json"), Document(1));
    EXPECT_EQ(ReadJsonDocument(dir / "out.json")["profilename"].asString(), "b");
    EXPECT_FALSE(list.ExportProfile(""));
}

TEST_F(ProfileListTest, ResetRestoresTheDefaultKeepingIdentity) {
    WriteList({"a"});
    Json::Value changed = Document(0);
    changed["Device"][0]["LightInfo"]["Red"] = 1;
    changed["Device"][0]["CustomEQNameInfo"][0]["Name"] = "Mine";
    WriteJsonDocument(list.GetProfilePathAt(0), changed);
    ASSERT_TRUE(list.ResetProfile());
    const Json::Value reset = Document(0);
    EXPECT_EQ(reset["Device"][0]["LightInfo"]["Red"].asInt(), 255);
    EXPECT_EQ(reset["Device"][0]["CustomEQNameInfo"][0]["Name"].asString(), "Factory");
    EXPECT_EQ(reset["profilename"].asString(), "a");
    EXPECT_EQ(reset["profileUUID"].asString(), list.GetCurrentUUID());
}

TEST_F(ProfileListTest, HeadsetResetKeepsCustomEqualisers) {
    list.SetDeviceType(ProfileList::kHeadsetKind);
    WriteList({"a"});
    Json::Value changed = Document(0);
    changed["Device"][0]["LightInfo"]["Red"] = 1;
    changed["Device"][0]["CustomEQNameInfo"][0]["Name"] = "Mine";
    changed["Device"][0]["CustomEQHzValueInfo"][0][3]["value"] = 6;
    WriteJsonDocument(list.GetProfilePathAt(0), changed);
    ASSERT_TRUE(list.ResetProfile());
    const Json::Value reset = Document(0)["Device"][0];
    EXPECT_EQ(reset["LightInfo"]["Red"].asInt(), 255);
    // Compared as text: arrays built in memory may hold gaps where the file holds nulls.
    EXPECT_EQ(kx58::StyledJsonText(reset["CustomEQNameInfo"]),
              kx58::StyledJsonText(changed["Device"][0]["CustomEQNameInfo"]));
    EXPECT_EQ(kx58::StyledJsonText(reset["CustomEQHzValueInfo"]),
              kx58::StyledJsonText(changed["Device"][0]["CustomEQHzValueInfo"]));
}

TEST_F(ProfileListTest, ResetWithoutFactorySettingsChangesNothing) {
    WriteList({"a"});
    const Json::Value before = Document(0);
    list.SetPaths(dir / "profiles", dir / "gone.Json");
    EXPECT_FALSE(list.ResetProfile());
    EXPECT_EQ(Document(0), before);
}

TEST_F(ProfileListTest, EveryOperationSeesChangesMadeOnDisk) {
    WriteList({"a", "b"});
    // Another instance adds a profile behind our back.
    Json::Value file = ListFile();
    Json::Value entry(Json::objectValue);
    entry["profilename"] = "profile1";
    entry["profileUUID"] = "2024_01_01_00_00_00_999";
    file["profilelist"].append(entry);
    WriteJsonDocument(list.ListFilePath(), file);
    ASSERT_TRUE(list.AddProfile());
    EXPECT_EQ(list.GetProfileNames(),
              (std::vector<std::string>{"a", "b", "profile1", "profile2"}));
}

}  // namespace
