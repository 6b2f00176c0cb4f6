#include "support/dbus_server.h"

#include <chrono>

namespace kx58test {

PrivateDbusServer::PrivateDbusServer(const std::string& folder) {
    const bool started = daemon_.Start({"dbus-daemon", "--session", "--nofork", "--nopidfile", "--print-address=1",
                                        "--address=unix:path=" + folder + "/bus"},
                                       {.readOutput = true, .log = folder + "/dbus-daemon.log"});
    if (!started) {
        problem_ = "dbus-daemon cannot be started (package dbus-daemon installed?)";
        return;
    }
    // Its first line is its address; none means it ended or hangs before listening.
    address_ = daemon_.ReadLine(std::chrono::seconds(15)).value_or("");
    if (!address_.empty()) return;
    Stop();
    problem_ = "dbus-daemon did not tell its address (see " + folder + "/dbus-daemon.log)";
}

PrivateDbusServer::~PrivateDbusServer() { Stop(); }

void PrivateDbusServer::Stop() { daemon_.Stop(); }

}  // namespace kx58test
