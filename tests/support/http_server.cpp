#include "support/http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "support/wait_until.h"

namespace kx58test {
namespace {

constexpr const char* kPython = "/usr/bin/python3";

bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

std::vector<std::string> Lines(const std::string& head) {
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < head.size();) {
        std::size_t end = head.find("\r\n", start);
        if (end == std::string::npos) end = head.size();
        lines.push_back(head.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

HttpRecordedRequest ParseRecorded(const std::string& head, std::string body) {
    HttpRecordedRequest request;
    std::vector<std::string> lines = Lines(head);
    if (!lines.empty()) {
        const std::string& first = lines.front();
        const std::size_t space = first.find(' ');
        request.method = first.substr(0, space);
        if (space != std::string::npos) request.path = first.substr(space + 1, first.rfind(' ') - space - 1);
        lines.erase(lines.begin());
    }
    request.headerLines = std::move(lines);
    request.body = std::move(body);
    return request;
}

}  // namespace

LocalHttpServer::LocalHttpServer(HttpServerOptions options) : options_(std::move(options)) {
    mkdir((dir_ / "log").c_str(), 0700);
    mkdir((dir_ / "replies").c_str(), 0700);
    SetReply(options_.status, options_.body);
    if (options_.tls && !MakeCertificate()) return;
    static const char* kModes[] = {"reply", "hang", "huge"};
    std::vector<std::string> args = {kPython, std::string(KX58_TEST_SUPPORT_DIR) + "/http_test_server.py",
                                     "--mode", kModes[static_cast<int>(options_.mode)],
                                     "--log-dir", dir_ / "log", "--reply-dir", dir_ / "replies",
                                     "--port-file", dir_ / "port",
                                     "--huge-bytes", std::to_string(options_.hugeBytes)};
    if (options_.tls) args.insert(args.end(), {"--cert", dir_ / "cert.pem", "--key", dir_ / "key.pem"});
    if (!server_.Start(args, {.log = dir_ / "server.log"})) {
        problem_ = std::string(kPython) + " cannot be started";
        return;
    }
    if (!WaitForPort()) Stop();
}

LocalHttpServer::~LocalHttpServer() { Stop(); }

bool LocalHttpServer::MakeCertificate() {
    ChildProcess openssl;
    const bool started =
        openssl.Start({"openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
                       "-keyout", dir_ / "key.pem", "-out", dir_ / "cert.pem", "-days", "2", "-subj", "/CN=localhost",
                       "-addext", "subjectAltName=DNS:localhost,IP:127.0.0.1"},
                      {.log = dir_ / "openssl.log"});
    if (started && openssl.Wait() == 0 && Exists(dir_ / "cert.pem")) return true;
    problem_ = "openssl could not make a certificate: " + ReadWholeFile(dir_ / "openssl.log");
    return false;
}

bool LocalHttpServer::WaitForPort() {
    const bool listens = WaitUntil([&] { return server_.HasEnded() || Exists(dir_ / "port"); });
    if (!listens || !server_.Running()) {
        problem_ = "the test server did not start: " + ReadWholeFile(dir_ / "server.log");
        return false;
    }
    port_ = std::atoi(ReadWholeFile(dir_ / "port").c_str());
    return port_ > 0;
}

std::string LocalHttpServer::BaseUrl() const {
    return std::string(options_.tls ? "https" : "http") + "://127.0.0.1:" + std::to_string(port_);
}

void LocalHttpServer::WriteReply(const std::string& prefix, int status, const std::string& body,
                                 const std::vector<std::string>& headerLines) {
    std::string headers;
    for (const std::string& line : headerLines) headers += line + "\r\n";
    WriteWholeFile(prefix + ".body", body);
    WriteWholeFile(prefix + ".headers", headers);
    WriteWholeFile(prefix + ".status", std::to_string(status));
}

void LocalHttpServer::SetReply(int status, const std::string& body, const std::vector<std::string>& headerLines) {
    WriteReply(dir_ / "replies/default", status, body, headerLines);
}

void LocalHttpServer::SetReplyWhenBodyHas(const std::string& text, int status, const std::string& body,
                                          const std::vector<std::string>& headerLines) {
    const std::string rule = dir_ / ("replies/" + std::to_string(rules_++));
    WriteReply(rule, status, body, headerLines);
    // The match file makes the rule live, so it is written last and whole.
    WriteWholeFile(rule + ".part", text);
    std::rename((rule + ".part").c_str(), (rule + ".match").c_str());
}

std::vector<HttpRecordedRequest> LocalHttpServer::Requests() const {
    std::vector<HttpRecordedRequest> requests;
    for (int n = 0;; ++n) {
        const std::string prefix = dir_ / ("log/" + std::to_string(n));
        if (!Exists(prefix + ".head")) break;
        requests.push_back(ParseRecorded(ReadWholeFile(prefix + ".head"), ReadWholeFile(prefix + ".body")));
    }
    return requests;
}

bool LocalHttpServer::WaitForRequests(std::size_t count) const {
    return WaitUntil([&] { return Exists(dir_ / ("log/" + std::to_string(count - 1) + ".head")); });
}

void LocalHttpServer::Stop() { server_.Stop(); }

RefusingLocalPort::RefusingLocalPort() {
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd_ < 0 || bind(fd_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return;
    port_ = ntohs(address.sin_port);
}

RefusingLocalPort::~RefusingLocalPort() {
    if (fd_ >= 0) close(fd_);
}

}  // namespace kx58test
