#pragma once
// A private D-Bus message bus for tests: `dbus-daemon` with the session configuration,
// listening on a socket in a folder the caller chooses (its IsolatedSession), so a test can
// stand in for a system service (point DBUS_SYSTEM_BUS_ADDRESS at Address()) without meeting
// the machine's own buses. Ended with SIGTERM and reaped on destruction.
#include <string>

#include "support/child_process.h"

namespace kx58test {

class PrivateDbusServer {
public:
    // Starts the daemon on "<folder>/bus" (its complaints in "<folder>/dbus-daemon.log") and
    // waits until it tells its address.
    explicit PrivateDbusServer(const std::string& folder);
    ~PrivateDbusServer();
    PrivateDbusServer(const PrivateDbusServer&) = delete;
    PrivateDbusServer& operator=(const PrivateDbusServer&) = delete;

    bool Running() const { return daemon_.Running(); }
    // Why it does not run, as a line for the test's skip message.
    const std::string& Problem() const { return problem_; }
    // The address clients connect to ("unix:path=...,guid=...").
    const std::string& Address() const { return address_; }
    // Ends the daemon; its clients see their connection close.
    void Stop();

private:
    ChildProcess daemon_;
    std::string address_;
    std::string problem_;
};

}  // namespace kx58test
