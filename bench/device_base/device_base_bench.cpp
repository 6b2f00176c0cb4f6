// The device object's recurring work:
//   BM_PreviewStep      one breathing or wave step over the keyboard's 170 page LEDs
//   BM_KeyboardEffectStep  one step of a keyboard mode's own effect (argument: mode code)
//   BM_LightThreadLoad  process CPU of one running light thread (connected keyboard, the
//                       mode of the argument) per second of wall time: cpu / real
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
    using CQuorinKeyboardDevice::PreviewFor;
    using CQuorinUSBDevice::PreviewStep;
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

void BM_KeyboardEffectStep(benchmark::State& state) {
    ConnectedKeyboard kb;  // its keys placed by their LED indexes
    if (!kb.ready) {
        state.SkipWithError("simulated keyboard not ready");
        return;
    }
    const int mode = static_cast<int>(state.range(0));
    SetMode(kb.device, static_cast<std::uint8_t>(mode));
    WaveKeyboard::PreviewStep step = nullptr;
    int row = 0;
    if (!kb.device.PreviewFor(mode, step, row)) {
        state.SkipWithError("mode without a step");
        return;
    }
    for (auto _ : state) (kb.device.*step)();
}
BENCHMARK(BM_KeyboardEffectStep)->Arg(1)->Arg(3)->Arg(7)->Arg(12)->Arg(14)->Arg(15)->Arg(24)->Arg(29)->Arg(30);

void BM_LightThreadLoad(benchmark::State& state) {
    ConnectedKeyboard kb;
    if (!kb.ready) {
        state.SkipWithError("simulated keyboard not ready");
        return;
    }
    SetMode(kb.device, static_cast<std::uint8_t>(state.range(0)));
    kb.device.StartLightThread();
    for (auto _ : state) SleepMs(100);
    state.counters["steps_per_s"] = benchmark::Counter(static_cast<double>(kb.device.PreviewSteps()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_LightThreadLoad)->Arg(5)->Arg(1)->Arg(14)->Arg(6)->Arg(19)->Arg(29)->MeasureProcessCPUTime()->UseRealTime()->Iterations(30)->Unit(benchmark::kMillisecond);

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
