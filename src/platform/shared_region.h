// A named shared memory region mapped whole into this process. Move-only; the
// mapping goes with the object, and the name too when this object created or
// opened it as its owner.
#ifndef QUEX_SRC_PLATFORM_SHARED_REGION_H
#define QUEX_SRC_PLATFORM_SHARED_REGION_H

#include <cstddef>
#include <string>

namespace quex::platform {

class SharedRegion {
public:
  // Creates the region (or opens it when the name exists) owned by the current
  // user; a new region is sized to `size`. Throws SystemError when the object
  // cannot be opened, belongs to another user or is smaller than `size`.
  // The caller maps it with map(); the name is unlinked by the destructor.
  static SharedRegion createOrOpen(const std::string& name, size_t size);
  // Opens an existing region without taking charge of its name.
  static SharedRegion openExisting(const std::string& name, size_t size);

  SharedRegion(SharedRegion&& other) noexcept;
  SharedRegion& operator=(SharedRegion&& other) noexcept;
  SharedRegion(const SharedRegion&) = delete;
  SharedRegion& operator=(const SharedRegion&) = delete;
  ~SharedRegion();

  // Maps the whole region read-write; throws SystemError.
  void map();
  void* data() const noexcept { return data_; }
  size_t size() const noexcept { return size_; }
  const std::string& name() const noexcept { return name_; }
  // Maps the first `bytes` of the region into this process now (all of it
  // when larger), so that the messages that first reach them do not pay a
  // page fault each. Best effort: a system that cannot leaves them to fault.
  void prefault(size_t bytes) noexcept;
  // Removes the name so that nothing outlives the processes; the mapping stays.
  void unlink() noexcept;
  // The same for a region opened with openExisting(), whose name this object
  // does not own: its user has opened all it needs and lets no one else in.
  void removeName() noexcept {
    linked_ = true;
    unlink();
  }

private:
  SharedRegion(std::string name, int fd, size_t size, bool linked);
  static SharedRegion open(const std::string& name, size_t size, bool create);
  void release() noexcept;

  std::string name_;
  int fd_ = -1;
  size_t size_ = 0;
  void* data_ = nullptr;
  bool linked_ = false; // this object removes the name when it goes
};

} // namespace quex::platform

#endif // QUEX_SRC_PLATFORM_SHARED_REGION_H
