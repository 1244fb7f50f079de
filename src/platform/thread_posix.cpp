#include "thread.h"

#include "os_error.h"

#include <system_error>
#include <utility>

namespace quex::platform {

Thread::Thread(std::function<void()> body) {
  try {
    thread_ = std::thread(std::move(body));
  } catch (const std::system_error& error) {
    throw SystemError("pthread_create", error.code().value());
  }
}

Thread& Thread::operator=(Thread&& other) noexcept {
  if (this != &other) {
    join();
    thread_ = std::move(other.thread_);
  }
  return *this;
}

Thread::~Thread() {
  try {
    join();
  } catch (const SystemError&) {
    // Nothing is left to wait for when the join itself fails.
  }
}

void Thread::join() {
  if (!thread_.joinable()) return;
  try {
    thread_.join();
  } catch (const std::system_error& error) {
    throw SystemError("pthread_join", error.code().value());
  }
}

} // namespace quex::platform
