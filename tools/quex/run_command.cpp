// quex run MODULE [options]: one component through its whole lifecycle.
#include "commands.h"

namespace quex::tool {

int runRun(const RunOptions& options, std::ostream&, std::ostream& err) {
  if (!options.child.empty()) {
    err << "quex: --child: running a module in child processes is not available yet; "
           "run it in-process (leave out --child)\n";
    return kExitUsage;
  }
  err << "quex: run is not available in this build yet\n";
  return kExitFailed;
}

} // namespace quex::tool
