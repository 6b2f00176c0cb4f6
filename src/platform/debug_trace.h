#pragma once
// Diagnostics in place of the debugger output: off unless KX58_TRACE=1, or a sink is installed.
#include <functional>
#include <string>
#include <string_view>

namespace kx58 {

void DebugTrace(std::string_view text);

// printf-style convenience; the formatted text goes to DebugTrace.
void DebugTraceF(const char* format, ...) __attribute__((format(printf, 1, 2)));

using TraceSink = std::function<void(std::string_view)>;

// Installs a sink that receives every trace (tests assert on traces through it); an empty
// function removes it. Returns the previous sink.
TraceSink SetTraceSink(TraceSink sink);

bool TraceEnabled();

}  // namespace kx58
