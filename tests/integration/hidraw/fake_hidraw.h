#pragma once
// A simulated product's hidraw nodes faked with umockdev, laid out as the kernel shows a USB
// HID device: below a PCI host controller the usb_device (idVendor, idProduct, bcdDevice), per
// interface a usb_interface (bInterfaceNumber), its hid device (HID_ID, HID_NAME,
// report_descriptor) and the hidraw child whose /dev node the program opens. The test program
// runs under umockdev's preload.
//
// A node behaves as hidraw does: one write is one output report, handed to the product's
// firmware; one read takes one queued input report, or fails with EAGAIN when none waits.
// At most 64 input reports wait; a new one is dropped while the queue is full. Reads and
// writes are answered on umockdev's ioctl thread. poll() sees the pseudo-terminal under the
// node, so the node keeps a byte in it while reports wait; every read drains it and puts one
// back while more wait. Every open handle of a node takes from its one queue, so one handle
// at a time reads it (hidraw gives each handle a copy).
//
// Unplugging removes the devices from sysfs, wakes a waiting poll, and fails reads (EIO) and
// writes (ENODEV) from then on, as the kernel does for a handle still open on a vanished node.
// Adding the devices makes umockdev send their "add" uevents, parents first, as udev does;
// removing them sends nothing unless the test unplugs with the "remove" events.
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "devsim/firmware_product.h"

typedef struct _UMockdevTestbed UMockdevTestbed;
typedef struct _UMockdevIoctlBase UMockdevIoctlBase;
typedef struct _UMockdevIoctlClient UMockdevIoctlClient;

namespace kx58test {

class FakeHidrawProduct {
public:
    // Nodes /dev/hidraw<firstNode> on, one per interface of the product, in its order.
    FakeHidrawProduct(UMockdevTestbed* testbed, std::shared_ptr<devsim::FirmwareProduct> firmware, int firstNode);
    ~FakeHidrawProduct();
    FakeHidrawProduct(const FakeHidrawProduct&) = delete;
    FakeHidrawProduct& operator=(const FakeHidrawProduct&) = delete;

    // The /dev node of an interface; empty when the product has no such interface.
    std::string NodeOf(std::uint8_t interfaceNumber) const;
    // Queues an input report (report id first where the interface uses ids) on the
    // interface's node; false when the queue is full or the product was unplugged.
    bool SendInput(std::uint8_t interfaceNumber, std::span<const std::uint8_t> report);
    // The output reports written to the node so far.
    std::vector<std::vector<std::uint8_t>> Written(std::uint8_t interfaceNumber) const;
    void Unplug();
    bool Unplugged() const;
    // Unplugs with the "remove" event of each hidraw node. umockdev builds an event from a
    // device still in sysfs, so each goes out just before its node leaves, the last node
    // first: every event after the first follows the removal of a node.
    void UnplugWithRemoveEvents();

private:
    struct Node {
        FakeHidrawProduct* owner = nullptr;
        std::uint8_t interfaceNumber = 0;
        std::string devnode;
        std::string syspath;
        UMockdevIoctlBase* handler = nullptr;
        int doorbell = -1;  // master side of the node's pseudo-terminal
        std::deque<std::vector<std::uint8_t>> input;
        std::vector<std::vector<std::uint8_t>> written;
    };
    class WriteLink;

    std::string Records(const std::string& usbDevice) const;
    void Attach(Node& node);
    void Detach(Node& node);
    // Marks the product gone and wakes the nodes' readers; false when it was gone already.
    bool MarkUnplugged();
    Node* Find(std::uint8_t interfaceNumber);
    const Node* Find(std::uint8_t interfaceNumber) const;
    // Caller holds the mutex.
    void Ring(const Node& node) const;
    using Answer = long (FakeHidrawProduct::*)(Node& node, UMockdevIoctlClient* client, int& error);
    long AnswerRead(Node& node, UMockdevIoctlClient* client, int& error);
    long AnswerWrite(Node& node, UMockdevIoctlClient* client, int& error);
    // Completes the client's call with the answer's result, or -1 and its errno.
    static int Complete(void* node, UMockdevIoctlClient* client, Answer answer);

    static int OnRead(UMockdevIoctlBase*, UMockdevIoctlClient* client, void* node);
    static int OnWrite(UMockdevIoctlBase*, UMockdevIoctlClient* client, void* node);

    UMockdevTestbed* testbed_;
    std::shared_ptr<devsim::FirmwareProduct> firmware_;
    std::string usbDevice_;
    mutable std::mutex mutex_;  // the nodes' queues and written reports, the unplugged flag
    std::vector<std::unique_ptr<Node>> nodes_;
    bool unplugged_ = false;
};

}  // namespace kx58test
