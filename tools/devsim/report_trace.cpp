#include "devsim/report_trace.h"

namespace devsim {

ReportTrace::~ReportTrace() { Close(); }

bool ReportTrace::Open(const std::string& file) {
    std::lock_guard lock(mutex_);
    if (file_) std::fclose(file_);
    file_ = nullptr;
    if (file.empty()) return true;
    file_ = std::fopen(file.c_str(), "a");
    return file_ != nullptr;
}

void ReportTrace::Close() {
    std::lock_guard lock(mutex_);
    if (file_) std::fclose(file_);
    file_ = nullptr;
}

void ReportTrace::Log(const char* direction, const std::string& path, std::span<const std::uint8_t> report) {
    std::lock_guard lock(mutex_);
    if (!file_) return;
    std::fprintf(file_, "%s %s", direction, path.c_str());
    for (std::uint8_t b : report) std::fprintf(file_, " %02x", b);
    std::fputc('\n', file_);
    std::fflush(file_);
}

}  // namespace devsim
