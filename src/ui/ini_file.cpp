#include "ui/ini_file.h"

#include <strings.h>

#include <sstream>
#include <vector>

#include "platform/atomic_file.h"

namespace kx58 {
namespace {

std::string Trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

bool IsSectionLine(const std::string& line) { return line.size() >= 2 && line.front() == '[' && line.back() == ']'; }

bool SameName(const std::string& a, const std::string& b) { return strcasecmp(a.c_str(), b.c_str()) == 0; }

std::vector<std::string> ReadLines(const std::string& path) {
    std::vector<std::string> lines;
    const FileRead read = ReadRegularFile(path, kMaxSettingsFileBytes);
    if (!read.ok()) return lines;
    std::istringstream stream(read.text);
    for (std::string line; std::getline(stream, line);) lines.push_back(Trimmed(line));
    return lines;
}

// Where the key's line is, or where it belongs (the end of its section); `found` says which.
std::size_t PlaceOf(const std::vector<std::string>& lines, const std::string& section, const std::string& key,
                    bool& sectionFound, bool& found) {
    sectionFound = found = false;
    std::size_t end = lines.size();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (IsSectionLine(lines[i])) {
            if (sectionFound) return end;
            sectionFound = SameName(lines[i].substr(1, lines[i].size() - 2), section);
            end = i + 1;
            continue;
        }
        if (!sectionFound) continue;
        const std::size_t equals = lines[i].find('=');
        if (equals != std::string::npos && SameName(Trimmed(lines[i].substr(0, equals)), key)) {
            found = true;
            return i;
        }
        if (!lines[i].empty()) end = i + 1;
    }
    return end;
}

}  // namespace

bool WriteProfileString(const std::string& path, const std::string& section, const std::string& key,
                        const std::string& value) {
    std::vector<std::string> lines = ReadLines(path);
    bool sectionFound = false, found = false;
    const std::size_t place = PlaceOf(lines, section, key, sectionFound, found);
    const std::string entry = key + "=" + value;
    if (found) lines[place] = entry;
    else if (sectionFound) lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(place), entry);
    else {
        lines.push_back("[" + section + "]");
        lines.push_back(entry);
    }
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return WriteFileAtomically(path, text);
}

}  // namespace kx58
