// Children started ahead of need: a create that finds one waiting skips the
// start of a process (a spawn, the dynamic loader, the opening of the
// channels) and pays only its calls. Off until the host asks for a size.
//
// A warm child has answered one call, so the names of its channels are gone
// from the system already and it no longer dies with the thread that started
// it; it ends with its host as any child does. The children of a program are
// kept while a module of that program lives; when the last goes, and at the
// latest when the host exits, they are told to end and are reaped.
#ifndef QUEX_SRC_REMOTE_WARM_POOL_H
#define QUEX_SRC_REMOTE_WARM_POOL_H

#include "process.h"

#include <cstddef>
#include <string>

namespace Remote::warm_pool {

// Up to `count` children per child program kept ready; 0 ends those waiting.
void setSize(size_t count);
size_t size();

// A module of `childProgram` begins or ends its life: children of the
// program are kept ready only while one lives.
void join(const std::string& childProgram);
void leave(const std::string& childProgram);

// A ready child of `childProgram`, started and waiting for its module; null
// when none is ready. Taking one starts its replacement.
Process::Owned<> take(const std::string& childProgram);

// How many children are ready now, and how many were taken since the process
// started (for tests and benchmarks).
size_t ready();
size_t taken();

} // namespace Remote::warm_pool

#endif // QUEX_SRC_REMOTE_WARM_POOL_H
