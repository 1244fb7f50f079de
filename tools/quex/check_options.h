// What `quex check` is asked for on its command line.
#ifndef QUEX_TOOLS_QUEX_CHECK_OPTIONS_H
#define QUEX_TOOLS_QUEX_CHECK_OPTIONS_H

#include "command_line.h"

#include <string>
#include <vector>

namespace quex::tool {

struct CheckOptions {
  // The module and the host's documents, as for `quex run`.
  RunOptions documents;
  double timeoutSeconds = 30; // per check, when each runs in its own process
  int cancelMs = 1000;        // how soon a cancelled run must end
  int jobs = 0;               // checks at once; 0: one per core
  bool inProcess = false;     // every check in this process (for a debugger)
  bool list = false;          // print the checks and stop
  std::string child;          // the child program of the out-of-process checks
  std::string json;           // write the results as JSON to this file
  std::string junit;          // write the results as JUnit XML to this file
  std::vector<std::string> only, skip;
  // Hidden: run the one check with this id and report on descriptor `reportFd`.
  std::string isolated;
  int reportFd = -1;
};

} // namespace quex::tool

#endif // QUEX_TOOLS_QUEX_CHECK_OPTIONS_H
