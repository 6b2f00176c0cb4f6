#pragma once
// Open and save file dialogs. Filters are given as the system writes them: pairs of a text
// and a pattern list ("Macro Files(*.mac)", "*.mac;"), separated by NUL characters or by '|'
// and ended by an empty entry. The GTK backend shows the native chooser; without it a test
// hook answers (nothing when none is set).
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "uikit/ui_types.h"

namespace kx58::ui {

struct FileFilter {
    std::string description;
    std::vector<std::string> patterns;  // "*.mac"; "*" matches every file
};

// The filters of a filter string; entries without a pattern are dropped.
std::vector<FileFilter> ParseFileFilter(std::string_view filter);
// True when the file name matches one of the patterns (case-insensitive, '*' and '?').
bool MatchesFileFilter(const FileFilter& filter, std::string_view fileName);
// The extension a save dialog adds to a name without one: the first filter's single
// concrete pattern ("*.json" gives ".json"), else nothing.
std::string DefaultExtensionFor(const std::vector<FileFilter>& filters);

enum class FileDialogKind { Open, Save };

struct FileDialogRequest {
    FileDialogKind kind = FileDialogKind::Open;
    HWND owner = nullptr;
    std::vector<FileFilter> filters;
    std::string title;
    std::string initialName;  // save dialogs: the proposed file name
};

// The chosen path, or nothing when the user cancelled (open dialogs only return files that
// exist).
std::optional<std::string> ShowFileDialog(const FileDialogRequest& request);
std::optional<std::string> OpenFileDialog(HWND owner, std::string_view filter);
std::optional<std::string> SaveFileDialog(HWND owner, std::string_view filter,
                                          const std::string& initialName = {});

// Answers dialogs when the GTK chooser is not in use (headless backend, tests).
using FileDialogHook = std::function<std::optional<std::string>(const FileDialogRequest&)>;
void SetFileDialogHook(FileDialogHook hook);

}  // namespace kx58::ui
