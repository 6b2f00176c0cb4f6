#pragma once
// One line per report crossing the bus: direction, collection path, bytes in hex.
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <span>
#include <string>

namespace devsim {

class ReportTrace {
public:
    ReportTrace() = default;
    ~ReportTrace();
    ReportTrace(const ReportTrace&) = delete;
    ReportTrace& operator=(const ReportTrace&) = delete;

    // Appends to `file`; an empty name turns tracing off. False when it cannot be opened.
    bool Open(const std::string& file);
    void Close();
    // direction: "OUT" (host to device) or "IN" (device to host).
    void Log(const char* direction, const std::string& path, std::span<const std::uint8_t> report);

private:
    std::mutex mutex_;
    std::FILE* file_ = nullptr;
};

}  // namespace devsim
