#pragma once
// A small synchronous HTTP client: one request, the whole response body into the caller's
// buffer. A request that never reaches a server is not an error code: the buffer then starts
// with "NO_LINK_SERVER". Settings are process-wide and reset by HttpClientInit before each use;
// one request at a time.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace kx58 {

inline constexpr const char* kNoLinkServer = "NO_LINK_SERVER";

// Resets every setting to its default (user agent, no proxy, certificates verified, the time-outs).
void HttpClientInit();
// "GET" or "POST" in any letter case (sent upper case); an absolute http or https URL. The body
// is sent as given. The response body is written from offset 0 and never past the buffer; a
// longer body is cut and traced, and the text always ends inside the buffer. The count of body
// bytes received; -1 when refused before any connection (method, empty URL).
int HttpRequest(const std::string& method, const std::string& url, const void* body, std::size_t bodyLength,
                std::span<std::uint8_t> response, bool useProxy);
// 87 unsupported method, 3 empty URL, otherwise the code of the failing transfer step.
std::uint32_t HttpClientLastError();
// 1 (the default): an HTTPS server must prove who it is; 0 accepts any certificate (tests).
void HttpClientSetRequireValidCertificate(int require);
// Replaces the time-outs HttpClientInit set (60000, 30000, 30000 ms). Connect covers name
// resolution, the connection and the TLS handshake; send and receive are the longest time no
// byte of the request or of the reply moves. 0 means no limit.
void HttpClientSetTimeouts(long connectMs, long sendMs, long receiveMs);

}  // namespace kx58
