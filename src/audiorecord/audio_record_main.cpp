// AudioRecord: the companion program of the sound-reactive lighting. It records what the
// desktop plays (the monitor of the sound server's default output, never a microphone) and
// sends it as level blocks to the main window that registered with it. One instance per
// session (its named mutex); it ends on command 5, on SIGTERM or SIGINT, and by itself when
// no window has wanted its sound for 10 s.
#include <signal.h>

#include <cstdio>
#include <string>

#include "audiorecord/record_program.h"
#include "platform/named_mutex.h"
#include "platform/registered_messages.h"
#include "platform/worker_thread.h"
#include "ui/audio_record_protocol.h"

namespace {

// Blocked in every thread (so before the first one starts); the watch takes them.
sigset_t BlockStopSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    return set;
}

void WatchStopSignals(kx58::Event& exitEvent, const sigset_t& set, kx58::HWND window) {
    const timespec step{0, 250 * 1000 * 1000};
    while (!exitEvent.IsSet())
        if (sigtimedwait(&set, nullptr, &step) > 0) kx58::PostMessage(window, kx58::WM_CLOSE, 0, 0);
}

int Refuse(const std::string& problem) {
    std::fprintf(stderr, "AudioRecord: cannot start: %s\n", problem.c_str());
    return 1;
}

}  // namespace

int main() {
    using namespace kx58;
    const sigset_t stopSignals = BlockStopSignals();
    std::string problem;
    const UINT commandMessage = RegisterWindowMessage(kAudioRecordCmdMessageName, problem);
    if (commandMessage == 0) return Refuse(problem);
    NamedMutex instance(audiorecord::MutexName());
    if (instance.AlreadyExists()) return 0;  // one runs already
    if (!instance.Owned()) return Refuse(instance.Problem());

    int result = 1;
    {
        audiorecord::RecordProgram program(commandMessage);
        if (program.Open()) {
            WorkerThread signalWatch;
            const HWND window = program.Window();
            signalWatch.Start("stop signals",
                              [stopSignals, window](Event& exit) { WatchStopSignals(exit, stopSignals, window); });
            result = MessageQueue::ForCurrentThread()->RunLoop();
            signalWatch.Stop(1000);
        }
    }
    instance.Release();  // last: the main program's daemon starts a new one only after this
    return result;
}
