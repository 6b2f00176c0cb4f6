// The macro library on real files in a temp folder: naming, limits, events, import and
// export, and deleting a macro with the key assignments of every profile.
#include "macro/macro_library.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <map>

#include "macro/macro_events.h"
#include "macro/macro_key_renumber.h"
#include "platform/folders.h"
#include "profile/json_file.h"
#include "support/temp_dir.h"

namespace kx58test {
namespace {

using kx58::MacroEventRecord;
using kx58::MacroLibrary;
using kx58::MacroResult;

constexpr std::uint32_t kMacroQ = 0x71;
constexpr std::uint32_t kDefaultA = 0x200400;

std::uint32_t MacroKey(std::uint32_t number) { return kMacroQ << 16 | number << 8; }

void WriteLibrary(const std::string& folder, const std::vector<std::pair<std::string, std::string>>& macros) {
    Json::Value config(Json::objectValue);
    config["MacroInfo"] = Json::Value(Json::arrayValue);
    for (const auto& [name, guid] : macros) {
        Json::Value entry;
        entry["MacroName"] = name;
        entry["Guid"] = guid;
        config["MacroInfo"].append(entry);
    }
    kx58::WriteJsonDocument(folder + "macro.config", config);
}

// A profile document whose keys hold `assignments`, every default being kDefaultA.
void WriteProfile(const std::string& path, const std::vector<std::uint32_t>& assignments) {
    Json::Value section(Json::objectValue);
    for (std::uint32_t assignment : assignments) {
        Json::Value key;
        key["Assignment"] = assignment;
        key["DefaultAssignment"] = kDefaultA;
        section["KeyList"].append(key);
    }
    Json::Value document(Json::objectValue);
    document["Device"].append(section);
    kx58::WriteJsonDocument(path, document);
}

std::vector<std::uint32_t> AssignmentsIn(const std::string& path) {
    std::vector<std::uint32_t> assignments;
    const Json::Value document = kx58::ReadJsonDocument(path);
    for (const Json::Value& key : document["Device"][0]["KeyList"])
        assignments.push_back(key["Assignment"].asUInt());
    return assignments;
}

// Every file of the folder with its bytes, to show that nothing changed.
std::map<std::string, std::string> Snapshot(const TempDir& dir, const std::vector<std::string>& names) {
    std::map<std::string, std::string> files;
    for (const std::string& name : names) files[name] = ReadWholeFile(dir / name);
    return files;
}

class MacroLibraryTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string folder = dir.Path() + "/";
    MacroLibrary library{dir.Path()};
};

TEST_F(MacroLibraryTest, NewMacroTakesTheSmallestNumberFreeWithoutRegardToCase) {
    EXPECT_EQ(library.Add().name, "macro_1");
    WriteLibrary(folder, {{"macro_1", "g1"}, {"Macro_2", "g2"}});
    const kx58::MacroCreated added = library.Add();
    EXPECT_EQ(added.result, MacroResult::Ok);
    EXPECT_EQ(added.name, "macro_3");
    ASSERT_EQ(MacroLibrary(folder).Load().size(), 3u);
    EXPECT_EQ(library.Entries()[2].name, "macro_3");
}

TEST_F(MacroLibraryTest, TheFiftyFirstMacroIsRefusedAndChangesNothing) {
    for (int i = 0; i < 50; ++i) ASSERT_EQ(library.Add().result, MacroResult::Ok);
    const std::string before = ReadWholeFile(library.ConfigPath());
    WriteWholeFile(dir / "Jump.mac", R"({"Events": []})");
    EXPECT_EQ(library.Add().result, MacroResult::LibraryFull);
    EXPECT_EQ(library.Import(dir / "Jump.mac").name, "");
    EXPECT_EQ(ReadWholeFile(library.ConfigPath()), before);
}

TEST_F(MacroLibraryTest, RenameRefusesBlankAndTakenNamesIncludingItsOwn) {
    WriteLibrary(folder, {{"Jump", "g1"}, {"Run", "g2"}});
    EXPECT_EQ(library.Rename(0, "  "), MacroResult::NameBlank);
    EXPECT_EQ(library.Rename(0, "jump"), MacroResult::NameInUse);
    EXPECT_EQ(library.Rename(0, "RUN"), MacroResult::NameInUse);
    EXPECT_EQ(library.Rename(0, " Dash "), MacroResult::Ok);
    EXPECT_EQ(MacroLibrary(folder).Load()[0].name, "Dash");
    EXPECT_EQ(library.Entries()[0].guid, "g1");
}

TEST_F(MacroLibraryTest, SavedEventsKeepCappedDelaysAndTheLowByteOfADistance) {
    WriteLibrary(folder, {{"Move", "g1"}});
    const std::vector<MacroEventRecord> events = {
        kx58::MouseMoveEvent(kx58::MouseMove::Left, kx58::MoveDistanceFromText("300"), kx58::StoredDelay(70000)),
        {.down = true, .button = 4, .type = 10, .delay = kx58::DelayFromText("")},
    };
    ASSERT_EQ(library.SaveEvents(0, events), MacroResult::Ok);
    const Json::Value saved = kx58::ReadJsonDocument(folder + "g1.mac");
    EXPECT_EQ(saved["Version"].asInt(), 64);
    EXPECT_EQ(saved["Events"][0]["Button"].asInt(), 44);
    EXPECT_EQ(saved["Events"][0]["Delay"], Json::Value("65535"));
    EXPECT_EQ(saved["Events"][1]["Delay"], Json::Value("0"));
    const std::vector<MacroEventRecord> read = library.ReadEvents(0);
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(read[0].delay, 65535);
    EXPECT_TRUE(read[0].down);
    EXPECT_EQ(read[0].type, 4);
}

TEST_F(MacroLibraryTest, ImportingJumpTwiceGivesJumpAndJump2) {
    const std::string file = R"({"Events": [{"Action": "down", "Button": 4, "Type": 10, "Delay": 20}]})";
    WriteWholeFile(dir / "Jump.mac", file);
    EXPECT_EQ(library.Import(dir / "Jump.mac").name, "Jump");
    EXPECT_EQ(library.Import(dir / "Jump.mac").name, "Jump_2");
    ASSERT_EQ(library.Entries().size(), 2u);
    EXPECT_NE(library.Entries()[0].guid, library.Entries()[1].guid);
    EXPECT_EQ(ReadWholeFile(dir / (library.Entries()[1].guid + ".mac")), file);
    EXPECT_EQ(library.ReadEvents(1).at(0).delay, 20);
}

TEST_F(MacroLibraryTest, ExportThenImportGivesTheSameMacro) {
    WriteLibrary(folder, {{"Combo", "g1"}});
    const std::vector<MacroEventRecord> events = {{.down = true, .button = 1, .type = 1, .delay = 30},
                                                  {.down = false, .button = 1, .type = 1, .delay = 65535}};
    ASSERT_EQ(library.SaveEvents(0, events), MacroResult::Ok);
    TempDir elsewhere;
    ASSERT_EQ(library.Export(0, elsewhere / "Combo.mac"), MacroResult::Ok);
    ASSERT_EQ(library.Import(elsewhere / "Combo.mac").name, "Combo_2");
    EXPECT_EQ(library.ReadEvents(1), library.ReadEvents(0));
    EXPECT_EQ(library.ReadEvents(1).size(), 2u);
}

TEST_F(MacroLibraryTest, BrokenOversizedOrTooLongImportsAreRefusedAndChangeNothing) {
    WriteLibrary(folder, {{"Jump", "g1"}});
    const std::string before = ReadWholeFile(library.ConfigPath());
    WriteWholeFile(dir / "broken.mac", "{\"Events\": [");
    WriteWholeFile(dir / "huge.mac", std::string(kx58::kMaxMacroImportBytes + 1, ' '));
    Json::Value tooLong;
    for (std::size_t i = 0; i <= kx58::kMaxMacroEvents; ++i) tooLong["Events"].append(kx58::MacroEventJson({}));
    kx58::WriteJsonDocument(dir / "long.mac", tooLong);
    EXPECT_EQ(library.Import(dir / "broken.mac").result, MacroResult::NotJson);
    EXPECT_EQ(library.Import(dir / "huge.mac").result, MacroResult::TooLarge);
    EXPECT_EQ(library.Import(dir / "long.mac").result, MacroResult::TooManyEvents);
    EXPECT_EQ(library.Import(dir / "missing.mac").result, MacroResult::Unreadable);
    EXPECT_EQ(ReadWholeFile(library.ConfigPath()), before);
    EXPECT_EQ(library.Load().size(), 1u);
}

TEST_F(MacroLibraryTest, CraftedGuidCannotWriteDeleteOrExportOutsideTheFolder) {
    TempDir root;
    ASSERT_EQ(::mkdir((root / "device").c_str(), 0700), 0);
    WriteWholeFile(root / "x.mac", "outside");
    WriteLibrary(root / "device/", {{"Evil", "../x"}});
    MacroLibrary crafted(root / "device");
    EXPECT_EQ(crafted.SaveEvents(0, {{}}), MacroResult::UnsafeGuid);
    EXPECT_EQ(crafted.Delete(0), MacroResult::UnsafeGuid);
    EXPECT_EQ(crafted.Export(0, root / "copy.mac"), MacroResult::UnsafeGuid);
    EXPECT_TRUE(crafted.ReadEvents(0).empty());
    EXPECT_EQ(ReadWholeFile(root / "x.mac"), "outside");
    EXPECT_EQ(crafted.Load().size(), 1u);
    EXPECT_EQ(ReadWholeFile(root / "copy.mac"), "");
}

TEST_F(MacroLibraryTest, DeletingMacro2Of4RenumbersTheKeysOfEveryProfile) {
    WriteLibrary(folder, {{"m1", "g1"}, {"m2", "g2"}, {"m3", "g3"}, {"m4", "g4"}});
    WriteWholeFile(dir / "g2.mac", R"({"Events": []})");
    const std::uint32_t plainKeyWithByte2 = 0x200200;
    WriteProfile(dir / "p1.Json", {MacroKey(0), MacroKey(1), MacroKey(2), MacroKey(3), plainKeyWithByte2});
    WriteProfile(dir / "p2.Json", {MacroKey(1), MacroKey(2)});
    WriteProfile(dir / "p3.Json", {MacroKey(0)});
    const std::string untouched = ReadWholeFile(dir / "p3.Json");

    ASSERT_EQ(library.Delete(1), MacroResult::Ok);

    EXPECT_EQ(AssignmentsIn(dir / "p1.Json"),
              (std::vector<std::uint32_t>{MacroKey(0), kDefaultA, MacroKey(1), MacroKey(2), plainKeyWithByte2}));
    EXPECT_EQ(AssignmentsIn(dir / "p2.Json"), (std::vector<std::uint32_t>{kDefaultA, MacroKey(1)}));
    EXPECT_EQ(ReadWholeFile(dir / "p3.Json"), untouched);
    ASSERT_EQ(library.Entries().size(), 3u);
    EXPECT_EQ(library.Entries()[1].name, "m3");
    EXPECT_FALSE(kx58::PathExists(dir / "g2.mac"));
}

TEST_F(MacroLibraryTest, DeleteThatCannotFinishChangesNoFile) {
    WriteLibrary(folder, {{"m1", "g1"}, {"m2", "g2"}});
    WriteWholeFile(dir / "g1.mac", R"({"Events": []})");
    WriteProfile(dir / "p1.Json", {MacroKey(0), MacroKey(1)});
    const std::vector<std::string> files = {"macro.config", "g1.mac", "p1.Json"};
    const auto before = Snapshot(dir, files);
    // The new library cannot be put beside the old one, after the profile's new copy was.
    ASSERT_EQ(::mkdir((dir / "macro.config.pending").c_str(), 0700), 0);
    EXPECT_EQ(library.Delete(0), MacroResult::NotWritten);
    EXPECT_EQ(Snapshot(dir, files), before);
    EXPECT_FALSE(kx58::PathExists(dir / "p1.Json.pending"));
    // A profile document that cannot be read stops the delete before anything is written.
    ASSERT_EQ(::rmdir((dir / "macro.config.pending").c_str()), 0);
    ASSERT_EQ(::mkdir((dir / "p2.Json").c_str(), 0700), 0);
    EXPECT_EQ(library.Delete(0), MacroResult::Unreadable);
    EXPECT_EQ(Snapshot(dir, files), before);
}

TEST(MacroKeyRenumberTest, ActiveProfileListInMemoryFollowsTheDelete) {
    std::vector<kx58::KeyAssignmentEntry> keys(3);
    keys[0].assignment = kx58::AssignmentBytes::FromCode(MacroKey(2));
    keys[1].assignment = kx58::AssignmentBytes::FromCode(MacroKey(4));
    keys[2].assignment = kx58::AssignmentBytes::FromCode(MacroKey(1));
    keys[0].defaultAssignment = kx58::AssignmentBytes::FromCode(kDefaultA);
    EXPECT_TRUE(kx58::AssignsMacro(keys, 2));
    EXPECT_TRUE(kx58::RenumberMacroKeys(keys, 2));
    EXPECT_EQ(keys[0].assignment.Code(), kDefaultA);
    EXPECT_EQ(keys[1].assignment.Code(), MacroKey(3));
    EXPECT_EQ(keys[2].assignment.Code(), MacroKey(1));
    EXPECT_FALSE(kx58::AssignsMacro(keys, 2));
}

}  // namespace
}  // namespace kx58test
