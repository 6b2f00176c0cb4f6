#pragma once
// Whole-file reads and crash-safe whole-file writes.
//
// Reads take only regular files and only up to a size that fits the kind of file: a link to
// /dev/zero, a FIFO, a folder or an oversized file is refused at once, never read or waited on.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kx58 {

// Writes bytes to a temporary file in the same folder, flushes it to disk and renames it over
// `path`. On any failure the old file is untouched and the temporary file is removed.
bool WriteFileAtomically(const std::string& path, std::string_view bytes);

// Size limits of the files the program reads, by kind.
inline constexpr std::size_t kMaxSettingsFileBytes = 4u << 20;   // registry, lists, small configs
inline constexpr std::size_t kMaxDocumentFileBytes = 16u << 20;  // profiles, macros, languages
inline constexpr std::size_t kMaxSkinFileBytes = 8u << 20;       // skin XML
inline constexpr std::size_t kMaxDescriptionBytes = 64u << 10;   // simulator descriptions, bus entries

enum class FileReadStatus {
    Ok,
    Missing,      // no such file
    NotRegular,   // a folder, FIFO, socket or device (also through a link)
    TooLarge,     // larger than the limit for its kind
    Unreadable,   // exists but cannot be opened or read
};

struct FileRead {
    FileReadStatus status = FileReadStatus::Missing;
    std::string text;
    bool ok() const { return status == FileReadStatus::Ok; }
};

// The whole regular file at `path`, if it holds at most `maxBytes`.
FileRead ReadRegularFile(const std::string& path, std::size_t maxBytes);
// The same for a file already open (for one read under a lock): read from its start with
// pread, so the descriptor's offset is left alone.
FileRead ReadOpenFile(int fd, std::size_t maxBytes);
const char* DescribeFileRead(FileReadStatus status);

// The whole file, or nothing when it cannot be read (ReadRegularFile without the reason).
std::optional<std::string> ReadWholeFile(const std::string& path, std::size_t maxBytes = kMaxDocumentFileBytes);

// Removes "<name>.tmp-XXXXXX" files that interrupted writes left in `folder`; `prefix`
// restricts it to temporary files of one name. Returns how many were removed.
int RemoveStaleTemporaryFiles(const std::string& folder, const std::string& prefix = {});

}  // namespace kx58
