// BufferHelper and AccessCount.
#include <quex/cpphelper/AccessCount.h>
#include <quex/cpphelper/BufferHelper.h>

#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace ExtensionCppHelper {

BufferHelper::BufferHelper(size_t size) { allocate(size); }

BufferHelper::~BufferHelper() { clear(); }

BufferHelper::BufferHelper(const BufferHelper& other) {
  allocate(other.size);
  if (other.size != 0) std::memcpy(bytes, other.bytes, other.size);
}

BufferHelper& BufferHelper::operator=(const BufferHelper& other) {
  if (this != &other) {
    BufferHelper copy(other);
    std::swap(bytes, copy.bytes);
    std::swap(size, copy.size);
  }
  return *this;
}

void BufferHelper::resize(size_t newSize) {
  clear();
  allocate(newSize);
}

void BufferHelper::allocate(size_t newSize) {
  // calloc zero-fills; one byte at least so a zero size still gives a pointer.
  bytes = static_cast<char*>(std::calloc(newSize != 0 ? newSize : 1, 1));
  if (bytes == nullptr) {
    size = 0;
    throw std::bad_alloc();
  }
  size = newSize;
}

void BufferHelper::clear() noexcept {
  std::free(bytes);
  bytes = nullptr;
}

void AccessCount::inc() {
  if (counter == nullptr)
    counter = new uint32_t(1);
  else
    ++*counter;
}

void AccessCount::dec() noexcept {
  if (counter == nullptr) return;
  if (--*counter == 0) {
    delete counter;
    counter = nullptr;
  }
}

} // namespace ExtensionCppHelper
