// The main window as a hostile process of the same user meets it through the session bus:
// every number not meant for outside, with pointer-like parameters, while idle connections
// are held open.
#include <dirent.h>

#include "integration/app/main_window_fixture.h"
#include "platform/folders.h"
#include "ui/app_messages.h"
#include "unit/platform/peer_process.h"

namespace kx58test {
namespace {

using namespace kx58;

std::size_t OpenDescriptorCount() {
    std::size_t count = 0;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (readdir(dir)) ++count;
        closedir(dir);
    }
    return count;
}

TEST_F(MainWindowTest, AnotherProcessReachesOnlyTheOutsideMessagesAndIdleConnectionsHoldNothingUp) {
    ASSERT_TRUE(rack->Plug("kb"));
    OpenWindow();
    ASSERT_TRUE(RunUntil([&] { return TabShown("keyboard"); }));
    const std::vector<DevicePage> pagesBefore = window->Pages();
    const std::size_t descriptorsBefore = OpenDescriptorCount();
    ASSERT_TRUE(window->IsLightingControlOn());

    // More idle connections than the listen backlog holds, then every other number, then a
    // legitimate send that must get through at once.
    std::vector<std::string> args = {"barrage", kMainWindowClass, kAppName, "70",
                                     std::to_string(Messages().UWM_LIGHT_CONTROL_MSG), "1", "0"};
    for (UINT message : OutsideMessages(Messages(), RegisteredHookMessages())) args.push_back(std::to_string(message));
    auto peer = std::make_unique<PeerProcess>(args);
    std::string barrage, sent;
    ASSERT_TRUE(RunUntil(
        [&] {
            if (auto line = peer->ReadLine(std::chrono::milliseconds(5))) {
                if (line->starts_with("barrage")) barrage = *line;
                if (line->starts_with("sent")) sent = *line;
            }
            return !sent.empty();
        },
        180000));
    std::printf("peer: %s; %s\n", barrage.c_str(), sent.c_str());  // the figure of the final send
    EXPECT_EQ(barrage, "barrage done 0");  // every refused send is answered 0
    // The peer's send returned only after the window had acted on it.
    EXPECT_FALSE(window->IsLightingControlOn());

    ui::HeadlessBackend::Get()->RunUntilIdle();  // what was posted has been looked at
    EXPECT_TRUE(IsWindow(window->GetHWND()));
    ASSERT_EQ(window->Pages().size(), pagesBefore.size());
    for (std::size_t i = 0; i < pagesBefore.size(); ++i) EXPECT_EQ(window->Pages()[i].device, pagesBefore[i].device);
    EXPECT_TRUE(TabShown("keyboard"));
    EXPECT_TRUE(Page("keyboard").device->CommandChannel().IsConnected());
    EXPECT_GT(TraceCount("session bus: message"), 0u);

    peer->CloseInput();
    peer->Wait();
    peer.reset();  // its pipes are no descriptors of the window
    EXPECT_TRUE(RunUntil([&] { return OpenDescriptorCount() <= descriptorsBefore; }, 10000))
        << OpenDescriptorCount() << " descriptors open, " << descriptorsBefore << " before";
}

}  // namespace
}  // namespace kx58test
