#include "terminal.h"

#include <unistd.h>

namespace quex::platform {

bool standardErrorIsTerminal() { return isatty(STDERR_FILENO) == 1; }

} // namespace quex::platform
