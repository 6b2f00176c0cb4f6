#include "uikit/file_dialog.h"

#include <gtk/gtk.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <mutex>

#include "platform/debug_trace.h"
#include "uikit/gtk_backend.h"
#include "uikit/gtk_window.h"

namespace kx58::ui {

namespace {

std::mutex g_hookMutex;
FileDialogHook g_hook;

std::string Trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t");
    return std::string(text.substr(first, last - first + 1));
}

std::vector<std::string> SplitEntries(std::string_view filter) {
    const char separator = filter.find('\0') != std::string_view::npos ? '\0' : '|';
    std::vector<std::string> entries;
    std::size_t start = 0;
    while (start <= filter.size()) {
        const std::size_t end = std::min(filter.find(separator, start), filter.size());
        const std::string entry = Trim(filter.substr(start, end - start));
        if (entry.empty()) break;  // the closing empty entry
        entries.push_back(entry);
        start = end + 1;
    }
    return entries;
}

bool GlobMatch(std::string_view pattern, std::string_view name) {
    std::size_t p = 0, n = 0, star = std::string_view::npos, resume = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' ||
                                   std::tolower(static_cast<unsigned char>(pattern[p])) ==
                                       std::tolower(static_cast<unsigned char>(name[n])))) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = n;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

std::optional<std::string> AskHook(const FileDialogRequest& request) {
    FileDialogHook hook;
    {
        std::lock_guard lock(g_hookMutex);
        hook = g_hook;
    }
    if (!hook) {
        DebugTrace("uikit: no file chooser without the GTK backend; the dialog answers nothing");
        return std::nullopt;
    }
    return hook(request);
}

std::optional<std::string> RunGtkChooser(GtkBackend& backend, const FileDialogRequest& request) {
    const bool save = request.kind == FileDialogKind::Save;
    GtkWindow* parent = nullptr;
    if (GtkBackendWindow* owner = backend.FindWindow(request.owner)) parent = owner->Widget();
    GtkFileChooserNative* chooser = gtk_file_chooser_native_new(
        request.title.empty() ? nullptr : request.title.c_str(), parent,
        save ? GTK_FILE_CHOOSER_ACTION_SAVE : GTK_FILE_CHOOSER_ACTION_OPEN, nullptr, nullptr);
    GtkFileChooser* files = GTK_FILE_CHOOSER(chooser);
    gtk_native_dialog_set_modal(GTK_NATIVE_DIALOG(chooser), TRUE);
    for (const FileFilter& filter : request.filters) {
        GtkFileFilter* gtkFilter = gtk_file_filter_new();
        gtk_file_filter_set_name(gtkFilter, filter.description.c_str());
        for (const std::string& pattern : filter.patterns) gtk_file_filter_add_pattern(gtkFilter, pattern.c_str());
        gtk_file_chooser_add_filter(files, gtkFilter);  // takes the floating reference
    }
    if (save) {
        gtk_file_chooser_set_do_overwrite_confirmation(files, TRUE);
        if (!request.initialName.empty()) gtk_file_chooser_set_current_name(files, request.initialName.c_str());
    }
    std::optional<std::string> result;
    if (gtk_native_dialog_run(GTK_NATIVE_DIALOG(chooser)) == GTK_RESPONSE_ACCEPT) {
        if (char* path = gtk_file_chooser_get_filename(files)) {
            result = path;
            g_free(path);
        }
    }
    g_object_unref(chooser);
    return result;
}

}  // namespace

std::vector<FileFilter> ParseFileFilter(std::string_view filter) {
    const std::vector<std::string> entries = SplitEntries(filter);
    std::vector<FileFilter> filters;
    for (std::size_t i = 0; i + 1 < entries.size(); i += 2) {
        FileFilter parsed{entries[i], {}};
        std::string_view patterns = entries[i + 1];
        std::size_t start = 0;
        while (start <= patterns.size()) {
            const std::size_t end = std::min(patterns.find(';', start), patterns.size());
            std::string pattern = Trim(patterns.substr(start, end - start));
            // "*.*" means every file, also those without a dot.
            if (pattern == "*.*") pattern = "*";
            if (!pattern.empty()) parsed.patterns.push_back(pattern);
            start = end + 1;
        }
        if (!parsed.patterns.empty()) filters.push_back(std::move(parsed));
    }
    return filters;
}

bool MatchesFileFilter(const FileFilter& filter, std::string_view fileName) {
    return std::any_of(filter.patterns.begin(), filter.patterns.end(),
                       [&](const std::string& pattern) { return GlobMatch(pattern, fileName); });
}

std::string DefaultExtensionFor(const std::vector<FileFilter>& filters) {
    if (filters.empty() || filters.front().patterns.size() != 1) return {};
    const std::string& pattern = filters.front().patterns.front();
    if (pattern.size() < 3 || pattern.compare(0, 2, "*.") != 0) return {};
    if (pattern.find_first_of("*?", 2) != std::string::npos) return {};
    return pattern.substr(1);
}

std::optional<std::string> ShowFileDialog(const FileDialogRequest& request) {
    std::optional<std::string> path;
    auto* gtk = dynamic_cast<GtkBackend*>(&CurrentBackend());
    if (gtk && gtk->OnOwnThread()) path = RunGtkChooser(*gtk, request);
    else path = AskHook(request);
    if (!path || path->empty()) return std::nullopt;
    if (request.kind == FileDialogKind::Open) {
        struct stat info {};
        if (stat(path->c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
            DebugTraceF("uikit: the chosen file %s does not exist", path->c_str());
            return std::nullopt;
        }
    }
    if (request.kind == FileDialogKind::Save) {
        const std::size_t slash = path->find_last_of('/');
        const std::string name = path->substr(slash == std::string::npos ? 0 : slash + 1);
        if (name.find('.') == std::string::npos) *path += DefaultExtensionFor(request.filters);
    }
    return path;
}

std::optional<std::string> OpenFileDialog(HWND owner, std::string_view filter) {
    FileDialogRequest request;
    request.kind = FileDialogKind::Open;
    request.owner = owner;
    request.filters = ParseFileFilter(filter);
    return ShowFileDialog(request);
}

std::optional<std::string> SaveFileDialog(HWND owner, std::string_view filter, const std::string& initialName) {
    FileDialogRequest request;
    request.kind = FileDialogKind::Save;
    request.owner = owner;
    request.filters = ParseFileFilter(filter);
    request.initialName = initialName;
    return ShowFileDialog(request);
}

void SetFileDialogHook(FileDialogHook hook) {
    std::lock_guard lock(g_hookMutex);
    g_hook = std::move(hook);
}

}  // namespace kx58::ui
