// ExtensionWrapper's status names and its four trace checks over the common
// trace settings; the exit check of a component call also asks the module
// for the text of a module-specific error.
#include "../common/trace.h"

#include <quex/front/ExtensionWrapper.h>

#include <exception>
#include <string_view>
#include <vector>

using quex::detail::currentTraceLevel;

ChildResource::~ChildResource() = default;
Extension::ContextSupport::~ContextSupport() = default;
ExtensionWrapperTraceOutput::~ExtensionWrapperTraceOutput() = default;

const char* ExtensionWrapper::QXStatus2String(unsigned int status) {
  return quex::detail::statusName(status);
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

void ExtensionWrapper::QXCHK_enter(const char* name) { quex::detail::traceEnter(name); }

void ExtensionWrapper::QXCHK_enter(ExtensionWrapper* /*wrapper*/, void* component,
                                   const char* name) {
  quex::detail::traceEnter(component, name);
}

void ExtensionWrapper::QXCHK_exit(unsigned int status, int errorCode, const char* name,
                                  const char* detail) {
  quex::detail::traceExit(status, errorCode, name, detail);
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
        try { // the size is the module's: one it cannot mean is no text
          buffer.assign(needed, '\0');
          code = errorCode;
          lookup = wrapper->qx_component_getErrorDetail(component, buffer.data(), buffer.size(),
                                                        &needed, &code);
        } catch (const std::exception&) {
          lookup = QX_ERR_INSUFFICIENT_BUFFER;
        }
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

  std::string line = quex::detail::exitLine(status, errorCode, name, component, true, detail);
  line += moduleError;
  quex::detail::writeTraceLine(line);
}
