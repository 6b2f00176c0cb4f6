#include "platform/atomic_file.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kx58 {
namespace {

bool WriteAll(int fd, std::string_view bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

constexpr std::string_view kTemporaryMarker = ".tmp-";

// Reads to the end, refusing a file that grows past the limit while it is read.
FileReadStatus ReadAtMost(int fd, std::size_t maxBytes, std::string& content) {
    char buffer[65536];
    for (;;) {
        const ssize_t n = pread(fd, buffer, sizeof buffer, static_cast<off_t>(content.size()));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return FileReadStatus::Unreadable;
        if (n == 0) return FileReadStatus::Ok;
        if (content.size() + static_cast<std::size_t>(n) > maxBytes) return FileReadStatus::TooLarge;
        content.append(buffer, static_cast<std::size_t>(n));
    }
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

void SyncFolder(const std::string& folder) {
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

}  // namespace

bool WriteFileAtomically(const std::string& path, std::string_view bytes) {
    if (path.empty()) return false;
    std::string temp = path + std::string(kTemporaryMarker) + "XXXXXX";
    const int fd = mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) return false;
    // Keep the permissions a replaced file had.
    struct stat old {};
    const mode_t mode = stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
    fchmod(fd, mode);
    const bool written = WriteAll(fd, bytes) && fsync(fd) == 0;
    const bool closed = close(fd) == 0;
    if (!written || !closed || rename(temp.c_str(), path.c_str()) != 0) {
        unlink(temp.c_str());
        return false;
    }
    SyncFolder(FolderOf(path));
    return true;
}

FileRead ReadRegularFile(const std::string& path, std::size_t maxBytes) {
    // O_NONBLOCK: opening a FIFO must not wait for a writer; it is refused below.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        FileRead result;
        result.status = errno == ENOENT || errno == ENOTDIR ? FileReadStatus::Missing : FileReadStatus::Unreadable;
        return result;
    }
    FileRead result = ReadOpenFile(fd, maxBytes);
    close(fd);
    return result;
}

FileRead ReadOpenFile(int fd, std::size_t maxBytes) {
    FileRead result;
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        result.status = FileReadStatus::NotRegular;
    } else if (static_cast<std::uint64_t>(info.st_size) > maxBytes) {
        result.status = FileReadStatus::TooLarge;
    } else {
        result.status = ReadAtMost(fd, maxBytes, result.text);
    }
    if (!result.ok()) result.text.clear();
    return result;
}

const char* DescribeFileRead(FileReadStatus status) {
    switch (status) {
        case FileReadStatus::Ok: return "read";
        case FileReadStatus::Missing: return "missing";
        case FileReadStatus::NotRegular: return "not a regular file";
        case FileReadStatus::TooLarge: return "too large";
        case FileReadStatus::Unreadable: return "unreadable";
    }
    return "unreadable";
}

std::optional<std::string> ReadWholeFile(const std::string& path, std::size_t maxBytes) {
    FileRead read = ReadRegularFile(path, maxBytes);
    if (!read.ok()) {
        errno = read.status == FileReadStatus::Missing ? ENOENT : EINVAL;
        return std::nullopt;
    }
    return std::move(read.text);
}

int RemoveStaleTemporaryFiles(const std::string& folder, const std::string& prefix) {
    DIR* dir = opendir(folder.c_str());
    if (!dir) return 0;
    const std::string base = folder.empty() || folder.back() == '/' ? folder : folder + "/";
    int removed = 0;
    while (const dirent* item = readdir(dir)) {
        const std::string_view name = item->d_name;
        const std::size_t marker = name.rfind(kTemporaryMarker);
        if (marker == std::string_view::npos || name.size() - marker != kTemporaryMarker.size() + 6) continue;
        if (!prefix.empty() && name.substr(0, marker) != prefix) continue;
        if (unlink((base + std::string(name)).c_str()) == 0) ++removed;
    }
    closedir(dir);
    return removed;
}

}  // namespace kx58
