// Whether a standard stream of this process is an interactive terminal.
#ifndef QUEX_SRC_PLATFORM_TERMINAL_H
#define QUEX_SRC_PLATFORM_TERMINAL_H

namespace quex::platform {

bool standardOutputIsTerminal();
bool standardErrorIsTerminal();

} // namespace quex::platform

#endif // QUEX_SRC_PLATFORM_TERMINAL_H
