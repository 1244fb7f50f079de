// Process-wide trace settings and the trace lines every layer writes. The
// settings are read on hot paths with one relaxed atomic load, no call and no
// formatting; the lines are built only once a level asks for them.
#ifndef QUEX_SRC_COMMON_TRACE_H
#define QUEX_SRC_COMMON_TRACE_H

#include <atomic>
#include <string>

class ExtensionWrapperTraceOutput;

namespace quex::detail {

extern std::atomic<int> traceLevel;
extern std::atomic<ExtensionWrapperTraceOutput*> traceOutput;

inline int currentTraceLevel() { return traceLevel.load(std::memory_order_relaxed); }

// The name of a status code, "UNKNOWN" for one without a name.
const char* statusName(unsigned int status);

// Hands one finished line to the trace output, if one is set.
void writeTraceLine(const std::string& line);

// "[ENTER <name>]", with the component when one is given; level 2 and above.
void traceEnter(const char* name);
void traceEnter(const void* component, const char* name);

// Whether an exit line is written: failures from level 1, every exit from level 2.
bool exitIsDue(unsigned int status);
// "[EXIT <name> (component=<pointer>)]: Status=<name> ( ErrorCode=<code> )",
// followed by `detail` on lines of its own from level 2.
std::string exitLine(unsigned int status, int errorCode, const char* name, const void* component,
                     bool withComponent, const char* detail);
// The exit line without a component, written when it is due.
void traceExit(unsigned int status, int errorCode, const char* name, const char* detail);

// Counts live ExtensionWrapper objects; the last one to go deletes the output.
void wrapperCreated();
void wrapperDestroyed();

} // namespace quex::detail

#endif // QUEX_SRC_COMMON_TRACE_H
