#include "unit/platform/fake_input_nodes.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <linux/uinput.h>
#include <poll.h>
#include <termios.h>
#include <umockdev.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace kx58test {
namespace {

constexpr unsigned kGetBitsFirst = _IOC_NR(EVIOCGBIT(0, 0));
constexpr const char* kUinputSysName = "input90";

// Copies `bytes` into the ioctl's output buffer of `size` bytes; the count copied.
long CopyOut(UMockdevIoctlClient* client, const void* bytes, std::size_t length, std::size_t size) {
    GError* error = nullptr;
    UMockdevIoctlData* data = umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client), 0, size, &error);
    if (!data) {
        g_clear_error(&error);
        return -1;
    }
    const std::size_t copied = std::min(length, size);
    std::memset(data->data, 0, size);
    std::memcpy(data->data, bytes, copied);
    g_object_unref(data);
    return static_cast<long>(copied);
}

template <typename T>
long CopyOut(UMockdevIoctlClient* client, const T& value) {
    return CopyOut(client, &value, sizeof value, sizeof value) < 0 ? -1 : 0;
}

long Fail(int& error, int code) {
    error = code;
    return -1;
}

unsigned long ValueArgument(UMockdevIoctlClient* client) {
    unsigned long value = 0;
    std::memcpy(&value, umockdev_ioctl_client_get_arg(client)->data, sizeof value);
    return value;
}

std::string EvdevRecord(int number) {
    const std::string n = std::to_string(number);
    return "P: /devices/virtual/input/input" + n + "/event" + n + "\nN: input/event" + n +
           "\nE: SUBSYSTEM=input\nE: DEVNAME=/dev/input/event" + n + "\n";
}

void SetBit(std::vector<unsigned char>& bits, unsigned bit) {
    if (bit / 8 < bits.size()) bits[bit / 8] |= static_cast<unsigned char>(1u << (bit % 8));
}

}  // namespace

bool UmockdevPreloaded() {
    const char* preload = std::getenv("LD_PRELOAD");
    return preload && std::strstr(preload, "libumockdev-preload");
}

FakeTestbed::FakeTestbed() : testbed_(umockdev_testbed_new()) {}

FakeTestbed::~FakeTestbed() { g_object_unref(testbed_); }

input_event MakeEvent(unsigned type, unsigned code, int value, long seconds, long microseconds) {
    input_event event{};
    event.input_event_sec = seconds;
    event.input_event_usec = microseconds;
    event.type = static_cast<__u16>(type);
    event.code = static_cast<__u16>(code);
    event.value = value;
    return event;
}

FakeIoctlNode::FakeIoctlNode(FakeTestbed& testbed, std::string devnode)
    : testbed_(testbed), devnode_(std::move(devnode)), handler_(umockdev_ioctl_base_new()) {
    g_signal_connect(handler_, "handle-ioctl", G_CALLBACK(&FakeIoctlNode::OnIoctl), this);
    g_signal_connect(handler_, "handle-read", G_CALLBACK(&FakeIoctlNode::OnRead), this);
    GError* error = nullptr;
    // Attached before the node appears, so that a reader woken by its creation is answered.
    EXPECT_TRUE(umockdev_testbed_attach_ioctl(testbed_.Get(), devnode_.c_str(), handler_, &error));
    g_clear_error(&error);
}

void FakeIoctlNode::Appear(const std::string& record) {
    GError* error = nullptr;
    EXPECT_TRUE(umockdev_testbed_add_from_string(testbed_.Get(), record.c_str(), &error));
    g_clear_error(&error);
    stream_ = umockdev_testbed_get_dev_fd(testbed_.Get(), devnode_.c_str());
    EXPECT_GE(stream_, 0);
    // The node is a terminal underneath: make it pass every byte as it is.
    termios raw{};
    if (tcgetattr(stream_, &raw) == 0) {
        cfmakeraw(&raw);
        tcsetattr(stream_, TCSANOW, &raw);
    }
    fcntl(stream_, F_SETFL, fcntl(stream_, F_GETFL) | O_NONBLOCK);
}

FakeIoctlNode::~FakeIoctlNode() {
    Detach();
    g_object_unref(handler_);
}

void FakeIoctlNode::Detach() {
    if (!handler_ || devnode_.empty()) return;
    g_signal_handlers_disconnect_by_data(handler_, this);
    umockdev_testbed_detach_ioctl(testbed_.Get(), devnode_.c_str(), nullptr);
    devnode_.clear();
}

int FakeIoctlNode::OnIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, void* self) {
    int error = EFAULT;  // an answer that could not reach the caller's memory
    const long result = static_cast<FakeIoctlNode*>(self)->Answer(client, umockdev_ioctl_client_get_request(client), error);
    umockdev_ioctl_client_complete(client, result, result == -1 ? error : 0);
    return TRUE;
}

int FakeIoctlNode::OnRead(UMockdevIoctlBase*, UMockdevIoctlClient* client, void* self) {
    int error = 0;
    if (!static_cast<FakeIoctlNode*>(self)->ReadFails(error)) return FALSE;
    umockdev_ioctl_client_complete(client, -1, error);
    return TRUE;
}

bool FakeIoctlNode::ReadFails(int&) { return false; }

FakeInputCapabilities KeyboardCapabilities() {
    FakeInputCapabilities keyboard{.name = "Fake keyboard", .keys = {}, .relativeAxes = {}, .autoRepeat = true};
    for (unsigned code = KEY_ESC; code <= KEY_COMPOSE; ++code) keyboard.keys.push_back(code);
    keyboard.keys.push_back(KEY_PROG1);  // a key the hook does not know
    return keyboard;
}

FakeInputCapabilities MouseCapabilities() {
    return {.name = "Fake mouse",
            .keys = {BTN_LEFT, BTN_RIGHT, BTN_MIDDLE, BTN_SIDE, BTN_EXTRA},
            .relativeAxes = {REL_X, REL_Y, REL_WHEEL},
            .autoRepeat = false};
}

FakeEvdevNode::FakeEvdevNode(FakeTestbed& testbed, int number, FakeInputCapabilities capabilities)
    : FakeIoctlNode(testbed, "/dev/input/event" + std::to_string(number)), capabilities_(std::move(capabilities)) {
    Appear(EvdevRecord(number));
}

FakeEvdevNode::~FakeEvdevNode() { Detach(); }

void FakeEvdevNode::Send(const std::vector<input_event>& events) const {
    const auto length = static_cast<ssize_t>(events.size() * sizeof(input_event));
    EXPECT_EQ(write(Stream(), events.data(), static_cast<std::size_t>(length)), length);
}

void FakeEvdevNode::SetHeld(unsigned code, bool held) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (held) held_.insert(code);
    else held_.erase(code);
}

std::vector<bool> FakeEvdevNode::GrabCalls() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return grabCalls_;
}

bool FakeEvdevNode::Grabbed() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return !grabCalls_.empty() && grabCalls_.back();
}

void FakeEvdevNode::Unplug() {
    std::lock_guard<std::mutex> lock(mutex_);
    unplugged_ = true;
}

bool FakeEvdevNode::ReadFails(int& error) {
    std::lock_guard<std::mutex> lock(mutex_);
    error = ENODEV;
    return unplugged_;
}

std::vector<unsigned char> FakeEvdevNode::Bits(unsigned type) const {
    std::vector<unsigned char> bits(KEY_CNT / 8 + 1);
    if (type == 0) {
        SetBit(bits, EV_SYN);
        SetBit(bits, EV_KEY);
        if (!capabilities_.relativeAxes.empty()) SetBit(bits, EV_REL);
        if (capabilities_.autoRepeat) SetBit(bits, EV_REP);
    }
    if (type == EV_SYN) SetBit(bits, SYN_REPORT);
    if (type == EV_KEY)
        for (unsigned code : capabilities_.keys) SetBit(bits, code);
    if (type == EV_REL)
        for (unsigned code : capabilities_.relativeAxes) SetBit(bits, code);
    return bits;
}

long FakeEvdevNode::Answer(UMockdevIoctlClient* client, unsigned long request, int& error) {
    if (_IOC_TYPE(request) != 'E') return Fail(error, ENOTTY);
    std::lock_guard<std::mutex> lock(mutex_);
    switch (request) {
    case EVIOCGRAB:
        grabCalls_.push_back(ValueArgument(client) != 0);
        return unplugged_ ? Fail(error, ENODEV) : 0;
    case EVIOCSCLOCKID:
        return 0;
    case EVIOCGVERSION:
        return CopyOut(client, EV_VERSION);
    case EVIOCGID:
        return CopyOut(client, input_id{.bustype = BUS_USB, .vendor = 0x320F, .product = 0x501D, .version = 0x111});
    case EVIOCGREP: {
        const unsigned int repeat[2] = {250, 33};
        return CopyOut(client, repeat);
    }
    default:
        return AnswerVariableLength(client, request, error);
    }
}

long FakeEvdevNode::AnswerVariableLength(UMockdevIoctlClient* client, unsigned long request, int& error) const {
    const unsigned number = _IOC_NR(request);
    const std::size_t size = _IOC_SIZE(request);
    if (number >= kGetBitsFirst && number <= kGetBitsFirst + EV_MAX) {
        const std::vector<unsigned char> bits = Bits(number - kGetBitsFirst);
        return CopyOut(client, bits.data(), bits.size(), size);
    }
    std::vector<unsigned char> held(KEY_CNT / 8 + 1);
    for (unsigned code : held_) SetBit(held, code);
    const std::vector<unsigned char> none(size);
    switch (number) {
    case _IOC_NR(EVIOCGNAME(0)):
        return CopyOut(client, capabilities_.name.c_str(), capabilities_.name.size() + 1, size);
    case _IOC_NR(EVIOCGPHYS(0)):
    case _IOC_NR(EVIOCGUNIQ(0)):
        return Fail(error, ENOENT);
    case _IOC_NR(EVIOCGKEY(0)):
        return CopyOut(client, held.data(), held.size(), size);
    case _IOC_NR(EVIOCGPROP(0)):
    case _IOC_NR(EVIOCGLED(0)):
    case _IOC_NR(EVIOCGSND(0)):
    case _IOC_NR(EVIOCGSW(0)):
        return CopyOut(client, none.data(), none.size(), size);
    default:
        return Fail(error, EINVAL);
    }
}

FakeUinput::FakeUinput(FakeTestbed& testbed) : FakeIoctlNode(testbed, "/dev/uinput") {
    Appear("P: /devices/virtual/misc/uinput\nN: uinput\nE: SUBSYSTEM=misc\nE: DEVNAME=/dev/uinput\n");
}

FakeUinput::~FakeUinput() { Detach(); }

bool FakeUinput::DeviceCreated() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return created_;
}

long FakeUinput::Answer(UMockdevIoctlClient* client, unsigned long request, int& error) {
    if (_IOC_TYPE(request) != UINPUT_IOCTL_BASE) return Fail(error, ENOTTY);
    std::lock_guard<std::mutex> lock(mutex_);
    if (request == UI_GET_VERSION) return CopyOut(client, static_cast<unsigned int>(UINPUT_VERSION));
    if (_IOC_NR(request) == _IOC_NR(UI_GET_SYSNAME(0)))
        return CopyOut(client, kUinputSysName, std::strlen(kUinputSysName) + 1, _IOC_SIZE(request)) < 0 ? -1 : 0;
    if (request == UI_DEV_CREATE) created_ = true;
    if (request == UI_DEV_DESTROY) created_ = false;
    return 0;
}

std::vector<input_event> FakeUinput::KeyEventsWritten() {
    unsigned char buffer[1024];
    ssize_t length;
    while ((length = read(Stream(), buffer, sizeof buffer)) > 0) written_.insert(written_.end(), buffer, buffer + length);
    std::vector<input_event> keys;
    for (std::size_t offset = 0; offset + sizeof(input_event) <= written_.size(); offset += sizeof(input_event)) {
        input_event event;
        std::memcpy(&event, written_.data() + offset, sizeof event);
        if (event.type != EV_SYN) keys.push_back(event);
    }
    return keys;
}

}  // namespace kx58test
