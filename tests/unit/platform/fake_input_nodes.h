#pragma once
// Input nodes faked with umockdev; the test program runs under its preload, which shows the
// testbed's /dev and /sys instead of the real ones. An evdev node answers the ioctls libevdev
// asks from a small device model and carries the events the test writes; /dev/uinput accepts
// a device and lets the test read back what was written to it. The ioctls are answered on
// umockdev's own thread, so each node keeps its state under a lock.
#include <linux/input.h>

#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

typedef struct _UMockdevTestbed UMockdevTestbed;
typedef struct _UMockdevIoctlBase UMockdevIoctlBase;
typedef struct _UMockdevIoctlClient UMockdevIoctlClient;

namespace kx58test {

// True when the umockdev preload is active in this process.
bool UmockdevPreloaded();

class FakeTestbed {
public:
    FakeTestbed();
    ~FakeTestbed();
    FakeTestbed(const FakeTestbed&) = delete;
    FakeTestbed& operator=(const FakeTestbed&) = delete;
    UMockdevTestbed* Get() const { return testbed_; }

private:
    UMockdevTestbed* testbed_ = nullptr;
};

input_event MakeEvent(unsigned type, unsigned code, int value, long seconds = 0, long microseconds = 0);

// A node of the testbed with an ioctl handler; the test holds the other end of its stream.
class FakeIoctlNode {
public:
    virtual ~FakeIoctlNode();
    FakeIoctlNode(const FakeIoctlNode&) = delete;
    FakeIoctlNode& operator=(const FakeIoctlNode&) = delete;

protected:
    FakeIoctlNode(FakeTestbed& testbed, std::string devnode);
    // Creates the node, described in umockdev's text format; each derived constructor calls
    // it last, as a reader may open the node and ask its ioctls at once.
    void Appear(const std::string& record);
    // Answers one ioctl: its result, with `error` set when the result is -1.
    virtual long Answer(UMockdevIoctlClient* client, unsigned long request, int& error) = 0;
    // True, with `error` set, when a read of the node fails; otherwise it reads the stream.
    virtual bool ReadFails(int& error);
    // Stops the answers; each derived destructor calls it before its state goes.
    void Detach();
    int Stream() const { return stream_; }

private:
    static int OnIoctl(UMockdevIoctlBase* handler, UMockdevIoctlClient* client, void* self);
    static int OnRead(UMockdevIoctlBase* handler, UMockdevIoctlClient* client, void* self);

    FakeTestbed& testbed_;
    std::string devnode_;
    UMockdevIoctlBase* handler_ = nullptr;
    int stream_ = -1;
};

struct FakeInputCapabilities {
    std::string name;
    std::vector<unsigned> keys;
    std::vector<unsigned> relativeAxes;
    bool autoRepeat = false;
};
FakeInputCapabilities KeyboardCapabilities();
FakeInputCapabilities MouseCapabilities();

class FakeEvdevNode final : public FakeIoctlNode {
public:
    // Adds /dev/input/event<number>.
    FakeEvdevNode(FakeTestbed& testbed, int number, FakeInputCapabilities capabilities);
    ~FakeEvdevNode() override;

    // Events as the kernel queues them for the reader, in one write.
    void Send(const std::vector<input_event>& events) const;
    // The key state the node reports when asked (at open and after dropped events).
    void SetHeld(unsigned code, bool held);
    // Every EVIOCGRAB in order: true to grab, false to release.
    std::vector<bool> GrabCalls() const;
    bool Grabbed() const;
    // From now on reads and ioctls fail as on a device pulled out.
    void Unplug();

private:
    long Answer(UMockdevIoctlClient* client, unsigned long request, int& error) override;
    bool ReadFails(int& error) override;
    long AnswerVariableLength(UMockdevIoctlClient* client, unsigned long request, int& error) const;
    std::vector<unsigned char> Bits(unsigned type) const;

    const FakeInputCapabilities capabilities_;
    mutable std::mutex mutex_;
    std::set<unsigned> held_;
    std::vector<bool> grabCalls_;
    bool unplugged_ = false;
};

class FakeUinput final : public FakeIoctlNode {
public:
    explicit FakeUinput(FakeTestbed& testbed);
    ~FakeUinput() override;
    bool DeviceCreated() const;
    // The events written to the created device so far, without the SYN reports.
    std::vector<input_event> KeyEventsWritten();

private:
    long Answer(UMockdevIoctlClient* client, unsigned long request, int& error) override;

    mutable std::mutex mutex_;
    bool created_ = false;
    std::vector<unsigned char> written_;
};

}  // namespace kx58test
