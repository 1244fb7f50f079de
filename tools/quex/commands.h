// The quex commands; each returns the process exit code.
#ifndef QUEX_TOOLS_QUEX_COMMANDS_H
#define QUEX_TOOLS_QUEX_COMMANDS_H

#include "command_line.h"

#include <ostream>

namespace quex::tool {

// `childProgram` null: in-process.
int runInfo(const std::string& module, const char* childProgram, std::ostream& out,
            std::ostream& err);
int runRun(const RunOptions& options, std::ostream& out, std::ostream& err);
int runNew(const NewOptions& options, std::ostream& out, std::ostream& err);

} // namespace quex::tool

#endif // QUEX_TOOLS_QUEX_COMMANDS_H
