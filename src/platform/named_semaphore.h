// A named counting semaphore used with a maximum count of 1. Move-only; the
// handle goes with the object, and the name too when this object owns it.
#ifndef QUEX_SRC_PLATFORM_NAMED_SEMAPHORE_H
#define QUEX_SRC_PLATFORM_NAMED_SEMAPHORE_H

#include <string>
#include <utility>

namespace quex::platform {

class NamedSemaphore {
public:
  // Creates the semaphore with count 0 (or opens it when the name exists),
  // owned by the current user; throws SystemError. The destructor unlinks it.
  static NamedSemaphore createOrOpen(const std::string& name);
  // Opens an existing semaphore without taking charge of its name.
  static NamedSemaphore openExisting(const std::string& name);

  NamedSemaphore(NamedSemaphore&& other) noexcept;
  NamedSemaphore& operator=(NamedSemaphore&& other) noexcept;
  NamedSemaphore(const NamedSemaphore&) = delete;
  NamedSemaphore& operator=(const NamedSemaphore&) = delete;
  ~NamedSemaphore();

  // Raises the count to 1; throws SystemError when that fails or the count is
  // already 1 (EOVERFLOW).
  void post();
  // Raises the count only when it is 0; true when it is 1 afterwards.
  bool postIfZero() noexcept;
  // Waits without time-out; interruptions are retried.
  void wait() noexcept;
  // Waits at most `milliseconds`; true when the count was taken.
  bool waitFor(int milliseconds) noexcept;
  // The current count (0 or 1), -1 when it cannot be read.
  int value() const noexcept;
  const std::string& name() const noexcept { return name_; }
  void unlink() noexcept;
  // Removes the name of a semaphore opened with openExisting() too.
  void removeName() noexcept {
    linked_ = true;
    unlink();
  }

private:
  NamedSemaphore(std::string name, void* handle, bool linked)
      : name_(std::move(name)), handle_(handle), linked_(linked) {}
  static NamedSemaphore open(const std::string& name, bool create);
  void release() noexcept;

  std::string name_;
  void* handle_ = nullptr; // the sem_t*
  bool linked_ = false;
};

} // namespace quex::platform

#endif // QUEX_SRC_PLATFORM_NAMED_SEMAPHORE_H
