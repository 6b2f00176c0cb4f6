#include "macro/file_replacement.h"

#include <cerrno>
#include <cstdio>
#include <unistd.h>

#include "platform/atomic_file.h"
#include "platform/debug_trace.h"
#include "platform/folders.h"

namespace kx58 {
namespace {

std::string PendingOf(const std::string& path) { return path + ".pending"; }
std::string PreviousOf(const std::string& path) { return path + ".previous"; }

}  // namespace

bool FileReplacement::Commit() {
    if (!WritePending() || !KeepPrevious()) {
        RemoveSideFiles();
        return false;
    }
    const std::size_t renamed = RenameAll();
    if (renamed != files_.size()) {
        RollBack(renamed);
        RemoveSideFiles();
        return false;
    }
    RemoveSideFiles();
    return true;
}

bool FileReplacement::WritePending() {
    for (const File& file : files_) {
        if (!WriteFileAtomically(PendingOf(file.path), file.bytes)) return false;
    }
    return true;
}

bool FileReplacement::KeepPrevious() {
    for (File& file : files_) {
        file.existed = PathExists(file.path);
        ::unlink(PreviousOf(file.path).c_str());
        if (file.existed && ::link(file.path.c_str(), PreviousOf(file.path).c_str()) != 0) {
            DebugTraceF("FileReplacement: cannot keep %s (%d)", file.path.c_str(), errno);
            return false;
        }
    }
    return true;
}

std::size_t FileReplacement::RenameAll() {
    for (std::size_t i = 0; i < files_.size(); ++i) {
        if (std::rename(PendingOf(files_[i].path).c_str(), files_[i].path.c_str()) != 0) {
            DebugTraceF("FileReplacement: cannot replace %s (%d)", files_[i].path.c_str(), errno);
            return i;
        }
    }
    return files_.size();
}

void FileReplacement::RollBack(std::size_t renamed) {
    for (std::size_t i = 0; i < renamed; ++i) {
        const File& file = files_[i];
        if (file.existed) std::rename(PreviousOf(file.path).c_str(), file.path.c_str());
        else ::unlink(file.path.c_str());
    }
}

void FileReplacement::RemoveSideFiles() {
    for (const File& file : files_) {
        ::unlink(PendingOf(file.path).c_str());
        ::unlink(PreviousOf(file.path).c_str());
    }
}

}  // namespace kx58
