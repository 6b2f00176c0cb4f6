// The synchronised lighting engine's animation and its thread, apart from any device.
#include <gtest/gtest.h>

#include <set>
#include <thread>

#include "platform/worker_thread.h"
#include "ui/light_sync_engine.h"

namespace kx58test {
namespace {

using namespace kx58;

// Ticks from one step to the next.
int TicksBetweenSteps(SyncParameters parameters) {
    LightSyncAnimation animation;
    std::uint32_t output = 0;
    while (!animation.Tick(parameters, 0, output)) {
    }
    int ticks = 1;
    while (!animation.Tick(parameters, 0, output)) ++ticks;
    return ticks;
}

TEST(LightSyncEngineTest, TheSpeedSetsTheCadenceAndBreathingChangesColourOncePerBreath) {
    SyncParameters parameters;
    parameters.speed = 4;
    EXPECT_EQ(TicksBetweenSteps(parameters), 7);
    parameters.speed = 0;
    EXPECT_EQ(TicksBetweenSteps(parameters), 28);

    // Three breaths forward and three backward: three colours each way, brightness breathing
    // between dark and the level's full value.
    for (const std::uint8_t direction : {1, 0}) {
        parameters = {};
        parameters.mode = static_cast<std::uint8_t>(SyncMode::Breathing);
        parameters.colourful = 1;
        parameters.direction = direction;
        LightSyncAnimation animation;
        std::set<std::uint32_t> colours;
        std::uint32_t changes = 0, previousColour = 0, darkest = 255, brightest = 0;
        for (std::size_t step = 0; step < 3 * kSyncCurveSize; ++step) {
            const std::uint32_t out = animation.Step(parameters, 0);
            const std::uint32_t colour = out & 0xFFFFFF;
            if (step > 0 && colour != previousColour) ++changes;
            previousColour = colour;
            colours.insert(colour);
            darkest = std::min(darkest, out >> 24);
            brightest = std::max(brightest, out >> 24);
        }
        EXPECT_LE(changes, 3u) << int(direction);
        EXPECT_GE(changes, 2u) << int(direction);
        EXPECT_EQ(colours.size(), changes + 1) << int(direction);
        EXPECT_EQ(darkest, 0u);
        EXPECT_GE(brightest, 250u);
    }
}

TEST(LightSyncEngineTest, BlinkingTogglesOnItsOwnClockAndOffSendsNothing) {
    SyncParameters parameters;
    parameters.mode = static_cast<std::uint8_t>(SyncMode::Blinking);
    parameters.speed = 4;  // 7 x 200 ms per phase
    parameters.red = 10;
    parameters.green = 20;
    parameters.blue = 30;
    parameters.brightnessLevel = 2;
    LightSyncAnimation animation;
    const std::uint32_t on = animation.Step(parameters, 5000);
    EXPECT_EQ(on, PackSyncColour({10, 20, 30}, 110));
    EXPECT_EQ(animation.Step(parameters, 5000 + 1399), on);  // the phase lasts 1400 ms
    EXPECT_EQ(animation.Step(parameters, 5000 + 1400), 0u);
    parameters.mode = static_cast<std::uint8_t>(SyncMode::Off);
    EXPECT_EQ(animation.Step(parameters, 0), 0u);
    parameters.mode = 9;  // no such mode: dark
    EXPECT_EQ(animation.Step(parameters, 0), 0u);
}

TEST(LightSyncEngineTest, OnlySharedEffectsBecomeEngineModes) {
    std::uint8_t mode = 99;
    EXPECT_FALSE(SyncModeOfEffect(1, 7, mode));  // the keyboard's reactive effect stays its own
    EXPECT_EQ(mode, 99);
    EXPECT_TRUE(SyncModeOfEffect(1, 23, mode));
    EXPECT_EQ(mode, static_cast<std::uint8_t>(SyncMode::Blinking));
    EXPECT_TRUE(SyncModeOfEffect(3, 8, mode));
    EXPECT_EQ(mode, static_cast<std::uint8_t>(SyncMode::Off));
    EXPECT_FALSE(SyncModeOfEffect(5, 1, mode));
}

TEST(LightSyncEngineTest, WithNoSyncingDeviceTheThreadSleepsASecondAtATime) {
    LightSyncEngine engine([] { return std::vector<CQuorinUSBDevice*>{}; });
    WorkerThread thread;
    ASSERT_TRUE(thread.Start("light sync", [&engine](Event& stop) { engine.Run(stop); }));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ASSERT_TRUE(thread.Stop(1000));
    EXPECT_LE(engine.Wakes(), 1u);
    EXPECT_EQ(engine.StepsSent(), 0u);
}

}  // namespace
}  // namespace kx58test
