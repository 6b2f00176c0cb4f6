// Applies a full keyboard profile to the simulated keyboard: the settings record, the key
// table of 126 keys and a macro image of 40 events, each write in its BeginWrite/EndWrite
// bracket, with the USB interrupt interval emulated (1 ms). Reports, per profile:
//   requests  reports the host sent (each answered by one)
//   ms        wall time of one apply
//   ratio     ms over the lower bound of 2 reports x 1 interval per request
//   ratio_net the same without the 10 ms pause before each EndWrite
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>

#include "device/protocol/device_channel.h"
#include "device/hid/hid_path.h"
#include "device/protocol/keyboard_protocol.h"
#include "devsim/firmware_product.h"
#include "devsim/virtual_bus.h"
#include "support/temp_dir.h"

using namespace kx58;

namespace {

constexpr double kIntervalMs = 1.0;
constexpr double kEndWritePauseMs = 10.0;

struct SimulatedKeyboard {
    explicit SimulatedKeyboard(const std::string& name) {
        const bool receiver = name == "kb-rx";
        product = devsim::MakeFirmwareProduct(name, {kIntervalMs});
        ready = bus.Start(folder) && devsim::PlugFirmware(bus, product);
        const std::string path = "vhid:" + folder + "/" + name + "-if1.sock#" +
                                 MakePathTags(0x320F, receiver ? 0x5001 : 0x501D, 1, 4);
        ready = ready && channel.Attach(path, receiver ? kChannelModeWireless : kChannelModeCable) &&
                ReadBackKeyboard(channel, memory) == kResultOk;
    }
    ~SimulatedKeyboard() {
        channel.Detach();
        product->DetachInput();
        bus.Stop();
    }

    kx58test::IsolatedSession session;
    std::string folder = session.Root() + "/vhid";
    kx58test::ScopedEnv busDir{"KX58_VHID_DIR", folder};
    std::shared_ptr<devsim::FirmwareProduct> product;
    devsim::VirtualBus bus;
    CDeviceChannel channel;
    KeyboardMemory memory;
    bool ready = false;
};

int ApplyProfile(SimulatedKeyboard& kb) {
    KeyboardSettings settings;
    settings.modeCode = 7;
    settings.brightness = 4;
    settings.speed = 2;
    settings.red = 255;
    std::vector<std::uint32_t> assignments;
    for (const KeyCode& code : DefaultKeyCodes()) assignments.push_back(code.Assignment());
    assignments[64] = KeyCode{'q', 0, 1}.Assignment();
    MacroEventList events;
    for (std::uint8_t i = 0; i < 40; ++i) events.push_back({20, 10, i % 2 == 0, static_cast<std::uint8_t>(4 + i / 2)});
    const std::vector<MacroEventList> macros = {events};

    int r = WriteKeyboardSettings(kb.channel, settings);
    if (r != kResultOk) return r;
    if ((r = WriteKeyboardMacroImage(kb.channel, kb.memory, macros)) != 0) return r;
    return WriteKeyboardKeyTable(kb.channel, kb.memory, assignments, 1, 0);
}

void ApplyKeyboardProfile(benchmark::State& state, const char* name) {
    SimulatedKeyboard kb(name);
    if (!kb.ready) {
        state.SkipWithError("the simulated keyboard did not answer");
        return;
    }
    double totalMs = 0;
    std::size_t requests = 0;
    std::size_t endWrites = 0;
    for (auto _ : state) {
        kb.product->ClearRequests();
        const auto start = std::chrono::steady_clock::now();
        if (ApplyProfile(kb) != kResultOk) {
            state.SkipWithError("the profile was not applied");
            return;
        }
        totalMs += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        const std::vector<CommandReport> sent = kb.product->Requests();
        requests = sent.size();
        endWrites = static_cast<std::size_t>(std::count_if(sent.begin(), sent.end(), [](const CommandReport& r) {
            return r[report_field::kCommand] == kCmdEndWrite;
        }));
    }
    const double ms = totalMs / static_cast<double>(state.iterations());
    state.counters["requests"] = static_cast<double>(requests);
    state.counters["reports"] = static_cast<double>(2 * requests);
    state.counters["ms"] = ms;
    const double bound = static_cast<double>(requests) * 2 * kIntervalMs;
    state.counters["ratio"] = ms / bound;
    state.counters["ratio_net"] = (ms - static_cast<double>(endWrites) * kEndWritePauseMs) / bound;
}

}  // namespace

BENCHMARK_CAPTURE(ApplyKeyboardProfile, cable, "kb")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);
BENCHMARK_CAPTURE(ApplyKeyboardProfile, receiver_2_4g, "kb-rx")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);
