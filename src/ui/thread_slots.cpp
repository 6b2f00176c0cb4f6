#include "ui/thread_slots.h"

#include "platform/debug_trace.h"
#include "platform/tick.h"

namespace kx58 {
namespace {
constexpr std::uint32_t kPumpStepMs = 5;
}

ThreadSlots::~ThreadSlots() { StopAll([] {}); }

bool ThreadSlots::Start(std::size_t slot, std::string name, WorkerThread::Body body) {
    if (slot >= slots_.size() || slots_[slot].stop) return false;
    auto thread = std::make_unique<WorkerThread>();
    if (!thread->Start(name, std::move(body))) return false;
    WorkerThread* raw = thread.get();
    slots_[slot] = Slot{std::move(name), std::move(thread), [raw](std::uint32_t ms) { return raw->Stop(ms); }};
    return true;
}

bool ThreadSlots::Adopt(std::size_t slot, std::string name, StopFunction stop) {
    if (slot >= slots_.size() || slots_[slot].stop || !stop) return false;
    slots_[slot] = Slot{std::move(name), nullptr, std::move(stop)};
    return true;
}

bool ThreadSlots::Holds(std::size_t slot) const { return slot < slots_.size() && slots_[slot].stop != nullptr; }

ThreadSlots::StopResult ThreadSlots::StopAll(const std::function<void()>& pump, std::uint32_t boundMs) {
    // Every worker learns of the end before any is waited for, so they wind down together.
    for (Slot& slot : slots_)
        if (slot.stop) slot.stop(0);
    StopResult result;
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        if (!slots_[i].stop) continue;
        if (WaitForSlot(slots_[i], i, pump, boundMs)) {
            ++result.ended;
            slots_[i] = Slot{};
        } else {
            ++result.stillRunning;
        }
    }
    return result;
}

bool ThreadSlots::WaitForSlot(Slot& slot, std::size_t index, const std::function<void()>& pump, std::uint32_t boundMs) {
    const std::uint64_t deadline = TickCount64() + boundMs;
    for (;;) {
        pump();
        if (slot.stop(kPumpStepMs)) {
            DebugTrace("所有对象处于激发状态\n");
            return true;
        }
        if (TickCount64() >= deadline) break;
    }
    DebugTrace("所有对象处于非激发状态，超时\n");
    DebugTraceF("线程槽 %zu (%s) 未在 %u ms 内结束，保持运行", index, slot.name.c_str(), boundMs);
    return false;
}

}  // namespace kx58
