// quex-child's command line: the channels' base name, or --help, --version
// and the documents made from the command line (--man-page).
#ifndef QUEX_TOOLS_QUEX_CHILD_CHILD_COMMAND_LINE_H
#define QUEX_TOOLS_QUEX_CHILD_CHILD_COMMAND_LINE_H

#include <optional>
#include <string>

namespace quex::child {

struct ChildCommandLine {
  std::string baseName;        // set when the child is to serve a host
  std::optional<int> exitCode; // set when it is to end at once (help, version, error)
};

ChildCommandLine parseChildCommandLine(int argc, const char* const* argv);

} // namespace quex::child

#endif // QUEX_TOOLS_QUEX_CHILD_CHILD_COMMAND_LINE_H
