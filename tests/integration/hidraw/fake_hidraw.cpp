#include "integration/hidraw/fake_hidraw.h"

#include <fcntl.h>
#include <termios.h>
#include <umockdev.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include <gtest/gtest.h>

namespace kx58test {
namespace {

constexpr std::size_t kQueuedReportsPerHandle = 64;  // what hidraw keeps for one handle
constexpr int kHidrawMajor = 241;
constexpr const char* kHostController = "/sys/devices/pci0000:00/0000:00:14.0";
constexpr const char* kUsbPort = "1-2";

std::string Hex(std::span<const std::uint8_t> bytes) {
    std::string text;
    char digits[3];
    for (std::uint8_t byte : bytes) {
        std::snprintf(digits, sizeof digits, "%02X", byte);
        text += digits;
    }
    return text;
}

std::string Hex4(unsigned value) {
    char digits[5];
    std::snprintf(digits, sizeof digits, "%04X", value & 0xFFFF);
    return digits;
}

std::string Lower4(unsigned value) {
    char digits[5];
    std::snprintf(digits, sizeof digits, "%04x", value & 0xFFFF);
    return digits;
}

// A umockdev record paragraph: the path without "/sys", then its lines.
std::string Paragraph(const std::string& syspath, const std::vector<std::string>& lines) {
    std::string text = "P: " + syspath.substr(4) + "\n";
    for (const std::string& line : lines) text += line + "\n";
    return text + "\n";
}

void MakeRaw(int fd) {
    termios raw{};
    if (tcgetattr(fd, &raw) == 0) {
        cfmakeraw(&raw);
        tcsetattr(fd, TCSANOW, &raw);
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
}

}  // namespace

// The firmware's side while it handles one written report.
class FakeHidrawProduct::WriteLink final : public devsim::DeviceLink {
public:
    explicit WriteLink(FakeHidrawProduct& owner) : owner_(owner) {}
    bool SendInput(std::uint8_t interfaceNumber, std::span<const std::uint8_t> report) override {
        return owner_.SendInput(interfaceNumber, report);
    }
    void RequestUnplug() override { unplugRequested = true; }
    bool unplugRequested = false;

private:
    FakeHidrawProduct& owner_;
};

FakeHidrawProduct::FakeHidrawProduct(UMockdevTestbed* testbed, std::shared_ptr<devsim::FirmwareProduct> firmware,
                                     int firstNode)
    : testbed_(testbed), firmware_(std::move(firmware)), usbDevice_(std::string(kHostController) + "/usb1/" + kUsbPort) {
    const devsim::ProductSpec& spec = firmware_->Spec();
    int number = firstNode;
    for (const devsim::InterfaceSpec& interface : spec.interfaces) {
        auto node = std::make_unique<Node>();
        node->owner = this;
        node->interfaceNumber = interface.number;
        node->devnode = "/dev/hidraw" + std::to_string(number);
        node->syspath = usbDevice_ + "/" + kUsbPort + ":1." + std::to_string(interface.number) + "/0003:" +
                        Hex4(spec.vendorId) + ":" + Hex4(spec.productId) + "." + Hex4(number + 1) +
                        "/hidraw/hidraw" + std::to_string(number);
        ++number;
        Attach(*node);
        nodes_.push_back(std::move(node));
    }
    firmware_->SetInputSink([this](std::uint8_t interfaceNumber, std::span<const std::uint8_t> report) {
        return SendInput(interfaceNumber, report);
    });
    GError* error = nullptr;
    EXPECT_TRUE(umockdev_testbed_add_from_string(testbed_, Records(usbDevice_).c_str(), &error));
    g_clear_error(&error);
    for (auto& node : nodes_) {
        node->doorbell = umockdev_testbed_get_dev_fd(testbed_, node->devnode.c_str());
        EXPECT_GE(node->doorbell, 0) << node->devnode;
        if (node->doorbell >= 0) MakeRaw(node->doorbell);
    }
}

FakeHidrawProduct::~FakeHidrawProduct() {
    firmware_->DetachInput();
    for (auto& node : nodes_) Detach(*node);
}

// The sysfs tree of the product, parents first, with the attributes the backend reads and
// those a real kernel puts beside them.
std::string FakeHidrawProduct::Records(const std::string& usbDevice) const {
    const devsim::ProductSpec& spec = firmware_->Spec();
    std::string text = Paragraph(kHostController, {"E: SUBSYSTEM=pci", "E: DRIVER=xhci_hcd", "E: PCI_CLASS=C0330"});
    text += Paragraph(usbDevice, {"E: SUBSYSTEM=usb", "E: DEVTYPE=usb_device", "E: DEVNAME=/dev/bus/usb/001/002",
                                  "E: PRODUCT=" + Lower4(spec.vendorId) + "/" + Lower4(spec.productId) + "/100",
                                  "A: idVendor=" + Lower4(spec.vendorId), "A: idProduct=" + Lower4(spec.productId),
                                  "A: bcdDevice=" + Lower4(spec.version), "A: product=" + spec.productString,
                                  "A: busnum=1", "A: devnum=2", "A: dev=189:1"});
    for (std::size_t i = 0; i < spec.interfaces.size(); ++i) {
        const devsim::InterfaceSpec& interface = spec.interfaces[i];
        const Node& node = *nodes_[i];
        const std::string hidraw = node.syspath;
        const std::string hid = hidraw.substr(0, hidraw.rfind("/hidraw/"));
        const std::string usbInterface = hid.substr(0, hid.rfind('/'));
        const std::string name = hidraw.substr(hidraw.rfind('/') + 1);
        const int minor = std::stoi(name.substr(6));
        char number[3];
        std::snprintf(number, sizeof number, "%02x", interface.number);
        text += Paragraph(usbInterface, {"E: SUBSYSTEM=usb", "E: DEVTYPE=usb_interface", "E: DRIVER=usbhid",
                                         "E: INTERFACE=3/0/0", std::string("A: bInterfaceNumber=") + number,
                                         "A: bInterfaceClass=03"});
        text += Paragraph(hid, {"E: SUBSYSTEM=hid", "E: DRIVER=hid-generic",
                                "E: HID_ID=0003:0000" + Hex4(spec.vendorId) + ":0000" + Hex4(spec.productId),
                                "E: HID_NAME=" + spec.productString,
                                "E: HID_PHYS=usb-0000:00:14.0-2/input" + std::to_string(interface.number),
                                "E: MODALIAS=hid:b0003g0001v0000" + Hex4(spec.vendorId) + "p0000" + Hex4(spec.productId),
                                "H: report_descriptor=" + Hex(interface.descriptor)});
        text += Paragraph(hidraw, {"N: " + name, "E: SUBSYSTEM=hidraw", "E: DEVNAME=/dev/" + name,
                                   "E: MAJOR=" + std::to_string(kHidrawMajor), "E: MINOR=" + std::to_string(minor),
                                   "A: dev=" + std::to_string(kHidrawMajor) + ":" + std::to_string(minor)});
    }
    return text;
}

// Attached before the node appears, so that a reader woken by its creation is answered.
void FakeHidrawProduct::Attach(Node& node) {
    node.handler = umockdev_ioctl_base_new();
    g_signal_connect(node.handler, "handle-read", G_CALLBACK(&FakeHidrawProduct::OnRead), &node);
    g_signal_connect(node.handler, "handle-write", G_CALLBACK(&FakeHidrawProduct::OnWrite), &node);
    GError* error = nullptr;
    EXPECT_TRUE(umockdev_testbed_attach_ioctl(testbed_, node.devnode.c_str(), node.handler, &error));
    g_clear_error(&error);
}

void FakeHidrawProduct::Detach(Node& node) {
    umockdev_testbed_detach_ioctl(testbed_, node.devnode.c_str(), nullptr);
    g_signal_handlers_disconnect_by_data(node.handler, &node);
    g_object_unref(node.handler);
    node.handler = nullptr;
}

FakeHidrawProduct::Node* FakeHidrawProduct::Find(std::uint8_t interfaceNumber) {
    for (auto& node : nodes_)
        if (node->interfaceNumber == interfaceNumber) return node.get();
    return nullptr;
}

const FakeHidrawProduct::Node* FakeHidrawProduct::Find(std::uint8_t interfaceNumber) const {
    return const_cast<FakeHidrawProduct*>(this)->Find(interfaceNumber);
}

std::string FakeHidrawProduct::NodeOf(std::uint8_t interfaceNumber) const {
    const Node* node = Find(interfaceNumber);
    return node ? node->devnode : std::string();
}

bool FakeHidrawProduct::SendInput(std::uint8_t interfaceNumber, std::span<const std::uint8_t> report) {
    std::lock_guard lock(mutex_);
    Node* node = Find(interfaceNumber);
    if (unplugged_ || !node || node->input.size() >= kQueuedReportsPerHandle) return false;
    node->input.emplace_back(report.begin(), report.end());
    Ring(*node);
    return true;
}

std::vector<std::vector<std::uint8_t>> FakeHidrawProduct::Written(std::uint8_t interfaceNumber) const {
    std::lock_guard lock(mutex_);
    const Node* node = Find(interfaceNumber);
    return node ? node->written : std::vector<std::vector<std::uint8_t>>();
}

void FakeHidrawProduct::Ring(const Node& node) const {
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = write(node.doorbell, &byte, 1);  // a full terminal still rings
}

bool FakeHidrawProduct::MarkUnplugged() {
    std::lock_guard lock(mutex_);
    if (unplugged_) return false;
    unplugged_ = true;
    for (auto& node : nodes_) {
        node->input.clear();
        Ring(*node);  // a reader waiting in poll wakes to its failing read
    }
    return true;
}

// Children first: removing a device takes away its own /dev node only.
void FakeHidrawProduct::Unplug() {
    if (!MarkUnplugged()) return;
    for (auto& node : nodes_) umockdev_testbed_remove_device(testbed_, node->syspath.c_str());
    umockdev_testbed_remove_device(testbed_, usbDevice_.c_str());
}

void FakeHidrawProduct::UnplugWithRemoveEvents() {
    if (!MarkUnplugged()) return;
    for (auto node = nodes_.rbegin(); node != nodes_.rend(); ++node) {
        umockdev_testbed_uevent(testbed_, (*node)->syspath.c_str(), "remove");
        umockdev_testbed_remove_device(testbed_, (*node)->syspath.c_str());
    }
    umockdev_testbed_remove_device(testbed_, usbDevice_.c_str());
}

bool FakeHidrawProduct::Unplugged() const {
    std::lock_guard lock(mutex_);
    return unplugged_;
}

long FakeHidrawProduct::AnswerRead(Node& node, UMockdevIoctlClient* client, int& error) {
    std::lock_guard lock(mutex_);
    if (unplugged_) {
        error = EIO;
        return -1;
    }
    // The client's own read empties the terminal; the queue decides what it gets.
    int readError = 0;
    umockdev_ioctl_client_execute(client, &readError, nullptr);
    if (node.input.empty()) {
        error = EAGAIN;
        return -1;
    }
    std::vector<std::uint8_t> report = std::move(node.input.front());
    node.input.pop_front();
    if (!node.input.empty()) Ring(node);
    UMockdevIoctlData* buffer = umockdev_ioctl_client_get_arg(client);
    const int length = static_cast<int>(std::min<std::size_t>(report.size(), static_cast<std::size_t>(buffer->data_len)));
    umockdev_ioctl_data_update(buffer, 0, report.data(), length);
    return length;
}

long FakeHidrawProduct::AnswerWrite(Node& node, UMockdevIoctlClient* client, int& error) {
    const UMockdevIoctlData* buffer = umockdev_ioctl_client_get_arg(client);
    const std::vector<std::uint8_t> report(buffer->data, buffer->data + buffer->data_len);
    {
        std::lock_guard lock(mutex_);
        if (unplugged_) {
            error = ENODEV;
            return -1;
        }
        node.written.push_back(report);
    }
    WriteLink link(*this);
    firmware_->OnOutputReport(link, {node.interfaceNumber, 0, node.devnode}, report);
    // The report went out; the device leaves before it answers.
    if (link.unplugRequested) Unplug();
    return static_cast<long>(report.size());
}

int FakeHidrawProduct::Complete(void* node, UMockdevIoctlClient* client, Answer answer) {
    Node& self = *static_cast<Node*>(node);
    int error = 0;
    const long result = (self.owner->*answer)(self, client, error);
    umockdev_ioctl_client_complete(client, result, result < 0 ? error : 0);
    return TRUE;
}

int FakeHidrawProduct::OnRead(UMockdevIoctlBase*, UMockdevIoctlClient* client, void* node) {
    return Complete(node, client, &FakeHidrawProduct::AnswerRead);
}

int FakeHidrawProduct::OnWrite(UMockdevIoctlBase*, UMockdevIoctlClient* client, void* node) {
    return Complete(node, client, &FakeHidrawProduct::AnswerWrite);
}

}  // namespace kx58test
