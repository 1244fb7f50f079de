#include "named_semaphore.h"

#include "os_error.h"

#include <fcntl.h>
#include <semaphore.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <mutex>
#include <utility>

namespace quex::platform {
namespace {

// The C library keeps one table of the semaphores a process has open, which
// sem_open and sem_close change under a lock of its own that the thread
// checker cannot see; children are now started from more than one thread, so
// the two calls go one at a time under a lock it can.
std::mutex& openingLock() {
  static std::mutex lock;
  return lock;
}

sem_t* asSemaphore(void* handle) { return static_cast<sem_t*>(handle); }

// glibc keeps a named semaphore as /dev/shm/sem.<name>; where that file is
// visible it must belong to the current user like a region does.
bool ownedByAnother(const std::string& name) {
  struct stat status {};
  if (stat(("/dev/shm/sem." + name).c_str(), &status) != 0) return false;
  return status.st_uid != geteuid();
}

} // namespace

NamedSemaphore::NamedSemaphore(NamedSemaphore&& other) noexcept
    : name_(std::move(other.name_)), handle_(std::exchange(other.handle_, nullptr)),
      linked_(std::exchange(other.linked_, false)) {}

NamedSemaphore& NamedSemaphore::operator=(NamedSemaphore&& other) noexcept {
  if (this != &other) {
    release();
    name_ = std::move(other.name_);
    handle_ = std::exchange(other.handle_, nullptr);
    linked_ = std::exchange(other.linked_, false);
  }
  return *this;
}

NamedSemaphore::~NamedSemaphore() { release(); }

void NamedSemaphore::release() noexcept {
  if (handle_ != nullptr) {
    std::lock_guard<std::mutex> lock(openingLock());
    sem_close(asSemaphore(handle_));
  }
  handle_ = nullptr;
  unlink();
}

void NamedSemaphore::unlink() noexcept {
  if (linked_) sem_unlink(("/" + name_).c_str());
  linked_ = false;
}

NamedSemaphore NamedSemaphore::createOrOpen(const std::string& name) { return open(name, true); }

NamedSemaphore NamedSemaphore::openExisting(const std::string& name) { return open(name, false); }

NamedSemaphore NamedSemaphore::open(const std::string& name, bool create) {
  const std::string path = "/" + name;
  sem_t* handle = SEM_FAILED;
  {
    std::lock_guard<std::mutex> lock(openingLock());
    handle = create ? sem_open(path.c_str(), O_CREAT, 0600, 0) : sem_open(path.c_str(), 0);
  }
  if (handle == SEM_FAILED) throwLastError("sem_open");
  NamedSemaphore semaphore(name, handle, false);
  if (ownedByAnother(name)) throw SystemError("sem_open", EACCES);
  semaphore.linked_ = create;
  return semaphore;
}

void NamedSemaphore::post() {
  int count = 0;
  if (sem_getvalue(asSemaphore(handle_), &count) != 0) throwLastError("sem_getvalue");
  if (count >= 1) throw SystemError("sem_post", EOVERFLOW);
  if (sem_post(asSemaphore(handle_)) != 0) throwLastError("sem_post");
}

bool NamedSemaphore::postIfZero() noexcept {
  int count = 0;
  if (sem_getvalue(asSemaphore(handle_), &count) != 0) return false;
  if (count >= 1) return true;
  return sem_post(asSemaphore(handle_)) == 0;
}

void NamedSemaphore::wait() noexcept {
  retryOnInterrupt([&] { return sem_wait(asSemaphore(handle_)); });
}

bool NamedSemaphore::waitFor(int milliseconds) noexcept {
  timespec deadline{};
  clock_gettime(CLOCK_REALTIME, &deadline);
  deadline.tv_sec += milliseconds / 1000;
  deadline.tv_nsec += static_cast<long>(milliseconds % 1000) * 1000000L;
  if (deadline.tv_nsec >= 1000000000L) {
    deadline.tv_sec += 1;
    deadline.tv_nsec -= 1000000000L;
  }
  return retryOnInterrupt([&] { return sem_timedwait(asSemaphore(handle_), &deadline); }) == 0;
}

int NamedSemaphore::value() const noexcept {
  int count = 0;
  if (sem_getvalue(asSemaphore(handle_), &count) != 0) return -1;
  return count;
}

} // namespace quex::platform
