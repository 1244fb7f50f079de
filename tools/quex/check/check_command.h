// quex check MODULE [options]: runs the selected checks, each in a process
// of its own (or all in this one), and reports them.
#ifndef QUEX_TOOLS_QUEX_CHECK_CHECK_COMMAND_H
#define QUEX_TOOLS_QUEX_CHECK_CHECK_COMMAND_H

#include "check_options.h"

#include <ostream>

namespace quex::check {

// Exit code: 0 when every error-severity check passed, 1 when one failed,
// 2 for a bad command line, 128 + the signal when interrupted.
int runCheckCommand(const tool::CheckOptions& options, const char* argv0, std::ostream& out,
                    std::ostream& err);

} // namespace quex::check

#endif // QUEX_TOOLS_QUEX_CHECK_CHECK_COMMAND_H
