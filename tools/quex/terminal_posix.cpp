#include "terminal.h"

#include <unistd.h>

namespace quex::tool {

bool standardOutputIsTerminal() { return isatty(STDOUT_FILENO) == 1; }

bool standardErrorIsTerminal() { return isatty(STDERR_FILENO) == 1; }

} // namespace quex::tool
