// A thread of this library: runs one function and is joined by its owner or,
// at the latest, by its destructor.
#ifndef QUEX_SRC_PLATFORM_THREAD_H
#define QUEX_SRC_PLATFORM_THREAD_H

#include <functional>
#include <thread>

namespace quex::platform {

class Thread {
public:
  Thread() = default;
  // Starts `body` at once; throws SystemError when no thread can be made.
  explicit Thread(std::function<void()> body);
  Thread(Thread&&) noexcept = default;
  Thread& operator=(Thread&& other) noexcept;
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;
  ~Thread();

  bool joinable() const noexcept { return thread_.joinable(); }
  // Waits without time-out for the thread to end; throws SystemError when the
  // wait itself fails.
  void join();

private:
  std::thread thread_;
};

} // namespace quex::platform

#endif // QUEX_SRC_PLATFORM_THREAD_H
