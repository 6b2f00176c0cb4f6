#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "platform/registered_messages.h"
#include "support/temp_dir.h"
#include "ui/app_messages.h"

using namespace kx58;

TEST(AppMessages, RegisteredInOrderWithTheRepeatedMouseNameSharingOneNumber) {
    kx58test::IsolatedSession session;  // a fresh table: numbers follow registration order
    const auto& app = RegisterAppMessages();
    EXPECT_EQ(app.UWM_APP_INSTANCE_MSG, kRegisteredMessageFirst);
    EXPECT_EQ(app.UWM_SETWND_RELAY_MSG, kRegisteredMessageFirst + 1);
    EXPECT_EQ(app.UWM_AUDIORECORD_CMD_MSG, kRegisteredMessageFirst + 5);
    EXPECT_EQ(Messages().UWM_WORKTOOL_QUERY_MSG, RegisterWindowMessage("{4695579F-999A-41d4-9FAF-EFFCE93EBF18}"));
    // The audio program's name ends in EBE19, not EBF19.
    EXPECT_NE(app.UWM_AUDIORECORD_CMD_MSG, RegisterWindowMessage("{4695579F-999A-41d4-9FAF-EFFCE93EBF19}"));

    const auto& hook = RegisteredHookMessages();
    EXPECT_EQ(hook.UWM_MOUSERBUTTONDOWN_USER_MSG, hook.UWM_MOUSERBUTTONDOWN_USER_MSG_AGAIN);
    std::set<UINT> distinct;
    for (const char* name : HookMessageNames()) distinct.insert(RegisterWindowMessage(name));
    EXPECT_EQ(distinct.size(), 23u);
    EXPECT_EQ(hook.Game_Death, RegisterWindowMessage("Game_Death"));
    EXPECT_EQ(hook.WM_HOOK_KEY_MSMACROLATER_MSG, RegisterWindowMessage("WM_HOOK_KEY_MSMACROLATER_MSG"));
}

TEST(AppMessages, HookModeFlagsPickTheirMessages) {
    const auto& hook = RegisteredHookMessages();
    EXPECT_EQ(HookMessageForMode(1), hook.WM_HOOK_KEY_SINGLEKEY_MSG);
    EXPECT_EQ(HookMessageForMode(8), hook.WM_HOOK_KEY_KBMACROPREVIOUS_MSG);
    EXPECT_EQ(HookMessageForMode(16), hook.WM_HOOK_KEY_KBMACROLATER_MSG);
    EXPECT_EQ(HookMessageForMode(32), hook.WM_HOOK_KEY_KBMACROSINGLE_MSG);
    EXPECT_EQ(HookMessageForMode(1024), hook.WM_HOOK_MOU_KBMACRO_MSG);
    EXPECT_EQ(HookMessageForMode(64), 0u);
    EXPECT_EQ(HookMessageForMode(3), 0u);
}

TEST(AppMessages, WorkToolReportLayoutAndOverflow) {
    const auto read = [](const std::vector<std::uint8_t>& report, size_t index) {
        std::uint32_t value;
        std::memcpy(&value, report.data() + index * 4, 4);
        return value;
    };
    const auto report = BuildWorkToolReport({1, 0, 4, 0x0104},
                                            {{0x320F, 0x221C, 2}, {0x320F, 0x501D, 1}, {0x320F, 0x1004, 3}, {0x0C76, 0x1630, 7}});
    ASSERT_EQ(report.size(), 1024u);
    EXPECT_EQ(read(report, 3), 0x0104u);
    EXPECT_EQ(read(report, 4), 4u);
    EXPECT_EQ(read(report, 5), 0x320Fu);
    EXPECT_EQ(read(report, 6), 0x221Cu);
    EXPECT_EQ(read(report, 7), 2u);
    EXPECT_EQ(read(report, 14), 0x0C76u);
    EXPECT_EQ(read(report, 16), 7u);
    for (size_t i = 17; i < 256; ++i) ASSERT_EQ(read(report, i), 0u);

    // More types than fit: the count says what was written, nothing runs past the block.
    const auto full = BuildWorkToolReport({}, std::vector<WorkToolDeviceType>(200, {1, 2, 3}));
    ASSERT_EQ(full.size(), 1024u);
    EXPECT_EQ(read(full, 4), 83u);
    EXPECT_EQ(read(full, 253), 3u);  // last kind of the 83rd type
    EXPECT_EQ(read(full, 254), 0u);
}
