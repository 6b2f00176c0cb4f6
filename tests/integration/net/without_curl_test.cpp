// Without a usable libcurl: ctest puts a stand-in that has none of its functions first on the
// library path, so the program's libcurl is found and refused as a broken install would be.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <string>
#include <vector>

#include <curl/curl.h>

#include "net/http_client.h"
#include "net/update_check.h"
#include "platform/debug_trace.h"

namespace kx58 {
namespace {

TEST(WithoutCurl, RequestsFailAsATransferThatCannotStartAndTheUpdateCheckSaysSo) {
    if (!std::getenv("KX58_TEST_CURL_STAND_IN")) GTEST_SKIP() << "run by ctest with the stand-in on the library path";
    std::vector<std::string> traces;
    const TraceSink previous = SetTraceSink([&](std::string_view text) { traces.emplace_back(text); });
    std::array<std::uint8_t, 64> response{};
    EXPECT_EQ(HttpRequest("GET", "http://127.0.0.1:9/", nullptr, 0, response, false), -1);
    EXPECT_EQ(HttpClientLastError(), static_cast<std::uint32_t>(CURLE_FAILED_INIT));
    EXPECT_EQ(CheckForUpdate("KEY", 0x0104, true).status, kUpdateCheckFailed);
    SetTraceSink(previous);
    EXPECT_EQ(std::count_if(traces.begin(), traces.end(),
                            [](const std::string& t) { return t.find("libcurl lacks a function") != std::string::npos; }),
              1);
}

}  // namespace
}  // namespace kx58
