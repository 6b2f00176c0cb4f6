#pragma once
// Starting other programs, in place of ShellExecute.
#include <string>
#include <vector>

#include "platform/win_types.h"

namespace kx58 {

// verb "open": a URL (scheme://...) or a folder or a non-executable file is handed to
// xdg-open; an executable file is started with `parameters` (split like a command line,
// double quotes group) in `workingFolder` (empty: the current one). `showCommand` is kept for
// the callers' sake; on Linux the started program decides how it shows itself.
// The program runs detached (it is not a child that needs reaping). False when the file does
// not exist or is not executable, or the start failed.
bool ShellExecute(const std::string& verb, const std::string& file, const std::string& parameters,
                  const std::string& workingFolder, int showCommand);

// Splits a command line: blanks separate, double quotes group, \" is a quote.
std::vector<std::string> SplitCommandLine(const std::string& line);

}  // namespace kx58
