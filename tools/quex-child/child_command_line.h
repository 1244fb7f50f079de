// quex-child's command line. A host starts the child with one argument, the
// channels' base name, and that is all the child reads on its way to the
// first reply. Any other command line (--help, --version, --man-page, a bad
// one) is handled by the command-line library beside the program
// (quex-child-cli), opened only then: its parser would cost every start.
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
