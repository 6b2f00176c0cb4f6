#include "app/startup.h"

#include <cstdio>

#include "platform/debug_trace.h"
#include "platform/folders.h"
#include "platform/registered_messages.h"
#include "platform/registry.h"
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

std::unique_ptr<NamedMutex> ClaimSingleInstance(unsigned& instanceMessage, std::string* problem) {
    // Registered here first for the reason of a failure; the message table then has the number.
    std::string why;
    instanceMessage = RegisterWindowMessage(kInstanceMessageName, why);
    if (instanceMessage) instanceMessage = RegisterInstanceMessage();
    DebugTraceF("软件标示：%d", instanceMessage);
    if (instanceMessage < kRegisteredMessageFirst || instanceMessage > kRegisteredMessageLast) {
        if (problem) *problem = why.empty() ? "the instance message could not be registered" : why;
        return nullptr;
    }
    auto mutex = std::make_unique<NamedMutex>(kAppName);
    if (mutex->AlreadyExists()) {
        BroadcastSystemMessage(BSF_POSTMESSAGE, BSM_APPLICATIONS, instanceMessage, 0, 1);
        return nullptr;
    }
    // Without a lock file there is no lock to take: run unguarded rather than not at all.
    if (!mutex->Owned())
        std::fprintf(stderr, "kx58: %s; running without the single-instance guard\n", mutex->Problem().c_str());
    return mutex;
}

std::string RegisterProgramMessages() {
    RegisterAppMessages();
    for (const char* name : {kSetWndRelayMessageName, kAnnounceMessageName, kLightControlMessageName,
                             kWorkToolQueryMessageName, kAudioRecordCmdMessageName}) {
        std::string problem;
        if (!RegisterWindowMessage(name, problem)) return problem;
    }
    return {};
}

void RemoveInterruptedWrites() {
    const int removed = RemoveInterruptedRegistryWrites();
    if (removed > 0) DebugTraceF("removed %d temporary files of interrupted settings writes", removed);
}

}  // namespace kx58
