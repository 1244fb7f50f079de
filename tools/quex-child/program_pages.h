// The pages of this program's code, mapped ahead of need. A child waiting in
// the warm pool has run only its start; the calls that start a component run
// code it has never touched, and on a machine where a page fault is dear
// those first touches were most of a warm start.
#ifndef QUEX_TOOLS_QUEX_CHILD_PROGRAM_PAGES_H
#define QUEX_TOOLS_QUEX_CHILD_PROGRAM_PAGES_H

namespace quex::child {

// Maps the program's read-only segments (its code among them) into the
// process now. Best effort: a system that cannot leaves them to fault.
void prefaultProgramPages() noexcept;

} // namespace quex::child

#endif // QUEX_TOOLS_QUEX_CHILD_PROGRAM_PAGES_H
