// Figures for the HID layer: descriptor parsing, input decoding, a command round trip over
// the virtual bus, and one discovery enumeration of a fully populated bus.
#include <benchmark/benchmark.h>

#include <string>

#include "device/hid/hid_device.h"
#include "device/hid/hid_enumeration.h"
#include "device/hid/hid_path.h"
#include "device/hid/hid_usage_table.h"
#include "device/hid/report_descriptor.h"
#include "devsim/product_catalog.h"
#include "devsim/virtual_bus.h"
#include "support/temp_dir.h"

namespace {

void BM_ParseGamingInterface(benchmark::State& state) {
    const auto& bytes = devsim::GamingInterfaceDescriptor();
    for (auto _ : state) {
        kx58::HidReportDescriptor d;
        benchmark::DoNotOptimize(kx58::ParseReportDescriptor(bytes, d));
    }
}
BENCHMARK(BM_ParseGamingInterface);

void BM_DecodeKeyboardReport(benchmark::State& state) {
    kx58::HidReportDescriptor d;
    kx58::ParseReportDescriptor(devsim::GamingInterfaceDescriptor(), d);
    const kx58::HidTopLevelCollection& kb = d.collections[0];
    auto table = kx58::BuildUsageTable(kb, kx58::HidReportType::Input);
    std::vector<std::uint8_t> report(17, 0x11);
    report[0] = 1;
    for (auto _ : state) benchmark::DoNotOptimize(kx58::DecodeReport(kb, table, report));
}
BENCHMARK(BM_DecodeKeyboardReport);

struct Bus {
    kx58test::IsolatedSession session;
    std::string folder = session.Root() + "/vhid";
    kx58test::ScopedEnv dir{"KX58_VHID_DIR", folder};
    kx58test::ScopedEnv only{"KX58_HID", "vhid"};
    devsim::VirtualBus bus;
    Bus() { bus.Start(folder); }
};

void BM_CommandRoundTripOverVhid(benchmark::State& state) {
    Bus b;
    b.bus.Plug(devsim::MakeEchoProduct("kb"));
    kx58::CHidDevice hid;
    const std::string path = "vhid:" + b.folder + "/kb-if1.sock#" + kx58::MakePathTags(0x320F, 0x501D, 1, 4);
    if (!hid.Open(path, true, true, true, false)) {
        state.SkipWithError("open failed");
        return;
    }
    std::vector<std::uint8_t> out(64, 0x5A), in(64);
    out[0] = 4;
    for (auto _ : state) {
        if (!hid.Write(out.data(), 64, nullptr, 1000) || !hid.Read(in.data(), 64, nullptr, 1000)) {
            state.SkipWithError("transfer failed");
            break;
        }
    }
}
BENCHMARK(BM_CommandRoundTripOverVhid)->Unit(benchmark::kMicrosecond);

void BM_EnumerateFullBus(benchmark::State& state) {
    Bus b;
    for (const std::string& name : devsim::CatalogNames()) b.bus.Plug(devsim::MakeEchoProduct(name));
    for (auto _ : state) {
        std::vector<std::string> paths;
        kx58::EnumerateHidPaths(paths);
        benchmark::DoNotOptimize(paths.size());
    }
}
BENCHMARK(BM_EnumerateFullBus)->Unit(benchmark::kMicrosecond);

}  // namespace
