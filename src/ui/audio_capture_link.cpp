#include "ui/audio_capture_link.h"

#include <atomic>
#include <cstring>

#include "platform/debug_trace.h"
#include "platform/event.h"
#include "platform/folders.h"
#include "platform/message_queue.h"
#include "platform/named_mutex.h"
#include "platform/session_bus.h"
#include "platform/shell_execute.h"
#include "platform/tick.h"
#include "ui/app_messages.h"

namespace kx58 {
namespace {

constexpr std::uint32_t kDaemonStopPollMs = 1;
constexpr std::uint32_t kDaemonPeriodMs = 1000;
constexpr std::uint32_t kConnectDelayMs = 500;

}  // namespace

struct CAudioCaptureLink::Shared {
    // Fixed before the daemon starts.
    UINT commandMessage = 0;
    std::string program;
    HWND window = nullptr;
    HWND receiver = nullptr;

    std::atomic<HWND> programWindow{nullptr};  // found by the last connect
    std::atomic<bool> failureReported{false};
    std::atomic<std::uint32_t> starts{0};
    std::atomic<std::uint32_t> connects{0};
    std::atomic<std::uint64_t> lastConnectTick{0};

    void StartProgram();
    void Connect();
    void Send(HWND to, std::initializer_list<audiorecord::Command> commands, LPARAM firstLParam) const;
    bool Connected() const {
        const HWND found = programWindow.load();
        return found && IsWindow(found);
    }
    void RunDaemon(Event& stop);
};

void CAudioCaptureLink::Shared::StartProgram() {
    ++starts;
    if (ShellExecute("open", program, "", "", SW_HIDE)) return;
    DebugTraceF("audio capture: %s cannot be started", program.c_str());
    // Said once per run, not at every retry of the daemon.
    if (!failureReported.exchange(true)) PostMessage(window, WM_AUDIO_RECORD_FAILED, 0, 0);
}

void CAudioCaptureLink::Shared::Send(HWND to, std::initializer_list<audiorecord::Command> commands,
                                     LPARAM firstLParam) const {
    LPARAM lParam = firstLParam;
    for (const audiorecord::Command command : commands) {
        SendMessage(to, commandMessage, command, lParam);
        lParam = 0;
    }
}

void CAudioCaptureLink::Shared::Connect() {
    const HWND found = FindWindow(audiorecord::WindowClass(), audiorecord::WindowTitle());
    programWindow.store(found);
    if (!found) return;  // tried again after the next start
    Send(found, {audiorecord::kRegister, audiorecord::kResetHistory, audiorecord::kStartSending},
         reinterpret_cast<LPARAM>(receiver));
    lastConnectTick.store(TickCount64());
    ++connects;
}

void CAudioCaptureLink::Shared::RunDaemon(Event& stop) {
    const std::string mutex = audiorecord::MutexName();
    for (;;) {
        if (stop.Wait(kDaemonStopPollMs) || stop.Wait(kDaemonPeriodMs)) {
            DebugTrace("AudioDaemonThreadPrc stop");
            return;
        }
        if (NamedMutex::Exists(mutex)) {
            // Its window may have come up only after timer 1011's connect.
            if (!Connected()) Connect();
            continue;
        }
        StartProgram();
        if (stop.Wait(kConnectDelayMs)) {
            DebugTrace("AudioDaemonThreadPrc stop");
            return;
        }
        Connect();
    }
}

CAudioCaptureLink::CAudioCaptureLink(UINT commandMessage) : shared_(std::make_shared<Shared>()) {
    shared_->commandMessage = commandMessage;
    shared_->program = Folders::Program() + audiorecord::kProgramFile;
}

void CAudioCaptureLink::SetProgram(std::string path) { shared_->program = std::move(path); }

const std::string& CAudioCaptureLink::Program() const { return shared_->program; }

void CAudioCaptureLink::Start(ThreadSlots& threads, HWND window, HWND receiver) {
    shared_->window = window;
    shared_->receiver = receiver;
    auto shared = shared_;
    if (!threads.Start(kAudioDaemonSlot, "audio daemon", [shared](Event& stop) { shared->RunDaemon(stop); }))
        DebugTrace("main window: the audio daemon did not start");
    shared_->StartProgram();
}

void CAudioCaptureLink::Connect() { shared_->Connect(); }

void CAudioCaptureLink::Disconnect() {
    const HWND found = FindWindow(audiorecord::WindowClass(), audiorecord::WindowTitle());
    if (found) shared_->Send(found, {audiorecord::kStopSending, audiorecord::kUnregister, audiorecord::kQuit}, 0);
    shared_->programWindow.store(nullptr);
}

LRESULT CAudioCaptureLink::TakeBlock(const COPYDATASTRUCT& copy, CQuorinUSBDevice* keyboard) {
    struct BlockKind {
        std::uintptr_t id;
        std::size_t bytes;
        LRESULT (CAudioCaptureLink::*take)(const std::uint8_t*, CQuorinUSBDevice*);
    };
    static constexpr BlockKind kKinds[] = {
        {audiorecord::kSampleBlockId, audiorecord::kSampleBlockBytes, &CAudioCaptureLink::TakeSamples},
        {audiorecord::kBandBlockId, audiorecord::kBandBlockBytes, &CAudioCaptureLink::TakeBands},
    };
    if (copy.cbData == 0 || !copy.lpData) return 0;
    const auto* bytes = static_cast<const std::uint8_t*>(copy.lpData);
    for (const BlockKind& kind : kKinds)
        if (copy.dwData == kind.id) return copy.cbData == kind.bytes ? (this->*kind.take)(bytes, keyboard) : 0;
    return 0;
}

LRESULT CAudioCaptureLink::TakeSamples(const std::uint8_t* bytes, CQuorinUSBDevice* keyboard) {
    std::array<std::int32_t, audiorecord::kSamplesPerBlock> samples;
    std::memcpy(samples.data(), bytes, audiorecord::kSampleBlockBytes);
    ++sampleBlocks_;
    if (!meter_.Take(samples) || !keyboard) return 1;
    const auto block = meter_.MeansBlock();
    keyboard->FeedAudioLevels(block, static_cast<int>(CAudioLevelMeter::kGroups));
    handedLevels_ = meter_.Means();
    ++handovers_;
    return 1;
}

LRESULT CAudioCaptureLink::TakeBands(const std::uint8_t* bytes, CQuorinUSBDevice* keyboard) {
    std::copy(bytes, bytes + audiorecord::kBandBlockBytes, bands_.begin());
    ++bandBlocks_;
    if (keyboard) keyboard->StoreProductValues(bands_);
    return 1;
}

std::uint32_t CAudioCaptureLink::ProgramStarts() const { return shared_->starts.load(); }
std::uint32_t CAudioCaptureLink::Connects() const { return shared_->connects.load(); }
std::uint64_t CAudioCaptureLink::LastConnectTick() const { return shared_->lastConnectTick.load(); }

}  // namespace kx58
