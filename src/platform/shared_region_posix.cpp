#include "shared_region.h"

#include "os_error.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

namespace quex::platform {

SharedRegion::SharedRegion(std::string name, int fd, size_t size, bool linked)
    : name_(std::move(name)), fd_(fd), size_(size), linked_(linked) {}

SharedRegion::SharedRegion(SharedRegion&& other) noexcept
    : name_(std::move(other.name_)), fd_(std::exchange(other.fd_, -1)),
      size_(std::exchange(other.size_, 0)), data_(std::exchange(other.data_, nullptr)),
      linked_(std::exchange(other.linked_, false)) {}

SharedRegion& SharedRegion::operator=(SharedRegion&& other) noexcept {
  if (this != &other) {
    release();
    name_ = std::move(other.name_);
    fd_ = std::exchange(other.fd_, -1);
    size_ = std::exchange(other.size_, 0);
    data_ = std::exchange(other.data_, nullptr);
    linked_ = std::exchange(other.linked_, false);
  }
  return *this;
}

SharedRegion::~SharedRegion() { release(); }

void SharedRegion::release() noexcept {
  if (data_ != nullptr) munmap(data_, size_);
  data_ = nullptr;
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  unlink();
}

void SharedRegion::unlink() noexcept {
  if (linked_) shm_unlink(("/" + name_).c_str());
  linked_ = false;
}

SharedRegion SharedRegion::createOrOpen(const std::string& name, size_t size) {
  return open(name, size, true);
}

SharedRegion SharedRegion::openExisting(const std::string& name, size_t size) {
  return open(name, size, false);
}

SharedRegion SharedRegion::open(const std::string& name, size_t size, bool create) {
  const std::string path = "/" + name;
  const int flags = O_RDWR | O_CLOEXEC | (create ? O_CREAT : 0);
  const int fd = retryOnInterrupt([&] { return shm_open(path.c_str(), flags, 0600); });
  if (fd < 0) throwLastError("shm_open");
  // From here the object closes the descriptor (and, once the object is known
  // to be ours, unlinks the name) on every failure path.
  SharedRegion region(name, fd, size, false);
  struct stat status {};
  if (fstat(fd, &status) != 0) throwLastError("fstat");
  if (status.st_uid != geteuid()) throw SystemError("fstat", EACCES);
  region.linked_ = create; // never remove a name that is not ours
  if (status.st_size == 0 && create) {
    if (retryOnInterrupt([&] { return ftruncate(fd, static_cast<off_t>(size)); }) != 0)
      throwLastError("ftruncate");
  } else if (static_cast<size_t>(status.st_size) < size) {
    throw SystemError("fstat", EINVAL);
  }
  return region;
}

void SharedRegion::map() {
  if (data_ != nullptr) return;
  void* view = mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, 0);
  if (view == MAP_FAILED) throwLastError("mmap");
  data_ = view;
}

void SharedRegion::prefault(size_t bytes) noexcept {
  if (data_ == nullptr) return;
  const size_t length = bytes < size_ ? bytes : size_;
#ifdef MADV_POPULATE_WRITE
  if (madvise(data_, length, MADV_POPULATE_WRITE) == 0) return;
#endif
  // Older kernels: a read maps a page of a shared region writable too.
  const long page = sysconf(_SC_PAGESIZE);
  const size_t step = page > 0 ? static_cast<size_t>(page) : 4096;
  const volatile unsigned char* bytesOf = static_cast<const unsigned char*>(data_);
  for (size_t offset = 0; offset < length; offset += step) (void)bytesOf[offset];
}

} // namespace quex::platform
