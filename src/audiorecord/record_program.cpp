#include "audiorecord/record_program.h"

#include <cstdio>
#include <iterator>

#include "platform/debug_trace.h"

namespace kx58::audiorecord {
namespace {

constexpr std::uintptr_t kHousekeepingTimer = 1;
constexpr std::uint32_t kHousekeepingMs = 1000;
constexpr int kTicksWithoutReceiverBeforeEnd = 10;

}  // namespace

RecordProgram::RecordProgram(UINT commandMessage)
    : commandMessage_(commandMessage),
      window_(std::make_unique<MessageWindow>(
          [this](UINT message, WPARAM wParam, LPARAM lParam) { return OnMessage(message, wParam, lParam); })),
      sender_(history_, window_->Hwnd()),
      capture_(history_, [this](bool recording) { sender_.SetRecording(recording); }) {}

RecordProgram::~RecordProgram() {
    // The window first (a command still on its way runs against live parts), then the sender,
    // which reads the history the capture fills.
    window_.reset();
    sender_.Stop();
    capture_.Stop();
}

bool RecordProgram::Open() {
    const UINT admitted = commandMessage_;
    const auto onlyCommands = [admitted](UINT message) { return message == admitted; };
    if (!window_->MakeReachable(WindowClass(), WindowTitle(), onlyCommands)) {
        std::fprintf(stderr, "AudioRecord: cannot start: its window cannot be reached on the session bus\n");
        return false;
    }
    if (!capture_.Start() || !sender_.Start()) {
        std::fprintf(stderr, "AudioRecord: cannot start: a thread did not start\n");
        return false;
    }
    return SetTimer(window_->Hwnd(), kHousekeepingTimer, kHousekeepingMs);
}

LRESULT RecordProgram::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == commandMessage_) return OnCommand(wParam, lParam);
    if (message == WM_TIMER && wParam == kHousekeepingTimer) OnHousekeeping();
    if (message == WM_CLOSE) PostQuitMessage(0);  // the stop signals
    return 0;
}

LRESULT RecordProgram::OnCommand(WPARAM command, LPARAM lParam) {
    if (command > kQuit) return 0;
    DebugTraceF("AudioRecord: command %u", static_cast<unsigned>(command));
    // A switch, not a table of member pointers: GCC's sanitizers misread such a table.
    switch (command) {
    case kRegister: Register(lParam); break;
    case kStartSending: StartSending(lParam); break;
    case kStopSending: StopSending(lParam); break;
    case kResetHistory: ResetHistory(lParam); break;
    case kUnregister: Unregister(lParam); break;
    case kQuit: Quit(lParam); break;
    default: break;
    }
    return 1;
}

void RecordProgram::Register(LPARAM target) {
    sender_.Register(reinterpret_cast<HWND>(target));
    UpdateCapture();
}

void RecordProgram::StartSending(LPARAM) {
    sender_.SetSending(true);
    UpdateCapture();
}

void RecordProgram::StopSending(LPARAM) {
    sender_.SetSending(false);
    UpdateCapture();
}

void RecordProgram::ResetHistory(LPARAM) { sender_.ResetHistory(); }

void RecordProgram::Unregister(LPARAM) {
    sender_.Unregister();
    UpdateCapture();
}

void RecordProgram::Quit(LPARAM) { PostQuitMessage(0); }

void RecordProgram::UpdateCapture() { capture_.SetWanted(sender_.Target() != nullptr && sender_.Sending()); }

void RecordProgram::OnHousekeeping() {
    const HWND target = sender_.Target();
    if (target && !IsWindow(target)) {
        DebugTrace("AudioRecord: the registered window is gone");
        sender_.UnregisterIfStill(target);
    }
    UpdateCapture();
    capture_.Tick();
    ticksWithoutReceiver_ = sender_.Target() ? 0 : ticksWithoutReceiver_ + 1;
    if (ticksWithoutReceiver_ >= kTicksWithoutReceiverBeforeEnd) {
        DebugTrace("AudioRecord: no window has wanted the sound for 10 s; ending");
        PostQuitMessage(0);
    }
}

}  // namespace kx58::audiorecord
