// Status names, the process-wide trace settings and the four trace checks.
#include "trace.h"

#include <quex/front/ExtensionWrapper.h>

#include <sstream>
#include <string_view>
#include <vector>

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

std::string exitLine(unsigned int status, int errorCode, const char* name, const void* component,
                     bool withComponent) {
  std::string line = "[EXIT ";
  line += name;
  if (withComponent) {
    line += " (component=";
    appendPointer(line, component);
    line += ")";
  }
  line += "]: Status=";
  line += ExtensionWrapper::QXStatus2String(status);
  line += " ( ErrorCode=";
  line += std::to_string(errorCode);
  line += " )";
  return line;
}

void appendDetail(std::string& line, const char* detail) {
  if (detail != nullptr && currentTraceLevel() >= 2) {
    line += '\n';
    line += detail;
    line += '\n';
  }
}

bool exitIsDue(unsigned int status) {
  const int level = currentTraceLevel();
  return level >= 1 && (status != QX_OK || level >= 2);
}
} // namespace

void writeTraceLine(const std::string& line) {
  if (ExtensionWrapperTraceOutput* output = traceOutput.load(std::memory_order_acquire))
    output->trace(line.c_str());
}

void wrapperCreated() { liveWrappers.fetch_add(1, std::memory_order_relaxed); }

void wrapperDestroyed() {
  if (liveWrappers.fetch_sub(1, std::memory_order_acq_rel) == 1)
    delete traceOutput.exchange(nullptr, std::memory_order_acq_rel);
}

} // namespace quex::detail

using quex::detail::currentTraceLevel;

ChildResource::~ChildResource() = default;
Extension::ContextSupport::~ContextSupport() = default;
ExtensionWrapperTraceOutput::~ExtensionWrapperTraceOutput() = default;

const char* ExtensionWrapper::QXStatus2String(unsigned int status) {
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

void ExtensionWrapper::setTraceLevel(int level) {
  quex::detail::traceLevel.store(level, std::memory_order_relaxed);
}

int ExtensionWrapper::getTraceLevel() { return currentTraceLevel(); }

void ExtensionWrapper::setTraceOutput(ExtensionWrapperTraceOutput* output) {
  quex::detail::traceOutput.store(output, std::memory_order_release);
}

ExtensionWrapperTraceOutput* ExtensionWrapper::getTraceOutput() {
  return quex::detail::traceOutput.load(std::memory_order_acquire);
}

void ExtensionWrapper::QXCHK_enter(const char* name) {
  if (currentTraceLevel() < 2 || getTraceOutput() == nullptr) return;
  std::string line = "[ENTER ";
  line += name;
  line += "]";
  quex::detail::writeTraceLine(line);
}

void ExtensionWrapper::QXCHK_enter(ExtensionWrapper* /*wrapper*/, void* component,
                                   const char* name) {
  if (currentTraceLevel() < 2 || getTraceOutput() == nullptr) return;
  std::string line = "[ENTER ";
  line += name;
  line += " (component=";
  quex::detail::appendPointer(line, component);
  line += ")]";
  quex::detail::writeTraceLine(line);
}

void ExtensionWrapper::QXCHK_exit(unsigned int status, int errorCode, const char* name,
                                  const char* detail) {
  if (!quex::detail::exitIsDue(status) || getTraceOutput() == nullptr) return;
  std::string line = quex::detail::exitLine(status, errorCode, name, nullptr, false);
  quex::detail::appendDetail(line, detail);
  quex::detail::writeTraceLine(line);
}

void ExtensionWrapper::QXCHK_exit(ExtensionWrapper* wrapper, unsigned int status,
                                  void* component, int errorCode, const char* name,
                                  const char* detail) {
  if (!quex::detail::exitIsDue(status) || getTraceOutput() == nullptr) return;

  // The lookup is an ordinary traced call, so its own lines come first.
  // The detail call's own exit line never asks for a text again.
  std::string moduleError;
  if (status == QX_ERR_MODULE_SPECIFIC &&
      std::string_view(name) != "qx_component_getErrorDetail") {
    bool found = false;
    if (wrapper != nullptr) {
      std::vector<char> buffer(8192);
      size_t needed = 0;
      int code = errorCode;
      QXStatus lookup = wrapper->qx_component_getErrorDetail(component, buffer.data(),
                                                             buffer.size(), &needed, &code);
      if (lookup == QX_ERR_INSUFFICIENT_BUFFER) {
        buffer.assign(needed, '\0');
        code = errorCode;
        lookup = wrapper->qx_component_getErrorDetail(component, buffer.data(), buffer.size(),
                                                      &needed, &code);
      }
      if (lookup == QX_OK && !buffer.empty()) {
        buffer.back() = '\0'; // a module that forgot the terminator cannot run us off the end
        moduleError = "\n\tModule specific error(";
        moduleError += buffer.data();
        moduleError += ")";
        found = true;
      }
    }
    if (!found) moduleError = "\n\tCould not retrieve module specific error";
  }

  std::string line = quex::detail::exitLine(status, errorCode, name, component, true);
  quex::detail::appendDetail(line, detail);
  line += moduleError;
  quex::detail::writeTraceLine(line);
}
