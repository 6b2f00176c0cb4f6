// devsim: puts simulated products on a virtual HID bus folder until stopped.
//
//   devsim [--dir FOLDER] [--trace FILE] [--interval MS] (--all | --product NAME ... | NAME ...)
//
// Reads commands from standard input, one a line, and answers "ok" or "error: ...":
//   plug NAME | unplug NAME | emit NAME INTERFACE HEXBYTES | list | quit
//   and the firmware verbs of devsim/firmware_rack.h (link, fault, consumer)
// SIGINT or SIGTERM stop it; the end of standard input does not.
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "device/hid/vhid_bus.h"
#include "devsim/firmware_rack.h"
#include "devsim/product_catalog.h"
#include "devsim/virtual_bus.h"

namespace {

struct Options {
    std::string folder;
    std::string trace;
    double intervalMs = 1.0;  // USB interrupt interval the firmware emulates
    std::vector<std::string> products;
};

void Usage() {
    std::fprintf(stderr, "usage: devsim [--dir FOLDER] [--trace FILE] [--interval MS] (--all | --product NAME ... | NAME ...)\n"
                         "products:");
    for (const std::string& name : devsim::CatalogNames()) std::fprintf(stderr, " %s", name.c_str());
    std::fprintf(stderr, "\n");
}

bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--dir" && hasValue) options.folder = argv[++i];
        else if (arg == "--trace" && hasValue) options.trace = argv[++i];
        else if (arg == "--interval" && hasValue) options.intervalMs = std::atof(argv[++i]);
        else if (arg == "--product" && hasValue) options.products.push_back(argv[++i]);
        else if (arg == "--all") {
            for (const std::string& name : devsim::CatalogNames()) options.products.push_back(name);
        } else if (!arg.empty() && arg[0] != '-') options.products.push_back(arg);
        else return false;
    }
    if (options.folder.empty()) options.folder = kx58::VhidFolder();
    return true;
}

std::string Execute(devsim::VirtualBus& bus, devsim::FirmwareRack& rack, const std::string& line, bool& quit) {
    std::istringstream in(line);
    std::string verb, name;
    in >> verb >> name;
    if (verb == "quit") {
        quit = true;
        return "ok";
    }
    if (verb == "list") {
        std::string out = "ok";
        for (const std::string& plugged : bus.Plugged()) out += " " + plugged;
        return out;
    }
    if (verb == "plug") {
        if (!devsim::CatalogSpec(name)) return "error: unknown product '" + name + "'";
        return rack.Plug(name) ? "ok" : "error: cannot plug '" + name + "'";
    }
    if (verb == "unplug") return bus.Unplug(name) ? "ok" : "error: '" + name + "' is not plugged";
    if (verb == "emit") {
        unsigned interfaceNumber = 0;
        std::string hex;
        std::vector<std::uint8_t> report;
        if (!(in >> interfaceNumber >> hex) || !kx58::HexDecode(hex, report) || report.empty())
            return "error: emit NAME INTERFACE HEXBYTES";
        return bus.EmitInput(name, static_cast<std::uint8_t>(interfaceNumber), report) ? "ok"
                                                                                     : "error: no such report";
    }
    if (std::optional<std::string> answer = rack.Execute(verb, name, in)) return *answer;
    return "error: unknown command '" + verb + "'";
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        Usage();
        return 2;
    }
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigprocmask(SIG_BLOCK, &signals, nullptr);
    const int signalFd = signalfd(-1, &signals, SFD_CLOEXEC);

    devsim::VirtualBus bus;
    if (signalFd < 0 || !bus.Start(options.folder, options.trace)) {
        std::fprintf(stderr, "devsim: cannot start the bus in %s\n", options.folder.c_str());
        return 1;
    }
    devsim::FirmwareRack rack(bus, {options.intervalMs});
    for (const std::string& name : options.products) {
        if (!rack.Plug(name)) {
            std::fprintf(stderr, "devsim: cannot plug '%s'\n", name.c_str());
            return 1;
        }
    }
    std::printf("ready %s\n", bus.Folder().c_str());
    std::fflush(stdout);

    bool quit = false;
    bool stdinOpen = true;
    std::string pending;
    while (!quit) {
        pollfd fds[2] = {{signalFd, POLLIN, 0}, {stdinOpen ? STDIN_FILENO : -1, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) continue;
        if (fds[0].revents) break;
        if (!fds[1].revents) continue;
        char chunk[1024];
        const ssize_t n = read(STDIN_FILENO, chunk, sizeof chunk);
        if (n <= 0) {
            stdinOpen = false;
            continue;
        }
        pending.append(chunk, static_cast<std::size_t>(n));
        for (std::size_t eol; !quit && (eol = pending.find('\n')) != std::string::npos;) {
            const std::string line = pending.substr(0, eol);
            pending.erase(0, eol + 1);
            if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
            std::printf("%s\n", Execute(bus, rack, line, quit).c_str());
            std::fflush(stdout);
        }
    }
    rack.DetachAll();
    bus.Stop();
    close(signalFd);
    return 0;
}
