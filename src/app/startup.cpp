#include "app/startup.h"

#include "platform/debug_trace.h"
#include "platform/folders.h"
#include "platform/session_bus.h"
#include "ui/app_messages.h"

namespace kx58 {

std::vector<std::unique_ptr<PrivateFont>> LoadPrivateFonts(const std::string& programFolder) {
    std::vector<std::unique_ptr<PrivateFont>> fonts;
    for (const char* file : kPrivateFontFiles) {
        auto font = std::make_unique<PrivateFont>();
        font->Load(programFolder + NormalizePath(file));  // a missing font is skipped silently
        fonts.push_back(std::move(font));
    }
    return fonts;
}

void UnloadPrivateFonts(std::vector<std::unique_ptr<PrivateFont>>& fonts) {
    while (!fonts.empty()) fonts.pop_back();
}

std::unique_ptr<NamedMutex> ClaimSingleInstance(unsigned& instanceMessage) {
    instanceMessage = RegisterInstanceMessage();
    DebugTraceF("软件标示：%d", instanceMessage);
    if (instanceMessage < kRegisteredMessageFirst || instanceMessage > kRegisteredMessageLast) return nullptr;
    auto mutex = std::make_unique<NamedMutex>(kAppName);
    if (mutex->AlreadyExists()) {
        BroadcastSystemMessage(BSF_POSTMESSAGE, BSM_APPLICATIONS, instanceMessage, 0, 1);
        return nullptr;
    }
    // Without a runtime folder there is no lock to take: run unguarded rather than not at all.
    if (!mutex->Owned()) DebugTrace("single-instance lock unavailable; running without it");
    return mutex;
}

}  // namespace kx58
