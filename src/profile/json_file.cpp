#include "profile/json_file.h"

#include <json/reader.h>
#include <json/writer.h>

#include <cerrno>
#include <memory>

#include "platform/atomic_file.h"
#include "platform/debug_trace.h"
#include "platform/folders.h"

namespace kx58 {

std::string ReadFileText(const std::string& path, std::size_t maxBytes) {
    std::optional<std::string> text = ReadWholeFile(NormalizePath(path), maxBytes);
    if (!text) {
        DebugTraceF("readjsonFile 错误吗：：%d\n", errno);
        return {};
    }
    return std::move(*text);
}

Json::Value ReadJsonDocument(const std::string& path, std::size_t maxBytes) {
    const std::string text = ReadFileText(path, maxBytes);
    if (text.empty()) {
        DebugTrace(path);
        return Json::Value();
    }
    Json::Value root = ParseJsonText(text);
    if (root.isNull()) DebugTraceF("json parse failed: %s", path.c_str());
    return root;
}

Json::Value ParseJsonText(const std::string& text) {
    if (text.empty()) return Json::Value();
    try {
        Json::CharReaderBuilder builder;
        builder["allowComments"] = true;
        builder["collectComments"] = false;
        const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
        Json::Value root;
        std::string errors;
        if (!reader->parse(text.data(), text.data() + text.size(), &root, &errors)) {
            return Json::Value();
        }
        return root;
    } catch (const std::exception&) {
        return Json::Value();
    }
}

bool ReadDocumentForRewrite(const std::string& path, Json::Value& document, std::size_t maxBytes) {
    const std::string normalized = NormalizePath(path);
    const FileRead read = ReadRegularFile(normalized, maxBytes);
    document = Json::Value();
    if (!read.ok()) {
        if (read.status != FileReadStatus::Missing)
            DebugTraceF("not rewritten, %s: %s", DescribeFileRead(read.status), normalized.c_str());
        return read.status == FileReadStatus::Missing;
    }
    document = ParseJsonText(read.text);
    if (!document.isNull() || read.text.empty()) return true;
    // Without its copy the damaged file must stay as it is.
    return WriteFileAtomically(normalized + ".broken", read.text);
}

std::string StyledJsonText(const Json::Value& value) {
    try {
        Json::StyledWriter writer;
        return writer.write(value);
    } catch (const std::exception& e) {
        DebugTraceF("json write failed: %s", e.what());
        return "null\n";
    }
}

bool WriteJsonDocument(const std::string& path, const Json::Value& value) {
    const std::string text = StyledJsonText(value) + "\n";
    if (WriteFileAtomically(NormalizePath(path), text)) return true;
    DebugTraceF("WriteJsonDocument failed: %s (%d)", path.c_str(), errno);
    return false;
}

}  // namespace kx58
