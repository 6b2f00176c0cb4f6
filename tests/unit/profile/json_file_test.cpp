#include <gtest/gtest.h>
#include <json/writer.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <regex>
#include <set>
#include <thread>

#include "profile/json_file.h"
#include "profile/text_convert.h"
#include "profile/time_stamp_name.h"
#include "profile_test_util.h"
#include "support/temp_dir.h"
#include "support/wait_until.h"

namespace {

using kx58::ReadJsonDocument;
using kx58::WriteJsonDocument;

TEST(JsonFile, MissingEmptyAndInvalidFilesReadAsNull) {
    kx58test::TempDir dir;
    EXPECT_TRUE(ReadJsonDocument(dir / "missing.json").isNull());
    kx58test::WriteWholeFile(dir / "empty.json", "");
    EXPECT_TRUE(ReadJsonDocument(dir / "empty.json").isNull());
    kx58test::WriteWholeFile(dir / "broken.json", "{\"Device\": [ {\"LightInfo\": ");
    EXPECT_TRUE(ReadJsonDocument(dir / "broken.json").isNull());
    kx58test::WriteWholeFile(dir / "binary.json", std::string("\0\xff\xfe{", 4));
    EXPECT_TRUE(ReadJsonDocument(dir / "binary.json").isNull());
    EXPECT_TRUE(ReadJsonDocument(dir.Path()).isNull());  // a folder is no document
}

TEST(JsonFile, CommentsAndWindowsLineEndsAreAccepted) {
    kx58test::TempDir dir;
    kx58test::WriteWholeFile(dir / "c.json",
                             "// first\r\n{ /* inner */ \"a\" : 1, // tail\r\n \"b\" : [1,2]\r\n}\r\n");
    const Json::Value value = ReadJsonDocument(dir / "c.json");
    EXPECT_EQ(value["a"].asInt(), 1);
    EXPECT_EQ(value["b"].size(), 2u);
}

TEST(JsonFile, WrittenFileIsTheStyledTextWithALineEnd) {
    kx58test::TempDir dir;
    Json::Value value = kx58test::ParseJson(
        R"({"Device":[{"LightInfo":{"Red":255,"Blue":3},"Name":"Grün 名字","List":[1,2,3]}],"z":null})");
    ASSERT_TRUE(WriteJsonDocument(dir / "p.Json", value));
    Json::StyledWriter writer;
    EXPECT_EQ(kx58test::ReadWholeFile(dir / "p.Json"), writer.write(value) + "\n");
    EXPECT_EQ(ReadJsonDocument(dir / "p.Json"), value);
    // Three-space indentation, short arrays on one line.
    EXPECT_NE(kx58test::ReadWholeFile(dir / "p.Json").find("\n   \"Device\" : [\n"),
              std::string::npos);
    EXPECT_NE(kx58test::ReadWholeFile(dir / "p.Json").find("[ 1, 2, 3 ]"), std::string::npos);
}

TEST(JsonFile, BackslashPathsAndUnwritableFolders) {
    kx58test::TempDir dir;
    Json::Value value(Json::objectValue);
    value["x"] = 1;
    ASSERT_TRUE(WriteJsonDocument(dir.Path() + "\\win.Json", value));
    EXPECT_EQ(ReadJsonDocument(dir / "win.Json"), value);
    EXPECT_FALSE(WriteJsonDocument(dir / "no/such/folder/x.Json", value));
    EXPECT_FALSE(WriteJsonDocument("", value));
}

// A writer killed at any moment leaves either the old or the new document, never a mix.
TEST(JsonFile, KilledWriterLeavesACompleteDocument) {
    kx58test::TempDir dir;
    const std::string path = dir / "profile.Json";
    Json::Value small(Json::objectValue);
    small["Device"][0]["LightInfo"]["Red"] = 1;
    Json::Value large = small;
    for (int i = 0; i < 3000; ++i) large["Device"][0]["KeyList"][i]["Assignment"] = i;
    ASSERT_TRUE(WriteJsonDocument(path, small));

    for (int round = 0; round < 5; ++round) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (unsigned i = 0;; ++i) WriteJsonDocument(path, (i & 1) ? small : large);
        }
        const std::string before = kx58test::ReadWholeFile(path);
        kx58test::WaitUntil([&] { return kx58test::ReadWholeFile(path) != before; });
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        const Json::Value after = ReadJsonDocument(path);
        EXPECT_TRUE(after == small || after == large) << "round " << round;
    }
}

TEST(TimeStampName, HasTheStatedShapeAndNeverRepeats) {
    const std::regex shape(R"(\d{4}_\d{2}_\d{2}_\d{2}_\d{2}_\d{2}_\d{3})");
    std::vector<std::vector<std::string>> perThread(4);
    std::vector<std::thread> threads;
    for (auto& names : perThread) {
        threads.emplace_back([&names] {
            for (int i = 0; i < 500; ++i) names.push_back(kx58::MakeTimeStampName());
        });
    }
    for (auto& t : threads) t.join();
    std::set<std::string> all;
    for (const auto& names : perThread) {
        for (const auto& name : names) {
            EXPECT_TRUE(std::regex_match(name, shape)) << name;
            all.insert(name);
        }
    }
    EXPECT_EQ(all.size(), 2000u);
}

TEST(TextConvert, RoundTripsAndRepairsInvalidBytes) {
    const std::string text = "profile Ä 名字 🎮";
    EXPECT_EQ(kx58::Utf8FromWide(kx58::WideFromUtf8(text)), text);
    EXPECT_EQ(kx58::WideFromUtf8("\xE5\x90"), std::wstring(L"\xFFFD"));
    EXPECT_EQ(kx58::WideFromUtf8("a\xC0\xAF" "b"), std::wstring(L"a\xFFFD" L"b"));  // overlong form
    EXPECT_TRUE(kx58::EqualsIgnoringCase("Game ÄЖ", "gAME äж"));
    EXPECT_FALSE(kx58::EqualsIgnoringCase("Game", "Games"));
    EXPECT_EQ(kx58::TrimBlanks("  a b \t"), "a b");
    EXPECT_EQ(kx58::TrimBlanks("  "), "");
}

}  // namespace
