#pragma once
// Replaces several files as one change: all of them get their new bytes, or none does.
//
// Commit writes every new file beside its target first ("<path>.pending", flushed), keeps a
// hard link of each old file ("<path>.previous"), then renames the new files over the old
// ones. A failure at any step puts the old files back and removes what it wrote. Only a crash
// in the middle of the renames can leave a mix; the ".previous" links then hold the old files.
#include <string>
#include <vector>

namespace kx58 {

class FileReplacement {
public:
    void Add(std::string path, std::string bytes) { files_.push_back({std::move(path), std::move(bytes), false}); }
    bool Empty() const { return files_.empty(); }
    // True when every file now holds its new bytes; false when nothing changed.
    [[nodiscard]] bool Commit();

private:
    struct File {
        std::string path;
        std::string bytes;
        bool existed;
    };
    bool WritePending();
    bool KeepPrevious();
    // Renames pending files over their targets; the number renamed, all of them on success.
    std::size_t RenameAll();
    void RollBack(std::size_t renamed);
    void RemoveSideFiles();

    std::vector<File> files_;
};

}  // namespace kx58
