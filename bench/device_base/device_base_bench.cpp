// The device object's recurring work:
//   BM_PreviewStep      one breathing or wave step over the keyboard's 170 page LEDs
//   BM_LightThreadLoad  process CPU of one running light thread (connected keyboard,
//                       breathing preview) per second of wall time: cpu / real
//   BM_StreamFrame      one colour-stream frame built and sent by cable to the simulator
#include <benchmark/benchmark.h>

#include "device/protocol/command_report.h"
#include "device/hid/hid_path.h"
#include "device/quorin_products.h"
#include "devsim/firmware_product.h"
#include "devsim/virtual_bus.h"
#include "platform/tick.h"
#include "support/temp_dir.h"

using namespace kx58;

namespace {

class WaveKeyboard : public CQuorinKeyboardDevice {
public:
    using CQuorinUSBDevice::SetLedIndexMap;
};

void SetMode(CQuorinUSBDevice& device, std::uint8_t mode) {
    LightState state;
    state.modeCode = mode;
    state.multiColor = 1;
    state.speed = 2;
    const auto words = state.ToWords();
    device.SetLightState(words[0], words[1], words[2], words[3]);
}

struct ConnectedKeyboard {
    ConnectedKeyboard() {
        product = devsim::MakeFirmwareProduct("kb", {});
        ready = bus.Start(folder) && devsim::PlugFirmware(bus, product);
        DeviceMatchEntry row = SupportedDevices()[0];
        row.present = 1;
        row.path = "vhid:" + folder + "/kb-if1.sock#" + MakePathTags(0x320F, 0x501D, 1, 4);
        device.SetTableSizes({170, 170, 0, -1});
        ready = ready && device.AttachCommandCollection(row) && device.OnAttached() == kResultOk;
        device.StopLightThread();
    }
    ~ConnectedKeyboard() {
        device.StopLightThread();
        device.CloseCommandCollection();
        product->DetachInput();
        bus.Stop();
    }
    kx58test::IsolatedSession session;
    std::string folder = session.Root() + "/vhid";
    kx58test::ScopedEnv busDir{"KX58_VHID_DIR", folder};
    kx58test::ScopedEnv backend{"KX58_HID", "vhid"};
    std::shared_ptr<devsim::FirmwareProduct> product;
    devsim::VirtualBus bus;
    WaveKeyboard device;
    bool ready = false;
};

void BM_PreviewStep(benchmark::State& state) {
    WaveKeyboard device;
    device.SetTableSizes({170, 170, 0, -1});
    std::map<int, std::uint8_t> leds;
    for (int key = 0; key < 104; ++key) leds[key] = static_cast<std::uint8_t>(key);
    device.SetLedIndexMap(leds);
    SetMode(device, 5);
    const bool wave = state.range(0) == 1;
    for (auto _ : state) {
        if (wave) device.PreviewWaveStep(true);
        else device.PreviewBreathe();
    }
    state.SetLabel(wave ? "wave" : "breathe");
}
BENCHMARK(BM_PreviewStep)->Arg(0)->Arg(1);

void BM_LightThreadLoad(benchmark::State& state) {
    ConnectedKeyboard kb;
    if (!kb.ready) {
        state.SkipWithError("simulated keyboard not ready");
        return;
    }
    SetMode(kb.device, 5);
    kb.device.StartLightThread();
    for (auto _ : state) SleepMs(100);
    state.counters["steps_per_s"] = benchmark::Counter(static_cast<double>(kb.device.PreviewSteps()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_LightThreadLoad)->MeasureProcessCPUTime()->UseRealTime()->Iterations(30)->Unit(benchmark::kMillisecond);

void BM_StreamFrame(benchmark::State& state) {
    ConnectedKeyboard kb;
    if (!kb.ready) {
        state.SkipWithError("simulated keyboard not ready");
        return;
    }
    SetMode(kb.device, kHostRenderedModeCode);
    for (std::size_t key = 0; key < 170; ++key) kb.device.SetLedColour(key, {200, 100, 50, 255});
    for (auto _ : state) benchmark::DoNotOptimize(kb.device.BuildStreamFrame());
    state.counters["requests"] = static_cast<double>(kb.product->RequestCount());
}
BENCHMARK(BM_StreamFrame)->Unit(benchmark::kMillisecond);

}  // namespace
