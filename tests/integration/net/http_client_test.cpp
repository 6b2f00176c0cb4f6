// The HTTP client against real local servers: what arrives, what comes back, and how every
// kind of failure ends.
#include "net/http_client.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <mutex>
#include <vector>

#include "platform/debug_trace.h"
#include "support/http_server.h"
#include "support/temp_dir.h"

namespace kx58 {
namespace {

using kx58test::HttpServerMode;
using kx58test::LocalHttpServer;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::UnorderedElementsAre;

constexpr std::uint32_t kCurlCouldNotConnect = 7;
constexpr std::uint32_t kCurlTimedOut = 28;

class HttpClientTest : public ::testing::Test {
protected:
    void SetUp() override { HttpClientInit(); }

    // The buffer's text up to its first zero byte.
    std::string Text() const { return reinterpret_cast<const char*>(buffer_.data()); }
    std::span<std::uint8_t> Buffer() { return buffer_; }

    // Proxies of the environment must not carry requests to the local servers.
    kx58test::ScopedEnv noProxy_{"no_proxy", "127.0.0.1,localhost"};
    std::vector<std::uint8_t> buffer_ = std::vector<std::uint8_t>(4096, 0);
};

TEST_F(HttpClientTest, ALowerCasePostArrivesAsPostWithExactlyTheHeaderLinesOfTheBlock) {
    LocalHttpServer server({.status = 200, .body = R"({"ok":true})"});
    ASSERT_TRUE(server.Running()) << server.Problem();
    const char body[] = "app_key=A&version=1";

    const int received = HttpRequest("post", server.BaseUrl() + "/api/updates?x=1", body, sizeof body, Buffer(), false);

    EXPECT_EQ(received, 11);
    EXPECT_EQ(Text(), R"({"ok":true})");
    ASSERT_TRUE(server.WaitForRequests(1));
    const kx58test::HttpRecordedRequest request = server.Requests().at(0);
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.path, "/api/updates?x=1");
    EXPECT_EQ(request.body, std::string(body, sizeof body));
    EXPECT_THAT(request.headerLines,
                UnorderedElementsAre("Host: 127.0.0.1:" + std::to_string(server.Port()),
                                     "User-Agent: WinHTTP Client/1.0", "Content-Length: 20",
                                     "Content-Type: application/x-www-form-urlencoded",
                                     "Accept:application/prs.Orvik.v1+json"));
}

TEST_F(HttpClientTest, AnEmptyPostStillSendsContentLengthZero) {
    LocalHttpServer server({.body = "fine"});
    ASSERT_TRUE(server.Running()) << server.Problem();

    EXPECT_EQ(HttpRequest("POST", server.BaseUrl() + "/", nullptr, 0, Buffer(), false), 4);

    ASSERT_TRUE(server.WaitForRequests(1));
    const kx58test::HttpRecordedRequest request = server.Requests().at(0);
    EXPECT_EQ(request.method, "POST");
    EXPECT_TRUE(request.body.empty());
    EXPECT_THAT(request.headerLines, ::testing::Contains("Content-Length: 0"));
}

TEST_F(HttpClientTest, AGetInAnyCaseIsSentAsGet) {
    LocalHttpServer server({.body = "page"});
    ASSERT_TRUE(server.Running()) << server.Problem();

    EXPECT_EQ(HttpRequest("gEt", server.BaseUrl() + "/status", nullptr, 0, Buffer(), false), 4);

    ASSERT_TRUE(server.WaitForRequests(1));
    EXPECT_EQ(server.Requests().at(0).method, "GET");
    EXPECT_EQ(server.Requests().at(0).path, "/status");
}

TEST_F(HttpClientTest, UnsupportedMethodsAndEmptyUrlsAreRefusedWithoutSendingAnything) {
    LocalHttpServer server({.body = "x"});
    ASSERT_TRUE(server.Running()) << server.Problem();

    EXPECT_EQ(HttpRequest("PUT", server.BaseUrl() + "/put", "a", 1, Buffer(), false), -1);
    EXPECT_EQ(HttpClientLastError(), 87u);
    EXPECT_EQ(HttpRequest("POST", "", "a", 1, Buffer(), false), -1);
    EXPECT_EQ(HttpClientLastError(), 3u);
    EXPECT_EQ(Text(), "");
    // Only the request after them reaches the server.
    EXPECT_EQ(HttpRequest("GET", server.BaseUrl() + "/after", nullptr, 0, Buffer(), false), 1);
    ASSERT_TRUE(server.WaitForRequests(1));
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].path, "/after");
}

TEST_F(HttpClientTest, ErrorStatusesReturnTheirBody) {
    LocalHttpServer server({.status = 404, .body = "no such update"});
    ASSERT_TRUE(server.Running()) << server.Problem();

    EXPECT_EQ(HttpRequest("GET", server.BaseUrl() + "/missing", nullptr, 0, Buffer(), false), 14);
    EXPECT_EQ(Text(), "no such update");
}

TEST_F(HttpClientTest, ARedirectIsFollowedButNeverFromHttpsToHttp) {
    LocalHttpServer target({.body = "moved here"});
    LocalHttpServer plain({.status = 302});
    LocalHttpServer secure({.status = 302, .tls = true});
    ASSERT_TRUE(target.Running() && plain.Running() && secure.Running())
        << target.Problem() << plain.Problem() << secure.Problem();
    plain.SetReply(302, "", {"Location: " + target.BaseUrl() + "/new"});
    secure.SetReply(302, "", {"Location: " + target.BaseUrl() + "/new"});

    EXPECT_EQ(HttpRequest("GET", plain.BaseUrl() + "/old", nullptr, 0, Buffer(), false), 10);
    EXPECT_EQ(Text(), "moved here");

    std::fill(buffer_.begin(), buffer_.end(), 0);
    HttpClientSetRequireValidCertificate(0);
    EXPECT_EQ(HttpRequest("GET", secure.BaseUrl() + "/old", nullptr, 0, Buffer(), false), 0);
    EXPECT_EQ(Text(), kNoLinkServer);
    ASSERT_TRUE(secure.WaitForRequests(1));
    const auto arrived = target.Requests();
    ASSERT_EQ(arrived.size(), 1u);
    EXPECT_EQ(arrived[0].path, "/new");
}

TEST_F(HttpClientTest, ASelfSignedCertificateIsRefusedUnlessCertificatesMayBeInvalid) {
    LocalHttpServer server({.body = "secret", .tls = true});
    ASSERT_TRUE(server.Running()) << server.Problem();
    ASSERT_THAT(server.BaseUrl(), HasSubstr("https://"));

    EXPECT_EQ(HttpRequest("GET", server.BaseUrl() + "/a", nullptr, 0, Buffer(), false), 0);
    EXPECT_EQ(Text(), kNoLinkServer);
    EXPECT_NE(HttpClientLastError(), 0u);

    std::fill(buffer_.begin(), buffer_.end(), 0);
    HttpClientSetRequireValidCertificate(0);
    EXPECT_EQ(HttpRequest("GET", server.BaseUrl() + "/b", nullptr, 0, Buffer(), false), 6);
    EXPECT_EQ(Text(), "secret");
    ASSERT_TRUE(server.WaitForRequests(1));
    // The refused handshake carried no request.
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].path, "/b");

    // Init verifies again.
    HttpClientInit();
    std::fill(buffer_.begin(), buffer_.end(), 0);
    EXPECT_EQ(HttpRequest("GET", server.BaseUrl() + "/c", nullptr, 0, Buffer(), false), 0);
    EXPECT_EQ(Text(), kNoLinkServer);
}

TEST_F(HttpClientTest, APortWhereNothingListensGivesNoLinkServer) {
    kx58test::RefusingLocalPort port;
    ASSERT_GT(port.Port(), 0);

    EXPECT_EQ(HttpRequest("POST", "http://127.0.0.1:" + std::to_string(port.Port()) + "/api/updates", "a", 1,
                          Buffer(), false),
              0);
    EXPECT_EQ(Text(), kNoLinkServer);
    EXPECT_EQ(HttpClientLastError(), kCurlCouldNotConnect);
}

TEST_F(HttpClientTest, AServerThatNeverAnswersEndsInNoLinkServerAfterTheReceiveTimeout) {
    LocalHttpServer server({.mode = HttpServerMode::NeverAnswer});
    ASSERT_TRUE(server.Running()) << server.Problem();
    HttpClientSetTimeouts(60000, 300, 300);

    EXPECT_EQ(HttpRequest("POST", server.BaseUrl() + "/api/updates", "k=v", 3, Buffer(), false), 0);

    EXPECT_EQ(Text(), kNoLinkServer);
    EXPECT_EQ(HttpClientLastError(), kCurlTimedOut);
    // It did get the request: the wait was for the answer.
    ASSERT_TRUE(server.WaitForRequests(1));
    EXPECT_EQ(server.Requests().at(0).body, "k=v");
}

TEST_F(HttpClientTest, ABodyLongerThanTheBufferIsCutInsideItAndTraced) {
    LocalHttpServer server({.mode = HttpServerMode::HugeBody, .hugeBytes = 4u << 20});
    ASSERT_TRUE(server.Running()) << server.Problem();
    std::mutex mutex;
    std::vector<std::string> traces;
    SetTraceSink([&](std::string_view text) {
        std::lock_guard lock(mutex);
        traces.emplace_back(text);
    });
    // The client sees only the first 1000 bytes; the guard after them must stay as it is.
    std::vector<std::uint8_t> memory(1000 + 64, 0xEE);

    const int received = HttpRequest("GET", server.BaseUrl() + "/big", nullptr, 0,
                                     std::span(memory).first(1000), false);
    SetTraceSink({});

    EXPECT_EQ(received, 999);
    const std::string pattern = "0123456789abcdef";
    for (int i = 0; i < 999; ++i) ASSERT_EQ(memory[i], pattern[i % 16]) << "byte " << i;
    EXPECT_EQ(memory[999], 0);
    EXPECT_EQ(std::count(memory.begin() + 1000, memory.end(), 0xEE), 64);
    std::lock_guard lock(mutex);
    EXPECT_THAT(traces, ::testing::Contains(HasSubstr("cut at 999 bytes")));
}

TEST_F(HttpClientTest, NoLinkServerIsCutToASmallBufferToo) {
    kx58test::RefusingLocalPort port;
    std::vector<std::uint8_t> memory(8, 0xEE);

    EXPECT_EQ(HttpRequest("GET", "http://127.0.0.1:" + std::to_string(port.Port()) + "/", nullptr, 0,
                          std::span(memory).first(5), false),
              0);

    EXPECT_THAT(memory, ElementsAre('N', 'O', '_', 'L', 0, 0xEE, 0xEE, 0xEE));
}

}  // namespace
}  // namespace kx58
