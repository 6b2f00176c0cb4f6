#pragma once
// Names of new and imported macros. Names are compared without regard to case, so "Macro_2"
// takes the place of "macro_2".
#include <string>
#include <vector>

namespace kx58 {

bool MacroNameTaken(const std::vector<std::string>& names, const std::string& name);
// "macro_%d" with the smallest number from 1 that no macro of `names` uses.
std::string NewMacroName(const std::vector<std::string>& names);
// The base name of `importPath` (no folder, no extension); when taken, "%s_%d" from 2 up.
std::string ImportedMacroName(const std::vector<std::string>& names, const std::string& importPath);

}  // namespace kx58
