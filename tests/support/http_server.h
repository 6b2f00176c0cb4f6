#pragma once
// A local HTTP(S) server for tests: a Python process (standard library only) on 127.0.0.1 that
// records every request exactly as it arrived and answers as told.
//
//   LocalHttpServer server({.body = R"({"version": "105"})"});
//   ASSERT_TRUE(server.Running()) << server.Problem();
//   ... request server.BaseUrl() + "/api/updates" ...
//   ASSERT_TRUE(server.WaitForRequests(1));
//   server.Requests()[0].body
//
// HTTPS serves a self-signed certificate (CN localhost, IP 127.0.0.1) made by `openssl` for
// this server, so a client that verifies certificates must refuse it.
#include <cstddef>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/temp_dir.h"

namespace kx58test {

enum class HttpServerMode {
    Reply,        // answers with the reply set (by default `status` and `body`)
    NeverAnswer,  // reads the request, then holds the connection open without a word
    HugeBody,     // answers 200 with `hugeBytes` bytes of body
};

struct HttpServerOptions {
    HttpServerMode mode = HttpServerMode::Reply;
    int status = 200;
    std::string body{};
    bool tls = false;
    std::size_t hugeBytes = 1u << 20;
};

struct HttpRecordedRequest {
    std::string method;
    std::string path;
    // The header lines after the request line, byte for byte, without their "\r\n".
    std::vector<std::string> headerLines;
    std::string body{};
};

class LocalHttpServer {
public:
    explicit LocalHttpServer(HttpServerOptions options = {});
    ~LocalHttpServer();
    LocalHttpServer(const LocalHttpServer&) = delete;
    LocalHttpServer& operator=(const LocalHttpServer&) = delete;

    bool Running() const { return server_.Running(); }
    // Why it does not run, as a line for the test's failure message.
    const std::string& Problem() const { return problem_; }
    int Port() const { return port_; }
    // "http://127.0.0.1:<port>" (or https).
    std::string BaseUrl() const;

    // The answer to every later request whose body matches no rule; `headerLines` are sent
    // after the server's own (e.g. "Location: http://...").
    void SetReply(int status, const std::string& body, const std::vector<std::string>& headerLines = {});
    // The answer to later requests whose body contains `text`; earlier rules win.
    void SetReplyWhenBodyHas(const std::string& text, int status, const std::string& body,
                             const std::vector<std::string>& headerLines = {});

    // Every complete request so far, in arrival order.
    std::vector<HttpRecordedRequest> Requests() const;
    bool WaitForRequests(std::size_t count) const;

    void Stop();

private:
    bool MakeCertificate();
    bool WaitForPort();
    void WriteReply(const std::string& prefix, int status, const std::string& body,
                    const std::vector<std::string>& headerLines);

    TempDir dir_;
    HttpServerOptions options_;
    ChildProcess server_;
    int port_ = 0;
    int rules_ = 0;
    std::string problem_;
};

// A port on 127.0.0.1 that refuses every connection for the object's life: bound, never listening.
class RefusingLocalPort {
public:
    RefusingLocalPort();
    ~RefusingLocalPort();
    RefusingLocalPort(const RefusingLocalPort&) = delete;
    RefusingLocalPort& operator=(const RefusingLocalPort&) = delete;
    int Port() const { return port_; }

private:
    int fd_ = -1;
    int port_ = 0;
};

}  // namespace kx58test
