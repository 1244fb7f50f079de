// The process-wide numbering of child processes: 1 for the first child of
// this host process, then 2, and so on, under one library-wide mutex.
#ifndef QUEX_SRC_REMOTE_CHILD_COUNTER_H
#define QUEX_SRC_REMOTE_CHILD_COUNTER_H

#include <cstdint>
#include <string>

namespace Remote {

// Takes the next number; throws the text "mutex acquire failed" when the
// mutex cannot be taken.
uint32_t nextChildNumber();

// "tarn.quex.<host process id>.<n>" with the next child number whose names
// no one holds, trying 64 numbers; the first call of a process first removes
// the names of this user's hosts that no longer run.
std::string nextBaseName();

// Removes this user's names of hosts that no longer run: left by a host that
// was killed before its child had opened them.
void removeStaleNames() noexcept;

} // namespace Remote

#endif // QUEX_SRC_REMOTE_CHILD_COUNTER_H
