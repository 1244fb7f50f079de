// Status names, the process-wide trace settings and the trace line formats.
#include "trace.h"

#include <quex/front/ExtensionWrapper.h>

#include <sstream>

namespace quex::detail {

std::atomic<int> traceLevel{0};
std::atomic<ExtensionWrapperTraceOutput*> traceOutput{nullptr};

namespace {
std::atomic<long> liveWrappers{0};

void appendPointer(std::string& line, const void* pointer) {
  std::ostringstream stream;
  stream << pointer;
  line += stream.str();
}

bool hasOutput() { return traceOutput.load(std::memory_order_acquire) != nullptr; }
} // namespace

const char* statusName(unsigned int status) {
  static const char* const names[] = {
      "QX_OK",
      "QX_ERR_MODULE_SPECIFIC",
      "QX_ERR_INVALID_HANDLE",
      "QX_ERR_INVALID_OPERATION",
      "QX_ERR_COMPONENTID_NOT_SUPPORTED",
      "QX_ERR_XML",
      "QX_ERR_NOT_CONFIGURED",
      "QX_ERR_NOT_EXECUTABLE",
      "QX_ERR_NOT_EXECUTING",
      "QX_ERR_NO_DATA",
      "QX_ERR_NO_SQL",
      "QX_ERR_NO_ERROR_DETAIL",
      "QX_ERR_INTERRUPTED",
      "QX_ERR_INSUFFICIENT_BUFFER",
      "QX_ERR_CALLBACK",
      "QX_ERR_NOT_INITIALIZED",
      "QX_ERR_NOT_IMPLEMENTED",
      "QX_ERR_CANNOT_MATCH_KEY",
      "QX_ERR_EXCEPTION_THROWN",
      "QX_ERR_NOT_INTERACTIVE",
      "QX_ERR_NOT_INTERACTING",
      "QX_ERR_INVALID_REQUEST",
      "QX_ERR_NO_REPLY",
      "QX_ERR_REMOTE",
  };
  return status < sizeof names / sizeof names[0] ? names[status] : "UNKNOWN";
}

void writeTraceLine(const std::string& line) {
  if (ExtensionWrapperTraceOutput* output = traceOutput.load(std::memory_order_acquire))
    output->trace(line.c_str());
}

void traceEnter(const char* name) {
  if (currentTraceLevel() < 2 || !hasOutput()) return;
  std::string line = "[ENTER ";
  line += name;
  line += "]";
  writeTraceLine(line);
}

void traceEnter(const void* component, const char* name) {
  if (currentTraceLevel() < 2 || !hasOutput()) return;
  std::string line = "[ENTER ";
  line += name;
  line += " (component=";
  appendPointer(line, component);
  line += ")]";
  writeTraceLine(line);
}

bool exitIsDue(unsigned int status) {
  const int level = currentTraceLevel();
  return level >= 1 && (status != 0 || level >= 2);
}

std::string exitLine(unsigned int status, int errorCode, const char* name, const void* component,
                     bool withComponent, const char* detail) {
  std::string line = "[EXIT ";
  line += name;
  if (withComponent) {
    line += " (component=";
    appendPointer(line, component);
    line += ")";
  }
  line += "]: Status=";
  line += statusName(status);
  line += " ( ErrorCode=";
  line += std::to_string(errorCode);
  line += " )";
  if (detail != nullptr && currentTraceLevel() >= 2) {
    line += '\n';
    line += detail;
    line += '\n';
  }
  return line;
}

void traceExit(unsigned int status, int errorCode, const char* name, const char* detail) {
  if (!exitIsDue(status) || !hasOutput()) return;
  writeTraceLine(exitLine(status, errorCode, name, nullptr, false, detail));
}

void wrapperCreated() { liveWrappers.fetch_add(1, std::memory_order_relaxed); }

void wrapperDestroyed() {
  if (liveWrappers.fetch_sub(1, std::memory_order_acq_rel) == 1)
    delete traceOutput.exchange(nullptr, std::memory_order_acq_rel);
}

} // namespace quex::detail
