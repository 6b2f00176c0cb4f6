#include "ui/light_sync_engine.h"

#include <algorithm>
#include <cstring>

#include "device/quorin_usb_device.h"
#include "platform/debug_trace.h"
#include "platform/tick.h"

namespace kx58 {
namespace {

constexpr std::uint8_t kLevelBrightness[] = {0, 55, 110, 175, 255};
constexpr std::uint8_t kStepThresholds[] = {28, 23, 18, 13, 7};
constexpr std::uint8_t kBreathingWheelStep = 16;
constexpr std::uint8_t kBlinkWheelStep = 14;
constexpr std::uint32_t kBlinkMsPerThreshold = 200;

// One sixth of the wheel: the third channel rising through these anchors (linear between).
constexpr std::pair<int, int> kRisingAnchors[] = {{0, 1},    {1, 3},    {2, 5},    {3, 7},    {4, 10},
                                                   {12, 50}, {20, 119}, {27, 195}, {28, 213}, {31, 255}};
constexpr int kSixth = static_cast<int>(kSyncWheelSize / 6);

int Rising(int k) {
    for (std::size_t i = 1; i < std::size(kRisingAnchors); ++i) {
        const auto [x1, y1] = kRisingAnchors[i];
        const auto [x0, y0] = kRisingAnchors[i - 1];
        if (k <= x1) return y0 + (y1 - y0) * (k - x0) / (x1 - x0);
    }
    return 255;
}

// Falling runs the rising curve backwards, one below it.
int Falling(int k) { return std::max(0, Rising(kSixth - 1 - k) - 1); }

std::array<SyncColour, kSyncWheelSize> MakeWheel() {
    std::array<SyncColour, kSyncWheelSize> wheel{};
    for (int i = 0; i < static_cast<int>(kSyncWheelSize); ++i) {
        const int k = i % kSixth;
        const auto up = static_cast<std::uint8_t>(Rising(k));
        const auto down = static_cast<std::uint8_t>(Falling(k));
        static constexpr std::uint8_t kFull = 255;
        switch (i / kSixth) {
        case 0: wheel[i] = {kFull, up, 0}; break;
        case 1: wheel[i] = {down, kFull, 0}; break;
        case 2: wheel[i] = {0, kFull, up}; break;
        case 3: wheel[i] = {0, down, kFull}; break;
        case 4: wheel[i] = {up, 0, kFull}; break;
        default: wheel[i] = {kFull, 0, down}; break;
        }
    }
    return wheel;
}

std::array<std::uint8_t, kSyncCurveSize> MakeCurve() {
    // Rising in widening steps to 255, then the same values back to 0.
    struct Run {
        int from, to, step;
    };
    static constexpr Run kRuns[] = {{0, 10, 1}, {12, 24, 2}, {27, 45, 3}, {49, 89, 4}, {94, 134, 5}, {140, 206, 6}, {213, 248, 7}};
    std::array<std::uint8_t, kSyncCurveSize> curve{};
    std::size_t at = 0;
    for (const Run& run : kRuns)
        for (int v = run.from; v <= run.to; v += run.step) curve[at++] = static_cast<std::uint8_t>(v);
    curve[at++] = 255;
    for (std::size_t i = at; i < kSyncCurveSize; ++i) curve[i] = curve[kSyncCurveSize - 1 - i];
    return curve;
}

}  // namespace

const std::array<SyncColour, kSyncWheelSize>& SyncColourWheel() {
    static const std::array<SyncColour, kSyncWheelSize> wheel = MakeWheel();
    return wheel;
}

const std::array<std::uint8_t, kSyncCurveSize>& SyncBreathingCurve() {
    static const std::array<std::uint8_t, kSyncCurveSize> curve = MakeCurve();
    return curve;
}

std::uint8_t SyncBrightness(int level) { return kLevelBrightness[std::clamp(level, 0, 4)]; }
int SyncStepThreshold(int speed) { return kStepThresholds[std::clamp(speed, 0, 4)]; }

std::uint8_t CyclicStep(std::uint8_t current, std::uint8_t step, std::uint8_t limit, bool forward) {
    if (forward) {
        const auto next = static_cast<std::uint8_t>(current + step);
        return next < limit ? next : 0;
    }
    const auto next = static_cast<std::uint8_t>(current - step);
    return next < limit ? next : static_cast<std::uint8_t>(limit - step);
}

std::uint32_t PackSyncColour(SyncColour c, std::uint8_t brightness) {
    return std::uint32_t{c.red} | std::uint32_t{c.green} << 8 | std::uint32_t{c.blue} << 16 | std::uint32_t{brightness} << 24;
}

bool SyncModeOfEffect(int kind, int effect, std::uint8_t& mode) {
    struct Mapping {
        int kind;
        std::array<int, 5> effectOfMode;  // breathing, static, blinking, spectrum, off
    };
    static constexpr Mapping kMappings[] = {
        {1, {5, 6, 23, 4, 28}},
        {2, {2, 3, 4, 1, 9}},
        {3, {2, 3, 4, 1, 8}},
        {7, {2, 3, 4, 1, 8}},
    };
    for (const Mapping& mapping : kMappings) {
        if (mapping.kind != kind) continue;
        const auto found = std::find(mapping.effectOfMode.begin(), mapping.effectOfMode.end(), effect);
        if (found == mapping.effectOfMode.end()) return false;
        mode = static_cast<std::uint8_t>(found - mapping.effectOfMode.begin());
        return true;
    }
    return false;
}

// --- Animation ---------------------------------------------------------------------------------

int LightSyncAnimation::TicksUntilStep(const SyncParameters& p) const {
    return std::max(1, SyncStepThreshold(p.speed) - ticks_);
}

bool LightSyncAnimation::Tick(const SyncParameters& p, std::uint32_t nowMs, std::uint32_t& output) {
    if (++ticks_ < SyncStepThreshold(p.speed)) return false;
    ticks_ = 0;
    output = Step(p, nowMs);
    return true;
}

std::uint32_t LightSyncAnimation::Step(const SyncParameters& p, std::uint32_t nowMs) {
    const auto& wheel = SyncColourWheel();
    const SyncColour fixed{p.red, p.green, p.blue};
    const std::uint8_t level = SyncBrightness(p.brightnessLevel);
    constexpr auto kWheel = static_cast<std::uint8_t>(kSyncWheelSize);
    switch (static_cast<SyncMode>(p.mode)) {
    case SyncMode::Breathing: {
        const std::uint8_t previous = phase_;
        phase_ = CyclicStep(phase_, 1, kSyncCurveSize, p.direction != 0);
        // One colour per breath: the wheel moves on when the phase wraps.
        const bool wrapped = p.direction != 0 ? phase_ < previous : phase_ > previous;
        if (p.colourful && wrapped) breathingWheel_ = CyclicStep(breathingWheel_, kBreathingWheelStep, kWheel, true);
        const SyncColour colour = p.colourful ? wheel[breathingWheel_] : fixed;
        return PackSyncColour(colour, static_cast<std::uint8_t>(level * SyncBreathingCurve()[phase_] >> 8));
    }
    case SyncMode::Static: return PackSyncColour(fixed, level);
    case SyncMode::Blinking:
        if (nowMs - lastBlink_ >= static_cast<std::uint32_t>(SyncStepThreshold(p.speed)) * kBlinkMsPerThreshold) {
            blinkOn_ = !blinkOn_;
            lastBlink_ = nowMs;
            blinkWheel_ = static_cast<std::uint8_t>(blinkWheel_ + kBlinkWheelStep >= kWheel ? 0 : blinkWheel_ + kBlinkWheelStep);
        }
        return blinkOn_ ? PackSyncColour(p.colourful ? wheel[blinkWheel_] : fixed, level) : 0;
    case SyncMode::Spectrum:
        spectrumWheel_ = CyclicStep(spectrumWheel_, 1, kWheel, true);
        return PackSyncColour(wheel[spectrumWheel_], level);
    case SyncMode::Off: return 0;
    }
    return 0;  // a mode outside 0..4 draws nothing
}

// --- Engine ------------------------------------------------------------------------------------

void LightSyncEngine::SetParameters(const SyncParameters& parameters) {
    std::array<std::uint8_t, sizeof(SyncParameters)> bytes{};
    std::memcpy(bytes.data(), &parameters, sizeof parameters);
    for (std::size_t i = 0; i < bytes.size(); ++i) parameters_[i].store(bytes[i], std::memory_order_relaxed);
}

SyncParameters LightSyncEngine::Parameters() const {
    std::array<std::uint8_t, sizeof(SyncParameters)> bytes{};
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = parameters_[i].load(std::memory_order_relaxed);
    SyncParameters parameters;
    std::memcpy(&parameters, bytes.data(), sizeof parameters);
    return parameters;
}

std::vector<CQuorinUSBDevice*> LightSyncEngine::SyncingDevices() const {
    std::vector<CQuorinUSBDevice*> syncing;
    for (CQuorinUSBDevice* device : devices_())
        if (device && device->IsOpen() && device->IsSyncLighting()) syncing.push_back(device);
    return syncing;
}

void LightSyncEngine::Run(Event& stop) {
    std::uint32_t waitMs = 1;
    while (!stop.Wait(waitMs)) {
        ++wakes_;
        const std::vector<CQuorinUSBDevice*> syncing = SyncingDevices();
        if (syncing.empty()) {
            waitMs = kIdleWaitMs;
            continue;
        }
        // Sleep through the ticks that do nothing; the step runs when its tick comes.
        const SyncParameters parameters = Parameters();
        std::uint32_t output = 0;
        while (!animation_.Tick(parameters, TickCount(), output)) {
        }
        for (CQuorinUSBDevice* device : syncing) device->TakeSyncColour(output);
        ++steps_;
        waitMs = static_cast<std::uint32_t>(animation_.TicksUntilStep(parameters)) * kTickMs;
    }
    DebugTrace("同步灯光线程设定退出");
}

}  // namespace kx58
