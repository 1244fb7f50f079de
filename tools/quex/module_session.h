// What both commands share: finding the module's library, tracing to standard
// error, loading and initialising the module, and asking for texts under the
// text-return convention.
#ifndef QUEX_TOOLS_QUEX_MODULE_SESSION_H
#define QUEX_TOOLS_QUEX_MODULE_SESSION_H

#include "host_services.h"

#include <quex/quex.hpp>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

namespace quex::tool {

// The module argument as ExtensionWrapper::load wants it: without ".dll".
// A bare name (no '/') that is not a file here is looked up in the folders of
// QUEX_MODULE_PATH (':'-separated), then among the example modules installed
// with libquex; failing that, in a folder that holds it as libNAME.so or NAME.so.
std::string resolveModulePath(const std::string& module);

// The names of the modules a bare name can reach (the ".dll" files in the
// folders resolveModulePath searches), sorted, each once.
std::vector<std::string> availableModuleNames();

// The name quex gives a module: the file name without folder and ".dll".
std::string moduleName(const std::string& path);

// Sends trace lines to standard error, one line each.
void traceToStandardError(int level);

// The largest text quex asks a module for: a larger size is no text at all.
constexpr size_t kMaxTextSize = size_t(256) << 20;

// Asks once with a first buffer and once more with the size the callee
// reported, unless that size is beyond kMaxTextSize: then the first status
// stands. `call(buffer, size, &needed)` returns the status.
template <typename Call>
QXStatus fetchText(std::string& text, Call call) {
  std::vector<char> buffer(4096);
  size_t needed = 0;
  QXStatus status = call(buffer.data(), buffer.size(), &needed);
  if (status == QX_ERR_INSUFFICIENT_BUFFER && needed > buffer.size() && needed <= kMaxTextSize) {
    buffer.assign(needed, '\0');
    status = call(buffer.data(), buffer.size(), &needed);
  }
  if (status == QX_OK)
    text.assign(buffer.data(), std::find(buffer.begin(), buffer.end(), '\0') - buffer.begin());
  return status;
}

// The child program for out-of-process runs: `requested` when given, else
// $QUEX_CHILD_PROGRAM, else the quex-child beside libquex.
std::string childProgram(const std::string& requested);

// Loads and initialises the module, in child processes of `childProgram`
// when it is not null. On failure writes one "quex: ..." line to `err` and
// returns false.
bool loadAndInitialise(ExtensionWrapper& wrapper, HostServices& host, const std::string& module,
                       std::ostream& err, const char* childProgram = nullptr);

// "quex: WHAT failed: STATUS_NAME (error code N): DETAIL", with the module's
// text for the code when the component can give one.
void reportFailure(ExtensionWrapper& wrapper, void* component, const char* what,
                   QXStatus status, int errorCode, std::ostream& err);

} // namespace quex::tool

#endif // QUEX_TOOLS_QUEX_MODULE_SESSION_H
