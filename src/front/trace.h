// Process-wide trace settings as the library reads them on its hot paths:
// one relaxed atomic load, no call, no formatting.
#ifndef QUEX_SRC_FRONT_TRACE_H
#define QUEX_SRC_FRONT_TRACE_H

#include <quex/front/ExtensionWrapper.h>

#include <atomic>
#include <string>

namespace quex::detail {

extern std::atomic<int> traceLevel;
extern std::atomic<ExtensionWrapperTraceOutput*> traceOutput;

inline int currentTraceLevel() { return traceLevel.load(std::memory_order_relaxed); }

// Hands one finished line to the trace output, if one is set.
void writeTraceLine(const std::string& line);

// Counts live ExtensionWrapper objects; the last one to go deletes the output.
void wrapperCreated();
void wrapperDestroyed();

} // namespace quex::detail

#endif // QUEX_SRC_FRONT_TRACE_H
