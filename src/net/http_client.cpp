#include "net/http_client.h"

#include <strings.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <optional>

#include "net/curl_library.h"
#include "platform/debug_trace.h"

namespace kx58 {
namespace {

constexpr std::uint32_t kErrorInvalidParameter = 87;
constexpr std::uint32_t kErrorPathNotFound = 3;

struct ClientSettings {
    std::string userAgent = "WinHTTP Client/1.0";
    // Nothing in the program configures an explicit proxy; the environment's proxies
    // (http_proxy, https_proxy, no_proxy) serve as the user's proxy settings.
    std::string proxyServer;
    std::string proxyUserName;
    std::string proxyPassword;
    int requireValidCertificate = 1;
    long connectTimeoutMs = 60000;
    long sendTimeoutMs = 30000;
    long receiveTimeoutMs = 30000;
};

std::mutex& SettingsMutex() {
    static std::mutex mutex;
    return mutex;
}

ClientSettings& Settings() {
    static ClientSettings settings;
    return settings;
}

std::atomic<std::uint32_t> lastError{0};

ClientSettings CurrentSettings() {
    std::lock_guard lock(SettingsMutex());
    return Settings();
}

template <class Value>
void SetOpt(CURL* curl, CURLoption option, Value value) {
    Curl()->easySetopt(curl, option, value);
}

std::optional<const char*> UpperCaseMethod(const std::string& method) {
    static constexpr std::array<const char*, 2> kMethods = {"GET", "POST"};
    for (const char* known : kMethods)
        if (strcasecmp(method.c_str(), known) == 0) return known;
    return std::nullopt;
}

// One request's state, shared with libcurl's callbacks.
struct Transfer {
    std::span<std::uint8_t> response{};
    std::size_t received = 0;
    bool cut = false;
    curl_off_t bodyLength = 0;
    long sendTimeoutMs = 0;
    long receiveTimeoutMs = 0;
    bool connected = false;
    bool stalled = false;
    curl_off_t lastSent = 0;
    curl_off_t lastReceived = 0;
    std::chrono::steady_clock::time_point lastMove{};

    // One byte always stays free for the terminating zero.
    std::size_t Capacity() const { return response.empty() ? 0 : response.size() - 1; }
};

std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* context) {
    Transfer& transfer = *static_cast<Transfer*>(context);
    const std::size_t bytes = size * count;
    const std::size_t taken = std::min(bytes, transfer.Capacity() - transfer.received);
    if (taken > 0) std::memcpy(transfer.response.data() + transfer.received, data, taken);
    transfer.received += taken;
    if (taken == bytes) return bytes;
    // Once the buffer is full the rest is not waited for.
    transfer.cut = true;
    return 0;
}

// Called once the connection (and the TLS handshake) is up: from here on the send and
// receive time-outs apply instead of the connect time-out.
int OnConnected(void* context, char*, char*, int, int) {
    Transfer& transfer = *static_cast<Transfer*>(context);
    transfer.connected = true;
    transfer.lastMove = std::chrono::steady_clock::now();
    return CURL_PREREQFUNC_OK;
}

// Ends a transfer whose bytes have not moved for longer than the time-out of its direction.
int OnProgress(void* context, curl_off_t, curl_off_t received, curl_off_t, curl_off_t sent) {
    Transfer& transfer = *static_cast<Transfer*>(context);
    if (!transfer.connected) return 0;
    const auto now = std::chrono::steady_clock::now();
    if (received != transfer.lastReceived || sent != transfer.lastSent) {
        transfer.lastReceived = received;
        transfer.lastSent = sent;
        transfer.lastMove = now;
        return 0;
    }
    const long limitMs = sent < transfer.bodyLength ? transfer.sendTimeoutMs : transfer.receiveTimeoutMs;
    if (limitMs <= 0 || now - transfer.lastMove < std::chrono::milliseconds(limitMs)) return 0;
    transfer.stalled = true;
    return 1;
}

// The header lines of every request. The block this client has always built carries an empty
// line between the content type and the accept header; an empty line ends the header section
// on the wire, so only the three lines are sent, as they are written (no blank after
// "Accept:"). "Expect:" keeps libcurl from adding a 100-continue wait the block never had.
curl_slist* RequestHeaders(std::size_t bodyLength) {
    const std::string length = "Content-Length: " + std::to_string(bodyLength);
    const std::array<const char*, 4> lines = {length.c_str(), "Content-Type: application/x-www-form-urlencoded",
                                              "Accept:application/prs.Orvik.v1+json", "Expect:"};
    curl_slist* list = nullptr;
    for (const char* line : lines) {
        curl_slist* longer = Curl()->slistAppend(list, line);
        if (!longer) {
            lastError = CURLE_OUT_OF_MEMORY;
            continue;
        }
        list = longer;
    }
    return list;
}

void SetMethodAndBody(CURL* curl, const char* method, const void* body, std::size_t bodyLength) {
    const bool post = std::strcmp(method, "POST") == 0;
    if (!post && bodyLength == 0) {
        SetOpt(curl, CURLOPT_HTTPGET, 1L);
        return;
    }
    SetOpt(curl, CURLOPT_POSTFIELDS, bodyLength ? body : "");
    SetOpt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(bodyLength));
    if (!post) SetOpt(curl, CURLOPT_CUSTOMREQUEST, method);
}

void SetConnection(CURL* curl, const std::string& url, const ClientSettings& settings, bool useProxy) {
    SetOpt(curl, CURLOPT_URL, url.c_str());
    SetOpt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    SetOpt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    SetOpt(curl, CURLOPT_MAXREDIRS, 10L);
    // A secure request is never redirected to plain HTTP.
    const bool secure = strncasecmp(url.c_str(), "https:", 6) == 0;
    SetOpt(curl, CURLOPT_REDIR_PROTOCOLS_STR, secure ? "https" : "http,https");
    SetOpt(curl, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_1);
    SetOpt(curl, CURLOPT_USERAGENT, settings.userAgent.c_str());
    SetOpt(curl, CURLOPT_NOSIGNAL, 1L);
    SetOpt(curl, CURLOPT_CONNECTTIMEOUT_MS, settings.connectTimeoutMs);
    const long verify = settings.requireValidCertificate == 1 ? 1L : 0L;
    SetOpt(curl, CURLOPT_SSL_VERIFYPEER, verify);
    SetOpt(curl, CURLOPT_SSL_VERIFYHOST, verify ? 2L : 0L);
    if (!useProxy || settings.proxyServer.empty()) return;
    SetOpt(curl, CURLOPT_PROXY, settings.proxyServer.c_str());
    if (settings.proxyUserName.empty()) return;
    SetOpt(curl, CURLOPT_PROXYUSERNAME, settings.proxyUserName.c_str());
    if (!settings.proxyPassword.empty()) SetOpt(curl, CURLOPT_PROXYPASSWORD, settings.proxyPassword.c_str());
}

void SetCallbacks(CURL* curl, Transfer& transfer) {
    SetOpt(curl, CURLOPT_WRITEFUNCTION, OnBody);
    SetOpt(curl, CURLOPT_WRITEDATA, &transfer);
    SetOpt(curl, CURLOPT_PREREQFUNCTION, OnConnected);
    SetOpt(curl, CURLOPT_PREREQDATA, &transfer);
    SetOpt(curl, CURLOPT_XFERINFOFUNCTION, OnProgress);
    SetOpt(curl, CURLOPT_XFERINFODATA, &transfer);
    SetOpt(curl, CURLOPT_NOPROGRESS, 0L);
}

void WriteNoLinkServer(std::span<std::uint8_t> response) {
    if (response.empty()) return;
    const std::size_t length = std::min(std::strlen(kNoLinkServer), response.size() - 1);
    std::memcpy(response.data(), kNoLinkServer, length);
    response[length] = 0;
}

// The received count, or 0 with "NO_LINK_SERVER" in the buffer when the request failed.
int Outcome(CURLcode code, const Transfer& transfer, const std::string& url) {
    if (code == CURLE_OK || (code == CURLE_WRITE_ERROR && transfer.cut)) {
        if (transfer.cut)
            DebugTraceF("HttpRequest: reply longer than the buffer, cut at %zu bytes: %s", transfer.received,
                        url.c_str());
        if (transfer.received < transfer.response.size()) transfer.response[transfer.received] = 0;
        return static_cast<int>(std::min<std::size_t>(transfer.received, INT32_MAX));
    }
    const CURLcode reason = transfer.stalled ? CURLE_OPERATION_TIMEDOUT : code;
    lastError = reason;
    DebugTraceF("HttpRequest: %s: %s", Curl()->easyStrerror(reason), url.c_str());
    WriteNoLinkServer(transfer.response);
    return 0;
}

}  // namespace

void HttpClientInit() {
    std::lock_guard lock(SettingsMutex());
    Settings() = ClientSettings{};
    lastError = 0;
}

void HttpClientSetRequireValidCertificate(int require) {
    std::lock_guard lock(SettingsMutex());
    Settings().requireValidCertificate = require;
}

void HttpClientSetTimeouts(long connectMs, long sendMs, long receiveMs) {
    std::lock_guard lock(SettingsMutex());
    Settings().connectTimeoutMs = std::max(0L, connectMs);
    Settings().sendTimeoutMs = std::max(0L, sendMs);
    Settings().receiveTimeoutMs = std::max(0L, receiveMs);
}

std::uint32_t HttpClientLastError() { return lastError; }

int HttpRequest(const std::string& method, const std::string& url, const void* body, std::size_t bodyLength,
                std::span<std::uint8_t> response, bool useProxy) {
    if (url.empty()) {
        lastError = kErrorPathNotFound;
        return -1;
    }
    const std::optional<const char*> verb = UpperCaseMethod(method);
    if (!verb || (!body && bodyLength > 0)) {
        lastError = kErrorInvalidParameter;
        return -1;
    }
    const CurlLibrary* lib = Curl();
    CURL* curl = lib ? lib->easyInit() : nullptr;
    if (!curl) {
        lastError = CURLE_FAILED_INIT;
        return -1;
    }
    const ClientSettings settings = CurrentSettings();
    Transfer transfer{.response = response, .bodyLength = static_cast<curl_off_t>(bodyLength),
                      .sendTimeoutMs = settings.sendTimeoutMs, .receiveTimeoutMs = settings.receiveTimeoutMs};
    curl_slist* headers = RequestHeaders(bodyLength);
    SetConnection(curl, url, settings, useProxy);
    SetMethodAndBody(curl, *verb, body, bodyLength);
    SetOpt(curl, CURLOPT_HTTPHEADER, headers);
    SetCallbacks(curl, transfer);
    const CURLcode code = lib->easyPerform(curl);
    lib->easyCleanup(curl);
    lib->slistFreeAll(headers);
    return Outcome(code, transfer, url);
}

}  // namespace kx58
