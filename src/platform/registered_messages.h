#pragma once
// Session-wide registered message numbers: every process of the user that registers the same
// name gets the same number, in 0xC000-0xFFFF. The table is a file in the runtime folder,
// changed under flock; each process caches what it has seen.
#include <string>

#include "platform/win_types.h"

namespace kx58 {

// 0 when the name is empty, holds a line break, or the table is full or unreachable.
UINT RegisterWindowMessage(const std::string& name);
// The same; on 0, `problem` says why as a line for the user (no runtime folder, a table that
// is full or is no regular file).
UINT RegisterWindowMessage(const std::string& name, std::string& problem);

}  // namespace kx58
