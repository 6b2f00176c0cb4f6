#pragma once
// The AudioRecord program: its reachable window (admitting only UWM_AUDIORECORD_CMD_MSG from
// other processes), the commands of that message, the capture and the block sender, and a
// once-a-second housekeeping timer: the sound server is tried again, a registered window that
// is gone is dropped, and after 10 s without a registered window the program ends (the main
// program starts it again when it wants it).
//
// Threads: everything here runs on the program's main thread; the capture and the sender
// have their own threads and are told through their own thread-safe calls.
#include <memory>

#include "audiorecord/block_sender.h"
#include "audiorecord/monitor_capture.h"
#include "audiorecord/sample_history.h"
#include "platform/message_queue.h"

namespace kx58::audiorecord {

class RecordProgram {
public:
    explicit RecordProgram(UINT commandMessage);
    ~RecordProgram();
    RecordProgram(const RecordProgram&) = delete;
    RecordProgram& operator=(const RecordProgram&) = delete;

    // The window, the threads and the timer; false (with a line on stderr) when the window
    // cannot be reached by other programs or a thread does not start.
    bool Open();
    HWND Window() const { return window_->Hwnd(); }

private:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnCommand(WPARAM command, LPARAM lParam);
    void OnHousekeeping();
    // The capture runs only while a registered window wants blocks.
    void UpdateCapture();

    void Register(LPARAM target);
    void StartSending(LPARAM);
    void StopSending(LPARAM);
    void ResetHistory(LPARAM);
    void Unregister(LPARAM);
    void Quit(LPARAM);


    const UINT commandMessage_;
    std::shared_ptr<SampleHistory> history_ = std::make_shared<SampleHistory>();
    std::unique_ptr<MessageWindow> window_;  // first made, first gone: its handler uses the rest
    BlockSender sender_;
    MonitorCapture capture_;
    int ticksWithoutReceiver_ = 0;
};

}  // namespace kx58::audiorecord
