// The update check against a local stand-in for the update service, and the date file.
#include "net/update_check.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "net/http_client.h"
#include "support/http_server.h"
#include "support/temp_dir.h"

namespace kx58 {
namespace {

using kx58test::LocalHttpServer;

constexpr const char* kReply105 =
    R"({"path": "http://files.orvik.com/kx58.bin", "name": "KX58", "version_name": "Spring",
        "version": "105", "device_id": 7})";

class UpdateCheckTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(server_.Running()) << server_.Problem(); }

    LocalHttpServer server_;
    kx58test::ScopedEnv noProxy_{"no_proxy", "127.0.0.1,localhost"};
    // A trailing slash in the address still gives one slash before "api".
    kx58test::ScopedEnv service_{"KX58_UPDATE_SERVICE", server_.BaseUrl() + "/"};
};

TEST_F(UpdateCheckTest, AHexEntrySendsItsVersionInHexWithTheTerminatingZero) {
    server_.SetReply(200, kReply105);
    UpdateProduct keyboard = UpdateProducts()[0];
    keyboard.localVersion = 0x0104;

    const UpdateCheckResult result = CheckForUpdate(UpdateAppKey(keyboard), keyboard.localVersion, true);

    ASSERT_TRUE(server_.WaitForRequests(1));
    const kx58test::HttpRecordedRequest request = server_.Requests().at(0);
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.path, "/api/updates");
    const std::string sent = "app_key=Orvik_1_KX58_KB_20509&version=104";
    EXPECT_EQ(request.body, sent + '\0');
    EXPECT_THAT(request.headerLines, ::testing::Contains("Content-Length: " + std::to_string(sent.size() + 1)));
    EXPECT_EQ(result.localVersionText, "V0104");
    EXPECT_EQ(result.serverVersionText, "V105");
    // 0x105 is newer than 0x104.
    EXPECT_EQ(result.status, kUpdateNewer);
    EXPECT_EQ(result.name, "KX58");
    EXPECT_EQ(result.versionName, "Spring");
    EXPECT_EQ(result.downloadPath, "http://files.orvik.com/kx58.bin");
    EXPECT_EQ(result.deviceId, 7);
}

TEST_F(UpdateCheckTest, AHexEntryCountsOnlyAHigherHexNumberAsNewer) {
    server_.SetReplyWhenBodyHas("version=104", 200, R"({"version": "00fe", "version_name": "Old"})");
    server_.SetReplyWhenBodyHas("version=ff", 200, R"({"version": "0x100", "version_name": "New"})");

    EXPECT_EQ(CheckForUpdate("KEY", 0x0104, true).status, kUpdateCurrent);
    const UpdateCheckResult newer = CheckForUpdate("KEY", 0x00ff, true);
    EXPECT_EQ(newer.status, kUpdateNewer);
    EXPECT_EQ(newer.localVersionText, "V00ff");
}

TEST_F(UpdateCheckTest, ADecimalEntryComparesInDecimalAndShowsTheVersionName) {
    server_.SetReply(200, R"({"name": "App", "version_name": "1.0.4", "version": "104", /* same */ "device_id": 0})");

    const UpdateCheckResult same = CheckForUpdate("Orvik_0_ALL_AP_1", 104, false);

    ASSERT_TRUE(server_.WaitForRequests(1));
    EXPECT_EQ(server_.Requests().at(0).body, std::string("app_key=Orvik_0_ALL_AP_1&version=104") + '\0');
    EXPECT_EQ(same.status, kUpdateCurrent);
    EXPECT_EQ(same.localVersionText, "V104");
    EXPECT_EQ(same.serverVersionText, "1.0.4");

    server_.SetReply(200, R"({"name": "App", "version_name": "1.0.5", "version": "105"})");
    const UpdateCheckResult newer = CheckForUpdate("Orvik_0_ALL_AP_1", 104, false);
    EXPECT_EQ(newer.status, kUpdateNewer);
    EXPECT_EQ(newer.serverVersionText, "1.0.5");
}

TEST_F(UpdateCheckTest, RepliesThatAreNotTheServicesFailTheCheck) {
    const struct {
        int status;
        const char* body;
    } replies[] = {
        {200, R"({"version": "105", "name": )"},           // cut off
        {200, R"({"version": 105, "name": "KX58"})"},      // version not a text
        {200, R"({"version": "105", "device_id": "7"})"},  // device id not a number
        {200, R"({"version": "105", "name": ["KX58"]})"},
        {200, R"({"version": "1x5"})"},
        {200, R"(["105"])"},
        {500, R"({"message": "internal error"})"},          // no version at all
        {502, "<html>Bad gateway</html>"},
    };
    for (const auto& reply : replies) {
        server_.SetReply(reply.status, reply.body);
        const UpdateCheckResult result = CheckForUpdate("KEY", 104, false);
        EXPECT_EQ(result.status, kUpdateCheckFailed) << reply.body;
        EXPECT_EQ(result.name, "") << reply.body;
        EXPECT_EQ(result.localVersionText, "V104") << reply.body;
    }
}

TEST_F(UpdateCheckTest, AnUnreachableServiceReadsNoLinkServer) {
    kx58test::RefusingLocalPort port;
    kx58test::ScopedEnv nowhere("KX58_UPDATE_SERVICE", "http://127.0.0.1:" + std::to_string(port.Port()));

    const UpdateCheckResult result = CheckForUpdate("KEY", 0x0104, true);

    EXPECT_EQ(result.name, kNoLinkServer);
    EXPECT_EQ(result.status, kUpdateCheckFailed);
}

TEST(UpdateAppKeyTest, AnEntryWithoutLocalVersionAsksWithNull) {
    EXPECT_EQ(UpdateAppKey(UpdateProducts()[1]), "NULL");
    UpdateProduct application = UpdateProducts().back();
    application.localVersion = InstalledApplicationVersion();
    EXPECT_GT(application.localVersion, 0);
    EXPECT_EQ(UpdateAppKey(application), "Orvik_0_ALL_AP_1");
}

TEST(UpdateTimeTest, TheDateOfTheLastCheckSurvivesAndABrokenFileReadsAsNone) {
    kx58test::TempDir dir;
    EXPECT_FALSE(ReadUpdateTime(dir.Path()));

    const std::string today = UpdateDateToday();
    ASSERT_TRUE(WriteUpdateTime(dir.Path(), today));
    EXPECT_EQ(ReadUpdateTime(dir.Path() + "/"), today);
    EXPECT_THAT(kx58test::ReadWholeFile(dir / "updatetime.config"), ::testing::HasSubstr("\"updatelasttime\""));

    for (const char* broken : {"{\"updatelasttime\": {\"value\": ", "{\"updatelasttime\": \"2026-1-5\"}",
                               "{\"updatelasttime\": {\"value\": 2026}}", "{\"updatelasttime\": {\"value\": \"soon\"}}"}) {
        kx58test::WriteWholeFile(dir / "updatetime.config", broken);
        EXPECT_FALSE(ReadUpdateTime(dir.Path())) << broken;
    }
    EXPECT_FALSE(WriteUpdateTime(dir.Path(), "not a date"));
}

}  // namespace
}  // namespace kx58
