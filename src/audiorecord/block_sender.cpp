#include "audiorecord/block_sender.h"

#include <algorithm>
#include <atomic>

#include "audiorecord/level_blocks.h"
#include "audiorecord/sample_history.h"
#include "platform/debug_trace.h"
#include "platform/event.h"
#include "platform/message_queue.h"
#include "platform/tick.h"
#include "platform/worker_thread.h"

namespace kx58::audiorecord {
namespace {

constexpr std::uint64_t kBlockPeriodMs = 1000ull * kSamplesPerBlock / kSampleRate;
constexpr int kSilenceTailBlocks = 12;
constexpr unsigned kBlocksPerBandBlock = 3;
constexpr std::uint32_t kStopBoundMs = 1000;

}  // namespace

struct BlockSender::State {
    std::shared_ptr<SampleHistory> history;
    HWND self = nullptr;
    std::atomic<HWND> target{nullptr};
    std::atomic<bool> sending{false};
    std::atomic<bool> recording{false};
    std::atomic<int> tailBlocks{0};
    std::atomic<unsigned> blocksSent{0};
    Event changed{Event::ResetMode::Auto};
    WorkerThread thread;

    bool Due() const { return sending && target.load() && (recording || tailBlocks > 0); }
    void Run(Event& exit);
    void SendBlocks(const Event& exit);
    bool Send(HWND to, std::uintptr_t id, const void* data, std::size_t bytes);
};

void BlockSender::State::Run(Event& exit) {
    std::uint64_t next = TickCount64();
    for (;;) {
        const bool due = Due();
        const std::uint64_t now = TickCount64();
        const std::uint32_t wait = !due ? kInfinite : next > now ? static_cast<std::uint32_t>(next - now) : 0;
        const int woke = WaitAny({&exit, &changed}, wait);
        if (woke == 0) return;
        if (woke == 1) {
            if (!due) next = TickCount64();  // resumed: the first block goes at once
            continue;
        }
        // After a stall (a slow receiver) the rate resumes instead of catching up.
        next = std::max(next + kBlockPeriodMs, TickCount64());
        SendBlocks(exit);
    }
}

void BlockSender::State::SendBlocks(const Event& exit) {
    const HWND to = target.load();
    if (!to) return;
    if (!recording && tailBlocks > 0) --tailBlocks;
    const SampleHistory::Block samples = history->Snapshot();
    const SampleBlock block = MakeSampleBlock(samples);
    if (!Send(to, kSampleBlockId, block.data(), kSampleBlockBytes)) return;
    if (++blocksSent % kBlocksPerBandBlock != 0 || exit.IsSet()) return;
    const BandBlock bands = MakeBandBlock(samples);
    Send(to, kBandBlockId, bands.data(), kBandBlockBytes);
}

bool BlockSender::State::Send(HWND to, std::uintptr_t id, const void* data, std::size_t bytes) {
    COPYDATASTRUCT copy;
    copy.dwData = id;
    copy.cbData = static_cast<DWORD>(bytes);
    copy.lpData = data;
    if (SendMessage(to, WM_COPYDATA, reinterpret_cast<WPARAM>(self), reinterpret_cast<LPARAM>(&copy)) != 0) return true;
    if (IsWindow(to)) return false;  // it refused this block; it is still there
    HWND expected = to;
    if (target.compare_exchange_strong(expected, nullptr))
        DebugTrace("AudioRecord: the registered window is gone; sending stops");
    return false;
}

BlockSender::BlockSender(std::shared_ptr<SampleHistory> history, HWND self) : state_(std::make_shared<State>()) {
    state_->history = std::move(history);
    state_->self = self;
}

BlockSender::~BlockSender() { Stop(); }

bool BlockSender::Start() {
    auto state = state_;
    return state_->thread.Start("audio blocks", [state](Event& exit) { state->Run(exit); });
}

void BlockSender::Stop() { state_->thread.Stop(kStopBoundMs); }

void BlockSender::Register(HWND target) {
    state_->target.store(target);
    state_->changed.Set();
}

void BlockSender::Unregister() {
    state_->target.store(nullptr);
    state_->changed.Set();
}

void BlockSender::UnregisterIfStill(HWND target) {
    HWND expected = target;
    state_->target.compare_exchange_strong(expected, nullptr);
    state_->changed.Set();
}

HWND BlockSender::Target() const { return state_->target.load(); }

void BlockSender::SetSending(bool sending) {
    state_->sending.store(sending);
    state_->changed.Set();
}

bool BlockSender::Sending() const { return state_->sending.load(); }

void BlockSender::SetRecording(bool recording) {
    if (state_->recording.exchange(recording) == recording) return;
    // The tail is for a receiver that was listening; a stop of sending needs none.
    state_->tailBlocks.store(!recording && state_->sending ? kSilenceTailBlocks : 0);
    state_->changed.Set();
}

void BlockSender::ResetHistory() {
    state_->history->Clear();
    state_->blocksSent.store(0);
}

}  // namespace kx58::audiorecord
