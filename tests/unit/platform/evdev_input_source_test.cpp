// The evdev source over faked input nodes: the program's "/dev/input" and "/dev/uinput" are
// umockdev's, a keyboard and a mouse whose events the test writes as the kernel would.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <list>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/input_hook.h"
#include "support/temp_dir.h"
#include "support/wait_until.h"
#include "unit/platform/fake_input_nodes.h"

using namespace kx58;
using namespace kx58test;

namespace {

// Events as the hook receives them, from the source's thread.
class ReceivedEvents {
public:
    InputDeviceSource::Deliver Sink() {
        return [this](const InputHookEvent& event) {
            std::lock_guard<std::mutex> lock(mutex_);
            events_.push_back(event);
        };
    }
    // Waits for `count` events and returns all received.
    std::vector<InputHookEvent> WaitFor(std::size_t count) {
        WaitUntil([&] { return Count() >= count; });
        std::lock_guard<std::mutex> lock(mutex_);
        return events_;
    }
    std::size_t Count() {
        std::lock_guard<std::mutex> lock(mutex_);
        return events_.size();
    }

private:
    std::mutex mutex_;
    std::vector<InputHookEvent> events_;
};

// Event times far past 2^32 ms, as on a machine up for two months.
constexpr long kSeconds = 5'000'000;
constexpr DWORD TickOf(long seconds, long microseconds) {
    return static_cast<DWORD>(static_cast<std::uint64_t>(seconds) * 1000 + static_cast<std::uint64_t>(microseconds) / 1000);
}

input_event Key(unsigned code, int value, long microseconds = 0) {
    return MakeEvent(EV_KEY, code, value, kSeconds, microseconds);
}
input_event Report(long microseconds = 0) { return MakeEvent(EV_SYN, SYN_REPORT, 0, kSeconds, microseconds); }

void ExpectKey(const InputHookEvent& event, UINT message, DWORD vk, DWORD scan, DWORD flags, DWORD time) {
    EXPECT_EQ(event.message, message);
    EXPECT_EQ(event.key.vkCode, vk);
    EXPECT_EQ(event.key.scanCode, scan);
    EXPECT_EQ(event.key.flags, flags);
    EXPECT_EQ(event.key.time, time);
}

class EvdevInputSourceTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!UmockdevPreloaded()) GTEST_SKIP() << "the input nodes are faked by umockdev's preload (run through ctest)";
        testbed_.emplace();
    }
    FakeEvdevNode& AddNode(int number, FakeInputCapabilities capabilities) {
        return nodes_.emplace_back(*testbed_, number, std::move(capabilities));
    }
    bool WaitForStatus(int keyboards, int mice, int grabbed) {
        return WaitUntil([&] {
            const InputDeviceStatus status = source_->Status();
            return status.keyboards == keyboards && status.mice == mice && status.grabbed == grabbed;
        });
    }

    std::optional<FakeTestbed> testbed_;
    std::list<FakeEvdevNode> nodes_;
    std::optional<FakeUinput> uinput_;
    ReceivedEvents received_;
    std::unique_ptr<InputDeviceSource> source_ = MakeEvdevInputSource();
};

TEST_F(EvdevInputSourceTest, HeldKeyArrivesAsDownRepeatsAndUpWithItsCodesAndTime) {
    FakeEvdevNode& keyboard = AddNode(5, KeyboardCapabilities());
    ASSERT_TRUE(source_->Start(received_.Sink(), false));
    EXPECT_EQ(source_->Status().keyboards, 1);

    keyboard.Send({Key(KEY_A, 1, 1000), Report(1000)});
    keyboard.Send({Key(KEY_A, 2, 251000), Report(251000), Key(KEY_A, 2, 284000), Report(284000)});
    keyboard.Send({Key(KEY_PROG1, 1, 290000), Report(290000), Key(KEY_PROG1, 0, 291000), Report(291000)});
    keyboard.Send({Key(KEY_A, 0, 300000), Report(300000), Key(KEY_RIGHTCTRL, 1, 400000), Report(400000)});
    keyboard.Send({Key(KEY_RIGHTCTRL, 0, 500000), Report(500000)});

    // The key the hook does not know is left out.
    const std::vector<InputHookEvent> events = received_.WaitFor(6);
    ASSERT_EQ(events.size(), 6u);
    ExpectKey(events[0], WM_KEYDOWN, 'A', 0x1E, 0, TickOf(kSeconds, 1000));
    ExpectKey(events[1], WM_KEYDOWN, 'A', 0x1E, 0, TickOf(kSeconds, 251000));
    ExpectKey(events[2], WM_KEYDOWN, 'A', 0x1E, 0, TickOf(kSeconds, 284000));
    ExpectKey(events[3], WM_KEYUP, 'A', 0x1E, LLKHF_UP, TickOf(kSeconds, 300000));
    ExpectKey(events[4], WM_KEYDOWN, 0xA3, 0x1D, LLKHF_EXTENDED, TickOf(kSeconds, 400000));
    ExpectKey(events[5], WM_KEYUP, 0xA3, 0x1D, LLKHF_EXTENDED | LLKHF_UP, TickOf(kSeconds, 500000));
    EXPECT_TRUE(keyboard.GrabCalls().empty());
}

TEST_F(EvdevInputSourceTest, GrabbedKeyboardPassesCapsLockOnAndIsReleasedAtStop) {
    uinput_.emplace(*testbed_);
    FakeEvdevNode& keyboard = AddNode(5, KeyboardCapabilities());
    ASSERT_TRUE(source_->Start(received_.Sink(), true));
    EXPECT_TRUE(keyboard.Grabbed());
    EXPECT_TRUE(uinput_->DeviceCreated());
    const InputDeviceStatus status = source_->Status();
    EXPECT_EQ(status.grabbed, 1);
    EXPECT_TRUE(status.lockKeysPassedOn);

    keyboard.Send({Key(KEY_A, 1), Report(), Key(KEY_A, 0), Report()});
    keyboard.Send({Key(KEY_CAPSLOCK, 1, 10), Report(10), Key(KEY_CAPSLOCK, 0, 20), Report(20)});
    const std::vector<InputHookEvent> events = received_.WaitFor(4);
    ASSERT_EQ(events.size(), 4u);
    ExpectKey(events[2], WM_KEYDOWN, 0x14, 0x3A, 0, TickOf(kSeconds, 10));
    ExpectKey(events[3], WM_KEYUP, 0x14, 0x3A, LLKHF_UP, TickOf(kSeconds, 20));
    // Only the lock key went on to the desktop.
    std::vector<input_event> passed;
    EXPECT_TRUE(WaitUntil([&] { return (passed = uinput_->KeyEventsWritten()).size() >= 2; }));
    ASSERT_EQ(passed.size(), 2u);
    EXPECT_EQ(passed[0].code, KEY_CAPSLOCK);
    EXPECT_EQ(passed[0].value, 1);
    EXPECT_EQ(passed[1].code, KEY_CAPSLOCK);
    EXPECT_EQ(passed[1].value, 0);

    source_->Stop();
    EXPECT_EQ(keyboard.GrabCalls(), (std::vector<bool>{true, false}));
    EXPECT_FALSE(uinput_->DeviceCreated());
    EXPECT_EQ(source_->Status().keyboards, 0);
}

TEST_F(EvdevInputSourceTest, WithoutUinputKeyboardIsStillGrabbedAndStartsAgainAfterStop) {
    FakeEvdevNode& keyboard = AddNode(5, KeyboardCapabilities());
    ASSERT_TRUE(source_->Start(received_.Sink(), true));
    EXPECT_TRUE(keyboard.Grabbed());
    EXPECT_FALSE(source_->Status().lockKeysPassedOn);
    source_->Stop();
    EXPECT_FALSE(keyboard.Grabbed());

    ASSERT_TRUE(source_->Start(received_.Sink(), true));
    EXPECT_TRUE(keyboard.Grabbed());
    keyboard.Send({Key(KEY_CAPSLOCK, 1), Report()});
    const std::vector<InputHookEvent> events = received_.WaitFor(1);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].key.vkCode, 0x14u);
}

TEST_F(EvdevInputSourceTest, KeyboardWithAKeyHeldIsGrabbedOnlyOnceItGoesUp) {
    FakeEvdevNode& keyboard = AddNode(5, KeyboardCapabilities());
    keyboard.SetHeld(KEY_LEFTSHIFT, true);
    ASSERT_TRUE(source_->Start(received_.Sink(), true));
    EXPECT_EQ(source_->Status().keyboards, 1);
    EXPECT_EQ(source_->Status().grabbed, 0);

    keyboard.Send({Key(KEY_B, 1), Report(), Key(KEY_B, 0), Report()});
    ASSERT_EQ(received_.WaitFor(2).size(), 2u);
    EXPECT_TRUE(keyboard.GrabCalls().empty());

    keyboard.SetHeld(KEY_LEFTSHIFT, false);
    keyboard.Send({Key(KEY_LEFTSHIFT, 0), Report()});
    EXPECT_TRUE(WaitForStatus(1, 0, 1));
    EXPECT_TRUE(keyboard.Grabbed());
    const std::vector<InputHookEvent> events = received_.WaitFor(3);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[2].message, WM_KEYUP);
    EXPECT_EQ(events[2].key.vkCode, 0xA0u);
}

TEST_F(EvdevInputSourceTest, KeyHeldWhileEventsWereDroppedArrivesFromTheResync) {
    FakeEvdevNode& keyboard = AddNode(5, KeyboardCapabilities());
    ASSERT_TRUE(source_->Start(received_.Sink(), false));
    keyboard.SetHeld(KEY_D, true);
    keyboard.Send({MakeEvent(EV_SYN, SYN_DROPPED, 0), Key(KEY_X, 1), Report()});
    // The queue behind the drop is discarded; the state read afresh tells D went down.
    ASSERT_EQ(received_.WaitFor(1).size(), 1u);
    keyboard.Send({Key(KEY_Z, 1), Report()});

    const std::vector<InputHookEvent> events = received_.WaitFor(2);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].message, WM_KEYDOWN);
    EXPECT_EQ(events[0].key.vkCode, DWORD('D'));
    EXPECT_EQ(events[1].key.vkCode, DWORD('Z'));
}

TEST_F(EvdevInputSourceTest, MouseSideButtonArrivesAsBackButtonAndMouseIsNeverGrabbed) {
    FakeEvdevNode& mouse = AddNode(7, MouseCapabilities());
    ASSERT_TRUE(source_->Start(received_.Sink(), true));
    EXPECT_EQ(source_->Status().mice, 1);

    mouse.Send({MakeEvent(EV_REL, REL_X, 5), Report(), Key(BTN_SIDE, 1, 7000), Report(7000)});
    mouse.Send({MakeEvent(EV_REL, REL_WHEEL, -1), Report(), Key(BTN_SIDE, 0, 9000), Report(9000)});
    mouse.Send({Key(BTN_EXTRA, 1), Report()});

    const std::vector<InputHookEvent> events = received_.WaitFor(3);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].message, WM_XBUTTONDOWN);
    EXPECT_EQ(events[0].mouse.mouseData, XBUTTON1 << 16);
    EXPECT_EQ(events[0].mouse.time, TickOf(kSeconds, 7000));
    EXPECT_EQ(events[1].message, WM_XBUTTONUP);
    EXPECT_EQ(events[1].mouse.mouseData, XBUTTON1 << 16);
    EXPECT_EQ(events[2].mouse.mouseData, XBUTTON2 << 16);
    EXPECT_TRUE(mouse.GrabCalls().empty());
}

TEST_F(EvdevInputSourceTest, KeyboardPluggedInWhileRunningIsReadAndGrabbed) {
    AddNode(7, MouseCapabilities());
    ASSERT_TRUE(source_->Start(received_.Sink(), true));
    EXPECT_EQ(source_->Status().keyboards, 0);

    FakeEvdevNode& keyboard = AddNode(8, KeyboardCapabilities());
    EXPECT_TRUE(WaitForStatus(1, 1, 1));
    EXPECT_TRUE(keyboard.Grabbed());
    keyboard.Send({Key(KEY_Q, 1), Report()});
    const std::vector<InputHookEvent> events = received_.WaitFor(1);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].key.vkCode, DWORD('Q'));
}

TEST_F(EvdevInputSourceTest, UnpluggedKeyboardIsClosedWithItsGrabAndTheMouseCarriesOn) {
    FakeEvdevNode& keyboard = AddNode(5, KeyboardCapabilities());
    FakeEvdevNode& mouse = AddNode(7, MouseCapabilities());
    ASSERT_TRUE(source_->Start(received_.Sink(), true));
    ASSERT_TRUE(WaitForStatus(1, 1, 1));

    keyboard.Unplug();
    keyboard.Send({Key(KEY_A, 1), Report()});  // the kernel wakes the reader, whose read fails
    EXPECT_TRUE(WaitForStatus(0, 1, 0));
    EXPECT_EQ(keyboard.GrabCalls(), (std::vector<bool>{true, false}));

    mouse.Send({Key(BTN_LEFT, 1), Report()});
    const std::vector<InputHookEvent> events = received_.WaitFor(1);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].message, WM_LBUTTONDOWN);
}

// Lowers this thread's effective capabilities that pass by file permissions, for the scope;
// as root they would open a node whatever its mode.
class WithoutPermissionBypass {
public:
    WithoutPermissionBypass() {
        if (syscall(SYS_capget, &header_, saved_) != 0) return;
        __user_cap_data_struct lowered[2] = {saved_[0], saved_[1]};
        lowered[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        lowered_ = syscall(SYS_capset, &header_, lowered) == 0;
    }
    ~WithoutPermissionBypass() {
        if (lowered_) syscall(SYS_capset, &header_, saved_);
    }
    bool PermissionsApply() const { return lowered_ || geteuid() != 0; }

private:
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[2]{};
    bool lowered_ = false;
};

TEST(EvdevInputSourceFolders, UnreadableNodesAreCountedUntilTheyGoAndOtherFilesGiveNoDevice) {
    TempDir folder;
    WriteWholeFile(folder / "event3", "");
    chmod((folder / "event3").c_str(), 0);
    WriteWholeFile(folder / "event4", "not an input device");
    WriteWholeFile(folder / "mouse0", "");
    WithoutPermissionBypass asUser;
    if (!asUser.PermissionsApply()) GTEST_SKIP() << "cannot give up root's permission bypass here";

    std::unique_ptr<InputDeviceSource> source = MakeEvdevInputSource(folder.Path());
    ASSERT_TRUE(source->Start([](const InputHookEvent&) {}, true));
    const InputDeviceStatus status = source->Status();
    EXPECT_EQ(status.keyboards, 0);
    EXPECT_EQ(status.mice, 0);
    EXPECT_EQ(status.unreadable, 1);
    // An unreadable node that goes away is no longer counted.
    unlink((folder / "event3").c_str());
    EXPECT_TRUE(WaitUntil([&] { return source->Status().unreadable == 0; }));
    source->Stop();
}

TEST(EvdevInputSourceFolders, MissingFolderGivesNoDevicesAndNoFailure) {
    TempDir parent;
    std::unique_ptr<InputDeviceSource> source = MakeEvdevInputSource(parent / "input");
    ASSERT_TRUE(source->Start([](const InputHookEvent&) {}, true));
    const InputDeviceStatus status = source->Status();
    EXPECT_EQ(status.keyboards + status.mice + status.grabbed + status.unreadable, 0);
    source->Stop();
}

}  // namespace
