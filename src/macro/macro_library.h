#pragma once
// A device's macro library in its profile folder: "macro.config" (names and file identities in
// macro number order) and one "<Guid>.mac" per saved macro. Every change re-reads
// "macro.config" first, so the file on disk wins over the copy in memory, and every file is
// written atomically. Works without any UI; the macro editor drives it on the UI thread.
//
// A `Guid` becomes a file name, so one with "/", "\" or ".." (a crafted list) is refused for
// every file operation: nothing outside the folder is read, written, copied or deleted.
#include <json/value.h>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "profile/macro_files.h"

namespace kx58 {

class FileReplacement;

// A file to import is a macro of at most this size (4000 events take about 300 kB).
inline constexpr std::size_t kMaxMacroImportBytes = 1u << 20;

enum class MacroResult {
    Ok,
    LibraryFull,    // already kMaxMacros macros
    NoSuchMacro,    // the number names no macro of the library
    UnsafeGuid,     // the macro's `Guid` cannot name a file of the folder
    NameBlank,      // a rename to an empty name (after trimming)
    NameInUse,      // a rename to a name the library holds, its own included
    NotJson,        // an import that is no JSON object
    TooLarge,       // an import over kMaxMacroImportBytes
    TooManyEvents,  // an import or save of more than kMaxMacroEvents events
    Unreadable,     // a file that exists but cannot be read; it is never replaced
    NotWritten,     // a write failed; nothing changed
};

struct MacroCreated {
    MacroResult result = MacroResult::Ok;
    std::string name;  // empty unless result is Ok
};

class MacroLibrary {
public:
    explicit MacroLibrary(const std::string& profileDirectory);

    // Reads "macro.config" again; the entries in macro number order.
    const std::vector<MacroEntry>& Load();
    const std::vector<MacroEntry>& Entries() const { return entries_; }
    std::vector<std::string> Names() const;
    std::string ConfigPath() const { return directory_ + "macro.config"; }

    // A new empty macro "macro_%d" at the end; no ".mac" file until its first save.
    [[nodiscard]] MacroCreated Add();
    // A new macro named after the file, holding a copy of it. A file that is not a JSON
    // object, too large, or holds too many events is refused and nothing changes.
    [[nodiscard]] MacroCreated Import(const std::string& path);
    [[nodiscard]] MacroResult Rename(int number, const std::string& name);
    // Removes macro `number` and its file, and renumbers the key assignments of every profile
    // document of the folder (a key on the macro gets its default, later macros move up), all
    // as one change: on failure no file changed. The caller asks the user first and applies
    // RenumberMacroKeys to the key list it holds in memory for the active profile.
    [[nodiscard]] MacroResult Delete(int number);
    [[nodiscard]] MacroResult SaveEvents(int number, const std::vector<MacroEventRecord>& events);
    std::vector<MacroEventRecord> ReadEvents(int number);
    // Copies the macro's file to `path`; a macro never saved exports as an empty macro.
    [[nodiscard]] MacroResult Export(int number, const std::string& path);

private:
    // "macro.config" for a change; false when it exists but cannot be read.
    bool ReadConfig(Json::Value& config) const;
    bool WriteConfig(const Json::Value& config);
    MacroResult CheckedEntry(int number, MacroEntry& entry);
    using NameRule = std::function<std::string(const std::vector<std::string>& taken)>;
    MacroCreated Create(const NameRule& nameFor, const std::string& macroBytes);
    MacroResult AddRenumberedProfiles(FileReplacement& change, int number) const;

    std::string directory_;
    std::vector<MacroEntry> entries_;
};

}  // namespace kx58
