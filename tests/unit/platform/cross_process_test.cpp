#include <gtest/gtest.h>

#include <csignal>
#include <dirent.h>
#include <set>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "platform/folders.h"
#include "platform/message_queue.h"
#include "platform/named_mutex.h"
#include "platform/registered_messages.h"
#include "platform/session_bus.h"
#include "support/temp_dir.h"
#include "support/wait_until.h"
#include "unit/platform/peer_process.h"

using namespace kx58;

namespace {

HWND ReadyWindow(PeerProcess& peer) {
    const auto line = peer.ReadLine();
    if (!line || line->rfind("ready ", 0) != 0) return nullptr;
    return reinterpret_cast<HWND>(std::stoull(line->substr(6)));
}

std::uint32_t Checksum(const std::string& data) {
    std::uint32_t sum = 2166136261u;
    for (unsigned char c : data) sum = (sum ^ c) * 16777619u;
    return sum;
}

size_t BusEntries() {
    size_t count = 0;
    DIR* dir = opendir((Folders::Runtime() + "bus").c_str());
    if (!dir) return 0;
    while (dirent* item = readdir(dir)) count += item->d_name[0] != '.';
    closedir(dir);
    return count;
}

}  // namespace

TEST(RegisteredMessages, SameNameSameNumberInEveryProcessOtherNamesDiffer) {
    kx58test::IsolatedSession session;
    const UINT here = RegisterWindowMessage("KX58RGBVs Device");
    ASSERT_GE(here, kRegisteredMessageFirst);
    ASSERT_LE(here, kRegisteredMessageLast);
    EXPECT_EQ(RegisterWindowMessage("KX58RGBVs Device"), here);

    PeerProcess peer({"register", "{4695579F-999A-41d4-9FAF-EFFCE93EBF15}", "KX58RGBVs Device",
                      "UWM_MOUSERBUTTONDOWN_USER_MSG", "UWM_MOUSERBUTTONDOWN_USER_MSG"});
    const UINT guid = std::stoul(peer.ReadLine().value_or("0"));
    EXPECT_EQ(std::stoul(peer.ReadLine().value_or("0")), here);
    const UINT mouse = std::stoul(peer.ReadLine().value_or("0"));
    EXPECT_EQ(std::stoul(peer.ReadLine().value_or("0")), mouse);  // registered twice: one number
    EXPECT_EQ(peer.Wait(), 0);

    std::set<UINT> distinct = {here, guid, mouse};
    EXPECT_EQ(distinct.size(), 3u);
    EXPECT_EQ(RegisterWindowMessage("{4695579F-999A-41d4-9FAF-EFFCE93EBF15}"), guid);  // from the peer's entry
    EXPECT_EQ(RegisterWindowMessage(""), 0u);
    EXPECT_EQ(RegisterWindowMessage("two\nlines"), 0u);
}

TEST(RegisteredMessages, TornTableLineKeepsNumbersStable) {
    kx58test::IsolatedSession session;
    kx58test::WriteWholeFile(Folders::Runtime() + "messages.txt", "first\nsecond\nhalf-writ");
    EXPECT_EQ(RegisterWindowMessage("second"), kRegisteredMessageFirst + 1);
    EXPECT_EQ(RegisterWindowMessage("third"), kRegisteredMessageFirst + 3);
    EXPECT_NE(RegisterWindowMessage("half-writ"), kRegisteredMessageFirst + 3);
}

TEST(SessionBus, FindWindowByClassAndTitleAndNotAfterItsOwnerDied) {
    kx58test::IsolatedSession session;
    PeerProcess audio({"window", "KX58RGBVs DeviceAudioRecord", "KX58RGBVs DeviceAUDIORECORD"});
    const HWND remote = ReadyWindow(audio);
    ASSERT_NE(remote, nullptr);
    EXPECT_EQ(HwndProcessId(remote), audio.Pid());

    EXPECT_EQ(FindWindow("KX58RGBVs DeviceAudioRecord", "KX58RGBVs DeviceAUDIORECORD"), remote);
    EXPECT_EQ(FindWindow(std::nullopt, "KX58RGBVs DeviceAUDIORECORD"), remote);
    EXPECT_EQ(FindWindow("KX58RGBVs DeviceAudioRecord", std::nullopt), remote);
    EXPECT_EQ(FindWindow("KX58RGBVs DeviceAudioRecord", "WorkTool"), nullptr);
    EXPECT_EQ(FindWindow("other", "KX58RGBVs DeviceAUDIORECORD"), nullptr);
    EXPECT_TRUE(IsWindow(remote));

    audio.Kill(SIGKILL);
    audio.Wait();
    EXPECT_FALSE(IsWindow(remote));
    EXPECT_EQ(FindWindow("KX58RGBVs DeviceAudioRecord", std::nullopt), nullptr);
    EXPECT_EQ(BusEntries(), 0u);  // the dead window's entry was cleaned away
    EXPECT_EQ(SendMessage(remote, WM_USER, 1, 2), 0);
    EXPECT_FALSE(PostMessage(remote, WM_USER, 1, 2));
}

TEST(SessionBus, CrossProcessSendPostAndCopyDataArriveIntact) {
    kx58test::IsolatedSession session;
    PeerProcess peer({"window", "WorkToolClass", "WorkTool"});
    const HWND remote = ReadyWindow(peer);
    ASSERT_NE(remote, nullptr);

    EXPECT_EQ(SendMessage(remote, WM_USER + 5, 40, 1), 42);
    EXPECT_EQ(peer.ReadLine(), "message 1029 40 1");
    EXPECT_TRUE(PostMessage(remote, WM_USER + 6, 7, -3));
    EXPECT_EQ(peer.ReadLine(), "message 1030 7 -3");

    std::string block(2000, '\0');
    for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i * 7 + 3);
    COPYDATASTRUCT copy{1, static_cast<DWORD>(block.size()), block.data()};
    EXPECT_EQ(static_cast<std::uint32_t>(SendMessage(remote, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&copy))),
              Checksum(block));
    EXPECT_EQ(peer.ReadLine(), "copydata 1 2000");

    // Too large a block is refused here, never truncated on the way.
    std::string huge(kMaxCopyDataBytes + 1, 'x');
    COPYDATASTRUCT tooBig{2, static_cast<DWORD>(huge.size()), huge.data()};
    EXPECT_EQ(SendMessage(remote, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&tooBig)), 0);
    EXPECT_FALSE(PostMessage(remote, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&copy)));

    SendMessage(remote, WM_CLOSE, 0, 0);
    EXPECT_EQ(peer.Wait(), 0);
}

TEST(SessionBus, MalformedAndOversizedFramesAreDroppedWithoutHarm) {
    kx58test::IsolatedSession session;
    PeerProcess peer({"window", "c", "t"});
    const HWND remote = ReadyWindow(peer);
    ASSERT_NE(remote, nullptr);
    const std::string path = Folders::Runtime() + "bus/" + std::to_string(peer.Pid()) + "." +
                             std::to_string(reinterpret_cast<std::uintptr_t>(remote) & 0xFFFFFF) + ".sock";
    const std::vector<std::string> garbage = {std::string(3, 'x'), std::string(44, '\0'), std::string(300000, 'K'),
                                              std::string("KX58") + std::string(100, '\xff')};
    for (const auto& bytes : garbage) {
        const int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
        ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        close(fd);
    }
    // Still alive and answering, and none of the garbage was delivered as a message.
    EXPECT_EQ(SendMessage(remote, WM_USER, 1, 1), 3);
    EXPECT_EQ(peer.ReadLine(), "message 1024 1 1");
}

TEST(SessionBus, BroadcastFromOneProcessReachesWindowsInOthers) {
    kx58test::IsolatedSession session;
    const UINT instance = RegisterWindowMessage("KX58RGBVs Device");
    PeerProcess running({"window", "main", "KX58RGBVs Device"});
    ASSERT_NE(ReadyWindow(running), nullptr);

    // A local reachable window gets it too.
    std::vector<std::pair<WPARAM, LPARAM>> localSeen;
    MessageWindow local([&](UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (message == instance) localSeen.emplace_back(wParam, lParam);
        return 0;
    });
    ASSERT_TRUE(local.MakeReachable("local", "here"));

    PeerProcess second({"broadcast", "KX58RGBVs Device", "0", "1"});
    EXPECT_EQ(second.ReadLine(), "reached 2");
    EXPECT_EQ(running.ReadLine(), "message " + std::to_string(instance) + " 0 1");
    ASSERT_TRUE(kx58test::WaitUntil([&] {
        MessageQueue::ForCurrentThread()->DispatchPending();
        return !localSeen.empty();
    }));
    EXPECT_EQ(localSeen.front(), std::make_pair(WPARAM{0}, LPARAM{1}));
}

TEST(NamedMutex, HeldBySecondProcessAndFreeAfterItIsKilled) {
    kx58test::IsolatedSession session;
    EXPECT_FALSE(NamedMutex::Exists("KX58RGBVs Device"));
    PeerProcess holder({"mutex", "KX58RGBVs Device"});
    ASSERT_EQ(holder.ReadLine(), "held");
    EXPECT_TRUE(NamedMutex::Exists("KX58RGBVs Device"));
    {
        NamedMutex second("KX58RGBVs Device");
        EXPECT_FALSE(second.Owned());
        EXPECT_TRUE(second.AlreadyExists());
    }
    EXPECT_FALSE(NamedMutex::Exists("KX58RGBVs DeviceAudioRecord"));  // names are distinct

    holder.Kill(SIGKILL);
    holder.Wait();
    EXPECT_FALSE(NamedMutex::Exists("KX58RGBVs Device"));
    NamedMutex mine("KX58RGBVs Device");
    EXPECT_TRUE(mine.Owned());
    EXPECT_FALSE(mine.AlreadyExists());
    PeerProcess late({"mutex", "KX58RGBVs Device"});
    EXPECT_EQ(late.ReadLine(), "exists");
    mine.Release();
    EXPECT_FALSE(NamedMutex::Exists("KX58RGBVs Device"));
}
