// What AudioRecord costs: its CPU use while it sends a tone to a receiving window, while it is
// registered but stopped, and while it is started with no sound server; and how many blocks
// arrive per second. Each state is measured for KX58_BENCH_SECONDS (default 30). Needs
// pulseaudio and pactl (scripts/deps.sh); the server is the session's own.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <memory>

#include "platform/message_queue.h"
#include "platform/registered_messages.h"
#include "platform/session_bus.h"
#include "platform/tick.h"
#include "support/pulse_server.h"
#include "support/temp_dir.h"
#include "support/wait_until.h"
#include "ui/audio_record_protocol.h"
#include "unit/platform/peer_process.h"

using namespace kx58;
using namespace kx58test;

namespace {

enum class Phase { Sending, Stopped, NoServer };

int MeasureSeconds() {
    const char* text = std::getenv("KX58_BENCH_SECONDS");
    return text && std::atoi(text) > 0 ? std::atoi(text) : 30;
}

double CpuSeconds(int pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string field;
    double ticks = 0;
    for (int i = 1; i <= 15 && stat >> field; ++i)
        if (i >= 14) ticks += std::atof(field.c_str());  // utime, stime
    return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// Counts the sample blocks AudioRecord sends it.
struct Receiver {
    long blocks = 0;
    MessageWindow window{[this](UINT message, WPARAM, LPARAM lParam) -> LRESULT {
        if (message != WM_COPYDATA) return 0;
        if (reinterpret_cast<const COPYDATASTRUCT*>(lParam)->dwData == audiorecord::kSampleBlockId) ++blocks;
        return 1;
    }};
    Receiver() {
        window.MakeReachable("bench receiver", "bench receiver");
        SetTimer(window.Hwnd(), 1, 100);  // wakes the loop while nothing arrives
    }
    void RunFor(int seconds) {
        const std::uint64_t end = TickCount64() + 1000ull * static_cast<std::uint64_t>(seconds);
        MessageQueue::ForCurrentThread()->RunUntil([end] { return TickCount64() >= end; });
    }
};

void Measure(benchmark::State& state, Phase phase) {
    IsolatedSession session;
    ScopedEnv home("HOME", session.Root());
    PrivatePulseServer pulse({"speakers"}, session.Root() + "/pulseaudio.log");
    if (!pulse.Running()) return state.SkipWithError(pulse.Problem().c_str());
    pulse.PlayTone("speakers", 440);
    const UINT command = RegisterWindowMessage(kAudioRecordCmdMessageName);
    PeerProcess program({}, audiorecord::kProgramFile);
    HWND audio = nullptr;
    WaitUntil([&] { return (audio = FindWindow(audiorecord::WindowClass(), audiorecord::WindowTitle())) != nullptr; });
    if (!audio) return state.SkipWithError("AudioRecord did not come up");
    Receiver receiver;
    SendMessage(audio, command, audiorecord::kRegister, reinterpret_cast<LPARAM>(receiver.window.Hwnd()));
    SendMessage(audio, command, phase == Phase::Stopped ? audiorecord::kStopSending : audiorecord::kStartSending, 0);
    if (phase == Phase::NoServer) pulse.Stop();
    receiver.RunFor(2);  // settled: recording, or retrying
    const int seconds = MeasureSeconds();
    for (auto _ : state) {
        const double cpuBefore = CpuSeconds(program.Pid());
        const long blocksBefore = receiver.blocks;
        receiver.RunFor(seconds);
        state.counters["cpu_percent"] = 100.0 * (CpuSeconds(program.Pid()) - cpuBefore) / seconds;
        state.counters["blocks_per_s"] = static_cast<double>(receiver.blocks - blocksBefore) / seconds;
    }
    SendMessage(audio, command, audiorecord::kQuit, 0);
    program.Wait();
}

void SendingATone(benchmark::State& state) { Measure(state, Phase::Sending); }
void RegisteredButStopped(benchmark::State& state) { Measure(state, Phase::Stopped); }
void StartedWithoutSoundServer(benchmark::State& state) { Measure(state, Phase::NoServer); }

BENCHMARK(SendingATone)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(RegisteredButStopped)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(StartedWithoutSoundServer)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
