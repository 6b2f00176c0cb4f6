#pragma once
// The first steps of the program's start: private fonts and the single-instance guard.
#include <memory>
#include <string>
#include <vector>

#include "platform/named_mutex.h"
#include "platform/private_font.h"

namespace kx58 {

// The font files loaded privately at start, in load order, relative to the program folder.
inline constexpr const char* kPrivateFontFiles[] = {
    "Font\\Simplified_Chinese.ttf",
    "Font\\Ravlen-Regular.otf",
    "Font\\NotoSansThai-Regular.ttf",
    "Font\\NotoSansCJKtc-Regular.otf",
};

// One entry per font file, in load order; a font that cannot be loaded stays unloaded.
// Unload in reverse order by destroying from the back (UnloadPrivateFonts).
std::vector<std::unique_ptr<PrivateFont>> LoadPrivateFonts(const std::string& programFolder);
void UnloadPrivateFonts(std::vector<std::unique_ptr<PrivateFont>>& fonts);

// Registers the instance message and takes the single-instance mutex. When another instance
// holds it, tells that instance to come to the front (broadcast of the instance message with
// wParam 0, lParam 1) and returns nothing. `instanceMessage` receives the message number
// (0 when registration failed, and then nothing is returned either, with the reason in
// `problem`: without its messages the program cannot be reached). When no lock can be
// taken at all the returned mutex is not owned, the program runs unguarded and says so on
// stderr.
std::unique_ptr<NamedMutex> ClaimSingleInstance(unsigned& instanceMessage, std::string* problem = nullptr);

// Registers the program's other messages; empty, or why they could not all be registered.
std::string RegisterProgramMessages();

// Removes what interrupted writes of earlier runs left behind in the settings folder.
void RemoveInterruptedWrites();

}  // namespace kx58
