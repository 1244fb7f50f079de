// The names of shared regions and named semaphores as the system keeps them,
// for the sweep of names left behind by hosts that are gone and for choosing
// a base name no one holds.
#ifndef QUEX_SRC_PLATFORM_SHARED_NAMES_H
#define QUEX_SRC_PLATFORM_SHARED_NAMES_H

#include <string>
#include <vector>

namespace quex::platform {

// A shared region's name, or a named semaphore's, as it was given.
struct SharedName {
  std::string name;
  bool semaphore = false;
};

// The regions and semaphores that belong to the current user.
std::vector<SharedName> ownSharedNames();
// True when a region (or a semaphore) of that name exists, whoever holds it.
bool sharedNameExists(const SharedName& name) noexcept;
// Removes the name; the objects stay with whoever has them open.
void removeSharedName(const SharedName& name) noexcept;

// True when a process of that id exists, whoever runs it.
bool processExists(long pid) noexcept;

} // namespace quex::platform

#endif // QUEX_SRC_PLATFORM_SHARED_NAMES_H
