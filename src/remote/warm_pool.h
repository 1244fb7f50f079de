// Children started ahead of need: a create that finds one waiting skips the
// start of a process (a spawn, the dynamic loader, the opening of the
// channels) and pays only its calls. Off until the host asks for a size.
//
// A ready child has its module's library loaded already, so that a create
// skips the load too: children are kept per library, and a create of one
// library never gets a child readied for another.
//
// A warm child has answered one call, so the names of its channels are gone
// from the system already and it no longer dies with the thread that started
// it; it ends with its host as any child does. The children of a library are
// kept while a module of that library lives; when the last goes, and at the
// latest when the host exits, they are told to end and are reaped.
#ifndef QUEX_SRC_REMOTE_WARM_POOL_H
#define QUEX_SRC_REMOTE_WARM_POOL_H

#include "process.h"

#include <cstddef>
#include <string>
#include <tuple>

namespace Remote::warm_pool {

// What a ready child is for: the child program, and the module's library as
// "_define_target_library" names it (the name, and the path without ".dll").
struct Library {
  std::string program;
  std::string name;
  std::string path;
  bool operator<(const Library& other) const {
    return std::tie(program, name, path) < std::tie(other.program, other.name, other.path);
  }
  bool operator==(const Library& other) const {
    return program == other.program && name == other.name && path == other.path;
  }
};

// Up to `count` children per library kept ready; 0 ends those waiting.
void setSize(size_t count);
size_t size();

// A module of `library` begins or ends its life: children of the library are
// kept ready only while one lives.
void join(const Library& library);
void leave(const Library& library);

// A ready child with `library` loaded and waiting for its first define; null
// when none is ready. Taking one starts its replacement.
Process::Owned<> take(const Library& library);

// How many children are ready now, how many were taken and how many failed
// to get ready (no answer, or a library that did not load) since the process
// started (for tests and benchmarks).
size_t ready();
size_t taken();
size_t failed();

} // namespace Remote::warm_pool

#endif // QUEX_SRC_REMOTE_WARM_POOL_H
