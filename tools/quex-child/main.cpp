// quex-child: hosts one module on behalf of a quex host. The host starts it
// with the base name of the channels it created as the only argument; the
// child serves the module's calls there until "TERMINATE", and ends by itself
// as soon as its host is gone, so it never outlives it. The host is the
// process named in the base name, not whatever parent the child finds: a
// host killed while the child starts must not leave it waiting forever.
#include "child_command_line.h"
#include "module_server.h"
#include "xml_on_demand.h"

#include "platform/child_process.h"
#include "platform/os_error.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// The host's process id from "tarn.quex.<host>.<n>"; 0 when the name has
// another form.
long hostOf(const std::string& baseName) {
  static const std::string prefix = "tarn.quex.";
  if (baseName.compare(0, prefix.size(), prefix) != 0) return 0;
  const std::string rest = baseName.substr(prefix.size());
  const size_t dot = rest.find('.');
  if (dot == 0 || dot == std::string::npos || dot > 18 ||
      rest.find_first_not_of("0123456789") != dot)
    return 0;
  return std::stol(rest.substr(0, dot));
}

} // namespace

int main(int argc, char** argv) {
  const quex::child::ChildCommandLine line = quex::child::parseChildCommandLine(argc, argv);
  if (line.exitCode) return *line.exitCode;
  // First: the parent is the host, and the kernel ends this child with it.
  // The second look covers a host that died just before the request.
  const long host = hostOf(line.baseName);
  if (host == 0 || quex::platform::parentProcessId() != host) return 3;
  quex::platform::dieWithParent();
  if (quex::platform::parentProcessId() != host) return 3;
  // The child has no results to print, and the standard output it shares
  // with its host may be carrying records: whatever the module writes there,
  // through its own C++ runtime or the C library's, goes to standard error.
  // This program has no C++ streams of its own to point there: it prints only
  // through the C library.
  quex::platform::standardOutputToError();
  // Ctrl-C at a terminal reaches the whole foreground group, this child
  // with its host. What it does to the module is the host's to decide: ask
  // it to cancel first, and kill this child only if it does not stop.
  std::signal(SIGINT, SIG_IGN);
  // Until the first reply the kernel ends this child with the host's thread
  // that started it; from then on the server's own thread looks at the
  // parent every little while, and the child ends at once, even inside a
  // module call, when it has changed: the host is gone.
  int result = 0;
  try {
    quex::child::ModuleServer server(line.baseName, [host] {
      if (quex::platform::parentProcessId() != host) std::_Exit(3);
    });
    server.run();
  } catch (const quex::platform::SystemError& error) {
    std::fprintf(stderr, "quex-child: %s\n", error.what());
    result = 1;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "quex-child: %s\n", error.what());
    result = 1;
  }
  quex::child::xml::stop();
  return result;
}
