#pragma once
// The synchronised lighting engine: when the user asks every device to show the same
// effect, the program animates it and hands one colour and brightness at a time to each
// device object. One parameter record (written by the UI thread only when the user starts
// the effect), the engine's own tables, and a worker in thread slot 8.
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/event.h"

namespace kx58 {

class CQuorinUSBDevice;

enum class SyncMode : std::uint8_t { Breathing = 0, Static = 1, Blinking = 2, Spectrum = 3, Off = 4 };

// Process-wide, one byte each, in this order.
struct SyncParameters {
    std::uint8_t mode = 0;
    std::uint8_t brightnessLevel = 4;  // 0..4
    std::uint8_t speed = 2;            // 0..4
    std::uint8_t direction = 1;        // nonzero: forward
    std::uint8_t colourful = 0;        // nonzero: colours from the wheel
    std::uint8_t red = 0xFF;
    std::uint8_t green = 0xFF;
    std::uint8_t blue = 0xFF;
};

inline constexpr std::size_t kSyncWheelSize = 192;
inline constexpr std::size_t kSyncCurveSize = 128;
struct SyncColour {
    std::uint8_t red = 0, green = 0, blue = 0;
};
const std::array<SyncColour, kSyncWheelSize>& SyncColourWheel();
const std::array<std::uint8_t, kSyncCurveSize>& SyncBreathingCurve();
std::uint8_t SyncBrightness(int level);
// Engine ticks between two steps at a speed.
int SyncStepThreshold(int speed);
// The cyclic step: forward wraps to 0 at the limit, backward to limit - step below 0.
std::uint8_t CyclicStep(std::uint8_t current, std::uint8_t step, std::uint8_t limit, bool forward);
// red | green << 8 | blue << 16 | brightness << 24.
std::uint32_t PackSyncColour(SyncColour colour, std::uint8_t brightness);

// A device's effect number as an engine mode, by its kind number; false for an effect the
// engine does not run (the parameters stay as they are).
bool SyncModeOfEffect(int kind, int effect, std::uint8_t& mode);

// The animation, apart from its thread: one Tick() per engine tick.
class LightSyncAnimation {
public:
    // Counts a tick; every threshold ticks runs one step and returns true with its output.
    bool Tick(const SyncParameters& parameters, std::uint32_t nowMs, std::uint32_t& output);
    // Runs one step of the mode now.
    std::uint32_t Step(const SyncParameters& parameters, std::uint32_t nowMs);
    int TicksUntilStep(const SyncParameters& parameters) const;

private:
    int ticks_ = 0;
    std::uint8_t phase_ = 0;
    std::uint8_t breathingWheel_ = 0;
    std::uint8_t spectrumWheel_ = 0;
    bool blinkOn_ = false;
    std::uint8_t blinkWheel_ = 0;
    std::uint32_t lastBlink_ = 0;
};

class LightSyncEngine {
public:
    // The device objects in the engine's order: mice, keyboards, mouse pads, headsets.
    using DeviceList = std::function<std::vector<CQuorinUSBDevice*>()>;
    explicit LightSyncEngine(DeviceList devices) : devices_(std::move(devices)) {}

    // UI thread: the parameters the next steps use.
    void SetParameters(const SyncParameters& parameters);
    SyncParameters Parameters() const;
    // The thread body (slot 8): runs until `stop` is signalled.
    void Run(Event& stop);
    // Wakes of the loop and steps handed out since the start, for the benchmark and tests.
    std::uint64_t Wakes() const { return wakes_.load(); }
    std::uint64_t StepsSent() const { return steps_.load(); }

    static constexpr std::uint32_t kIdleWaitMs = 1000;
    static constexpr std::uint32_t kTickMs = 2;  // a tick counts when the clock moved on by more than 1 ms

private:
    std::vector<CQuorinUSBDevice*> SyncingDevices() const;

    DeviceList devices_;
    std::array<std::atomic<std::uint8_t>, sizeof(SyncParameters)> parameters_{};
    LightSyncAnimation animation_;
    std::atomic<std::uint64_t> wakes_{0};
    std::atomic<std::uint64_t> steps_{0};
};

}  // namespace kx58
