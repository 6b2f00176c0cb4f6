#pragma once
// Sends the recorded sound to the registered window from its own thread ("audio blocks"):
// a sample block every 40 ms (the time 500 samples take), with a band block after every
// third, while sending is started and the capture records; after the recording stopped (the
// server went away) it goes on for half a second, so the receiver's lighting settles to
// silence, and then sends nothing. It sleeps on an event whenever there is nothing to send.
// A send that fails because the registered window is gone unregisters it.
//
// The state lives in atomics shared with the thread, which keeps it alive if a send to a
// hung receiver outlasts Stop.
#include <memory>

#include "platform/win_types.h"

namespace kx58::audiorecord {

class SampleHistory;

class BlockSender {
public:
    // `self` is AudioRecord's window, passed in wParam as the sender of each block.
    BlockSender(std::shared_ptr<SampleHistory> history, HWND self);
    ~BlockSender();
    BlockSender(const BlockSender&) = delete;
    BlockSender& operator=(const BlockSender&) = delete;

    bool Start();
    void Stop();

    void Register(HWND target);
    void Unregister();
    // Unregisters `target` only if it is still the registered window.
    void UnregisterIfStill(HWND target);
    HWND Target() const;
    void SetSending(bool sending);
    bool Sending() const;
    // From the capture: samples are (or stopped) coming in.
    void SetRecording(bool recording);
    // Forgets what was recorded; the band block count starts again.
    void ResetHistory();

private:
    struct State;
    std::shared_ptr<State> state_;
};

}  // namespace kx58::audiorecord
