// The `check` sub-command's options, added to quex's CLI11 app.
#ifndef QUEX_TOOLS_QUEX_CHECK_COMMAND_LINE_H
#define QUEX_TOOLS_QUEX_CHECK_COMMAND_LINE_H

#include "check_options.h"

#include <CLI/CLI.hpp>

namespace quex::tool {

// `passwords` and `files` receive the KEY=VALUE texts, split by the caller.
CLI::App* addCheckCommand(CLI::App& app, CheckOptions& options,
                          std::vector<std::string>& passwords, std::vector<std::string>& files);

} // namespace quex::tool

#endif // QUEX_TOOLS_QUEX_CHECK_COMMAND_LINE_H
