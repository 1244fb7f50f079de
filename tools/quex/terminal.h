// Whether a standard stream of this process is an interactive terminal; the
// one system call of quex's own, kept in terminal_posix.cpp.
#ifndef QUEX_TOOLS_QUEX_TERMINAL_H
#define QUEX_TOOLS_QUEX_TERMINAL_H

namespace quex::tool {

bool standardOutputIsTerminal();
bool standardErrorIsTerminal();

} // namespace quex::tool

#endif // QUEX_TOOLS_QUEX_TERMINAL_H
