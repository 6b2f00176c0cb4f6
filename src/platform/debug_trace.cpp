#include "platform/debug_trace.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>

namespace kx58 {
namespace {

std::mutex& SinkMutex() {
    static std::mutex mutex;
    return mutex;
}

TraceSink& Sink() {
    static TraceSink sink;
    return sink;
}

bool EnvEnabled() {
    static const bool enabled = [] {
        const char* value = std::getenv("KX58_TRACE");
        return value && std::strcmp(value, "1") == 0;
    }();
    return enabled;
}

}  // namespace

bool TraceEnabled() {
    if (EnvEnabled()) return true;
    std::lock_guard lock(SinkMutex());
    return static_cast<bool>(Sink());
}

void DebugTrace(std::string_view text) {
    std::lock_guard lock(SinkMutex());
    if (Sink()) Sink()(text);
    if (EnvEnabled()) {
        std::fwrite(text.data(), 1, text.size(), stderr);
        if (text.empty() || text.back() != '\n') std::fputc('\n', stderr);
    }
}

void DebugTraceF(const char* format, ...) {
    if (!TraceEnabled()) return;
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (length >= 0) {
        std::string text(static_cast<size_t>(length) + 1, '\0');
        std::vsnprintf(text.data(), text.size(), format, args);
        text.resize(static_cast<size_t>(length));
        DebugTrace(text);
    }
    va_end(args);
}

TraceSink SetTraceSink(TraceSink sink) {
    std::lock_guard lock(SinkMutex());
    TraceSink old = std::move(Sink());
    Sink() = std::move(sink);
    return old;
}

}  // namespace kx58
