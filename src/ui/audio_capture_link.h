#pragma once
// CAudioCaptureLink: the main window's side of the capture program "AudioRecord", which feeds
// the keyboard's sound-reactive lighting. It starts the program at "windowinit", keeps it
// running from the audio daemon thread (thread slot 1: once a second it checks the program's
// mutex and starts it again, 500 ms later connects), connects at timer 1011 (register this
// window, reset the history, start sending), disconnects at WM_DESTROY (stop, unregister,
// quit), and turns the WM_COPYDATA blocks into the keyboard's input. A program that cannot be
// started is reported once per run, by a post to the window (the box opens on the UI thread).
//
// Threads: the UI thread calls everything here; the daemon thread uses only the shared state,
// atomics and values fixed before it starts, so the link takes no lock, and the state
// outlives the link if the daemon overruns its stop.
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "device/quorin_usb_device.h"
#include "platform/win_types.h"
#include "ui/audio_levels.h"
#include "ui/thread_slots.h"

namespace kx58 {

inline constexpr const char* kRecordOpenFailedText = "Record open failed!";

class CAudioCaptureLink {
public:
    explicit CAudioCaptureLink(UINT commandMessage);

    // The program to start: "AudioRecord" beside the main program unless set before Start.
    void SetProgram(std::string path);
    const std::string& Program() const;
    // "windowinit": the daemon in `threads`, then the program's first start. `window` gets
    // WM_AUDIO_RECORD_FAILED; `receiver` is the handle the program sends its blocks to.
    void Start(ThreadSlots& threads, HWND window, HWND receiver);
    // Timer 1011 (and the daemon after a restart).
    void Connect();
    // WM_DESTROY, once the daemon has stopped.
    void Disconnect();
    // WM_COPYDATA: 1 when the block was the program's and was taken, 0 when it is ignored
    // (another dwData, or a size other than the block's). The keyboard may be null.
    LRESULT TakeBlock(const COPYDATASTRUCT& copy, CQuorinUSBDevice* keyboard);

    // What tests observe.
    std::uint32_t ProgramStarts() const;
    std::uint32_t Connects() const;
    std::uint64_t LastConnectTick() const;
    std::uint32_t SampleBlocksTaken() const { return sampleBlocks_; }
    std::uint32_t LevelHandovers() const { return handovers_; }
    const CAudioLevelMeter::Levels& LastLevelsHandedOver() const { return handedLevels_; }
    std::uint32_t BandBlocksTaken() const { return bandBlocks_; }
    const std::array<int, audiorecord::kBandCount>& LastBands() const { return bands_; }

private:
    LRESULT TakeSamples(const std::uint8_t* bytes, CQuorinUSBDevice* keyboard);
    LRESULT TakeBands(const std::uint8_t* bytes, CQuorinUSBDevice* keyboard);

    struct Shared;
    std::shared_ptr<Shared> shared_;
    CAudioLevelMeter meter_;
    CAudioLevelMeter::Levels handedLevels_{};
    std::array<int, audiorecord::kBandCount> bands_{};
    std::uint32_t sampleBlocks_ = 0;
    std::uint32_t handovers_ = 0;
    std::uint32_t bandBlocks_ = 0;
};

}  // namespace kx58
