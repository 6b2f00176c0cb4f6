#pragma once
// Documents of deleted profiles, for the whole process. A device may still hold the profile
// data of a profile that the list deleted; its next save must not bring the document back as
// an orphan that no list names. Thread-safe (one mutex).
#include <string>

namespace kx58 {

// Marks the document at `path` as gone; writes of profile data to it are refused.
void ReleaseProfileDocument(const std::string& path);
bool IsReleasedProfileDocument(const std::string& path);

}  // namespace kx58
