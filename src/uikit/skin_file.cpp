#include "uikit/skin_file.h"

#include "platform/atomic_file.h"

namespace kx58::ui {

bool LoadSkinText(std::string_view text, pugi::xml_document& doc, std::string& error) {
    doc.reset();
    const pugi::xml_parse_result parsed = doc.load_buffer(text.data(), text.size());
    if (parsed) return true;
    error = std::string(parsed.description()) + " at byte " + std::to_string(parsed.offset);
    doc.reset();
    return false;
}

bool LoadSkinFile(const std::string& path, pugi::xml_document& doc, std::string& error) {
    doc.reset();
    const FileRead read = ReadRegularFile(path, kMaxSkinFileBytes);
    if (!read.ok()) {
        error = DescribeFileRead(read.status);
        return false;
    }
    return LoadSkinText(read.text, doc, error);
}

}  // namespace kx58::ui
