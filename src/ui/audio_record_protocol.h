#pragma once
// What the main window and its companion capture program "AudioRecord" agree on: the
// program's mutex, window class and title, the commands it takes in UWM_AUDIORECORD_CMD_MSG
// (wParam; lParam is the main window's handle for Register, else 0) and the two WM_COPYDATA
// blocks it sends back. Header only: AudioRecord includes it without the ui layer.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/folders.h"
#include "platform/win_types.h"
#include "ui/app_messages.h"

namespace kx58::audiorecord {

// The mutex and the window class share one name; the title differs.
inline std::string MutexName() { return std::string(kAppName) + "AudioRecord"; }
inline std::string WindowClass() { return MutexName(); }
inline std::string WindowTitle() { return std::string(kAppName) + "AUDIORECORD"; }
inline constexpr const char* kProgramFile = "AudioRecord";

enum Command : WPARAM {
    kRegister = 0,      // lParam: the window that receives the blocks
    kStartSending = 1,
    kStopSending = 2,
    kResetHistory = 3,  // the next block holds only sound recorded from now on
    kUnregister = 4,
    kQuit = 5,
};

// dwData 1: 500 signed 32-bit samples of what the default output plays, mono, 12,500 per
// second, full scale = ±1000 (so consecutive blocks differ by at most 2000, silence by 0).
inline constexpr std::uintptr_t kSampleBlockId = 1;
inline constexpr std::size_t kSamplesPerBlock = 500;
inline constexpr std::size_t kSampleBlockBytes = kSamplesPerBlock * sizeof(std::int32_t);
inline constexpr int kSampleFullScale = 1000;
inline constexpr unsigned kSampleRate = 12500;

// dwData 2: the level of six frequency bands of the last block, one byte each, 0 = -60 dB or
// less, 255 = a full-scale sine; sent with every third sample block.
inline constexpr std::uintptr_t kBandBlockId = 2;
inline constexpr std::size_t kBandCount = 6;
inline constexpr std::size_t kBandBlockBytes = kBandCount;

}  // namespace kx58::audiorecord
